#include "support/Sound.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

static std::function<void(const QString &)> &Player()
{
    static std::function<void(const QString &)> player;
    return player;
}

void SetSoundPlayer(std::function<void(const QString &)> _player)
{
    Player() = std::move(_player);
}

// A detached player keeps the window responsive and outlives nothing of ours;
// a missing player or sound device simply means no sound.
static void PlayDetached(const QString &_fileName)
{
    if (!QFileInfo(_fileName).isFile())
        return;
    for (const char *program : {"paplay", "aplay"}) {
        const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (exe.isEmpty())
            continue;
        QStringList args;
        if (QLatin1String(program) == QLatin1String("aplay"))
            args << QStringLiteral("-q");
        args << _fileName;
        QProcess player;
        player.setProgram(exe);
        player.setArguments(args);
        // A machine without a sound server is normal; its complaints are not ours.
        player.setStandardOutputFile(QProcess::nullDevice());
        player.setStandardErrorFile(QProcess::nullDevice());
        player.startDetached();
        return;
    }
}

void PlaySoundFile(const QString &_fileName, bool _enabled)
{
    if (!_enabled)
        return;
    if (Player())
        Player()(_fileName);
    else
        PlayDetached(_fileName);
}
