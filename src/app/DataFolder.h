#pragma once

#include <QString>

// The folder of the temporary files of a conversion and of the output-name
// locks. Whatever folder is chosen, only this user can write in it: another
// user who could would plant links under our temporary names and have the
// encoder overwrite any file of ours through them.
struct TDataFolderChoice
{
    QString Folder;     // ends with a separator
    bool Fresh = false; // made for this start alone; removed at close when empty
};

// _userDataFolder is the per-user data folder + the program's title (empty
// when the system has none), _programDir the program's folder. The first
// that is (or can be made) private: the user data folder, the program
// folder, "Frobnik" in the session's runtime folder, "Frobnik-<user>" in the
// temporary folder, a fresh folder there. When not even a fresh one can be
// made, the first choice stays (and a run then finds no place for its files).
TDataFolderChoice ChooseAppDataDir(const QString &_userDataFolder, const QString &_programDir);
