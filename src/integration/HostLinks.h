#pragma once

#include <QString>

// The Help menu, the home page, mail and the two buttons beside the output
// file box. The main window's handlers of the same names call these with the
// values they hold; none of them shows a message of its own.
namespace HostLinks {

// The support address, on the program's one web host.
QString SupportEmailAddress();

// Opens a help file's topic: helpName is the help file name optionally
// followed by "::/" and a topic ("frobnik_ru.chm::/index.htm"). The help of
// "<name>.chm" is the HTML folder "<_ProgramDir>/help/<name>/"; without a
// topic it opens at "index.htm".
void ShowHtmlHelp(const QString &_ProgramDir, const QString &_helpName);

// F1 and the Help menu's contents entry: the language's help at "index.htm".
void ContentsActionExecute(const QString &_ProgramDir, const QString &_HELP_FILENAME);
void HomePageActionExecute(const QString &_HOMEPAGE_LINK);
// A new mail to the support address.
void EmailActionExecute();
// Opens the converted file with its program.
void OpenFileBitBtnClick(const QString &_OutputPath);
// Shows an existing output file selected in the file manager (falling back
// to its folder when no file manager takes the request); for a file that is
// not there, opens the folder part of the path.
void OpenFolderBitBtnClick(const QString &_OutputPath);

} // namespace HostLinks
