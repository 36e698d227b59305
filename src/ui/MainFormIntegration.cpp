// Help, home page, mail, update check, About box and opening the output.
// INTERIM: simple versions until the integration and update pieces are wired
// in; to be replaced as a whole.

#include "ui/MainForm.h"

#include "support/PathUtils.h"
#include "ui/widgets/DropFileEdit.h"

#include <QDesktopServices>
#include <QUrl>

void TMainForm::ContentsActionExecute()
{
    const QString help =
        JoinPath(JoinPath(JoinPath(ProgramDir, QStringLiteral("help")),
                          ExtractFileName(ChangeFileExt(HELP_FILENAME, QString()))),
                 QStringLiteral("index.htm"));
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void TMainForm::HomePageActionExecute()
{
    QDesktopServices::openUrl(QUrl(HOMEPAGE_LINK));
}

void TMainForm::EmailActionExecute() {}

void TMainForm::CheckUpdateActionExecute() {}

void TMainForm::AboutActionExecute() {}

void TMainForm::OpenFileBitBtnClick()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(OutVideoFileBEdit->text()));
}

void TMainForm::OpenFolderBitBtnClick()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(ExtractFileDir(OutVideoFileBEdit->text())));
}
