#include "conversion/ChildRunner.h"

#include <QElapsedTimer>
#include <QProcess>

namespace {
constexpr int PollIntervalMs = 200;
} // namespace

TChildCommand JoinCommand(const QStringList &_files, const QString &_joinedFile)
{
    TChildCommand command;
    command.Program = QStringLiteral("cat");
    // "--" keeps a file name that begins with a dash from being read as an option.
    command.Arguments = QStringList{QStringLiteral("--")} + _files;
    command.StandardOutputFile = _joinedFile;
    return command;
}

int TChildRunner::Run(const TChildCommand &_command, TStepKind _kind, const TPoll &_poll)
{
    FStarted = FCancelled = FCrashed = false;
    QProcess process;
    process.setProgram(_command.Program);
    process.setArguments(_command.Arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    // Nobody reads what the child prints; a pipe left unread would block it.
    process.setStandardOutputFile(_command.StandardOutputFile.isEmpty()
                                      ? QProcess::nullDevice()
                                      : _command.StandardOutputFile,
                                  QIODevice::Truncate);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1))
        return 0;
    FStarted = true;

    QElapsedTimer sinceTerminate;
    for (;;) {
        if (process.waitForFinished(PollIntervalMs) || process.state() == QProcess::NotRunning)
            break;
        const bool stopAsked = _poll ? _poll(_kind) : false;
        if (!FCancelled && stopAsked) {
            FCancelled = true;
            process.terminate();
            sinceTerminate.start();
        } else if (FCancelled && sinceTerminate.elapsed() >= FGraceMs) {
            process.kill();
        }
    }
    if (FCancelled)
        return StepCancelledResult;
    if (process.exitStatus() == QProcess::CrashExit) {
        FCrashed = true;
        // The signal number, as shells report it; never 0, never 40.
        return 128 + qMax(1, process.exitCode());
    }
    return process.exitCode();
}
