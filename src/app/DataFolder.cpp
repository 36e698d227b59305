#include "app/DataFolder.h"

#include "support/PathUtils.h"

#include <QDir>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString Title = QStringLiteral("Frobnik");

// A name in the shared temporary folder that belongs to this user alone.
QString UserTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::geteuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

} // namespace

TDataFolderChoice ChooseAppDataDir(const QString &_userDataFolder, const QString &_programDir)
{
    const QString first = _userDataFolder.isEmpty() ? _programDir : _userDataFolder;
    TDataFolderChoice choice;
    if (!_userDataFolder.isEmpty()) {
        choice.Folder = MakePrivateFolder(_userDataFolder, true);
        if (!choice.Folder.isEmpty())
            return choice;
    }
    // The program's folder is taken as it is, never changed.
    if (IsPrivateFolder(_programDir, true)) {
        choice.Folder = IncludeTrailingPathDelimiter(_programDir);
        return choice;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime, true)) {
        choice.Folder = MakePrivateFolder(JoinPath(runtime, Title), false);
        if (!choice.Folder.isEmpty())
            return choice;
    }
    // Shared by every user: a folder of that name that is not ours (or not
    // ours alone) is passed over, never used.
    choice.Folder = MakePrivateFolder(JoinPath(QDir::tempPath(), Title + u'-' + UserTag()), false);
    if (!choice.Folder.isEmpty())
        return choice;
    choice.Folder = MakeFreshPrivateFolder(QDir::tempPath(), Title + u'-');
    choice.Fresh = !choice.Folder.isEmpty();
    if (choice.Folder.isEmpty())
        choice.Folder = IncludeTrailingPathDelimiter(first);
    return choice;
}
