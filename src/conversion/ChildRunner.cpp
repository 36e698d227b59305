#include "conversion/ChildRunner.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

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

void TieChildToParent(QProcess &_process)
{
#ifdef Q_OS_LINUX
    const pid_t parent = ::getpid();
    _process.setChildProcessModifier([parent]() {
        // A group of its own keeps the terminal's Ctrl-C (sent to the whole
        // foreground group) from reaching the child: the program stops it
        // itself, as Stop does, and the run ends as cancelled.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died between the fork and the line above.
        if (::getppid() != parent)
            ::_exit(127);
    });
#else
    Q_UNUSED(_process);
#endif
}

void TChildRunner::RequestStop()
{
    if (!FProcess || FCancelled)
        return;
    FCancelled = true;
    FProcess->terminate();
    QProcess *process = FProcess;
    QTimer::singleShot(FGraceMs, process, [process]() { process->kill(); });
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
    TieChildToParent(process);
    process.start();
    if (!process.waitForStarted(-1))
        return 0;
    FStarted = true;
    FProcess = &process;

    // A local loop rather than timed waits: a Stop that arrives between two
    // passes acts at once instead of at the next pass.
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer pass;
    pass.setInterval(PollIntervalMs);
    QObject::connect(&pass, &QTimer::timeout, &loop, [&]() {
        const bool stopAsked = _poll ? _poll(_kind) : false;
        if (stopAsked)
            RequestStop();
    });
    pass.start();
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    pass.stop();
    // The loop may also end because the program is quitting; the child must
    // not outlive the step either way.
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(-1);
    }
    FProcess = nullptr;

    if (FCancelled)
        return StepCancelledResult;
    if (process.exitStatus() == QProcess::CrashExit) {
        FCrashed = true;
        // The signal number, as shells report it; never 0, never 40.
        return 128 + qMax(1, process.exitCode());
    }
    return process.exitCode();
}
