#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Running one step of a conversion (the encoder, or the byte-wise join) as a
// child process while the caller keeps its window alive.

enum class TStepKind
{
    Encoder,
    Join
};

// The result of a step that was stopped by the caller.
inline constexpr int StepCancelledResult = 40;

struct TChildCommand
{
    QString Program;
    QStringList Arguments;      // each element one argument, never re-split
    QString StandardOutputFile; // when set, the child's standard output goes there (truncated)
};

// The join child: writes _files one after another into _joinedFile.
TChildCommand JoinCommand(const QStringList &_files, const QString &_joinedFile);

// Makes a child started by _process die with this program: the kernel ends
// it when the program dies, even of SIGKILL, so no encoder or join goes on
// writing for nobody. The child gets a process group of its own, so signals
// from the terminal reach only the program. Call before start().
void TieChildToParent(class QProcess &_process);

class TChildRunner
{
public:
    // Called every 200 ms while the child runs, with the step kind the caller
    // gave; the caller reads progress there and returns true to ask for a
    // stop. Also called while a stopped child is still ending (its answer is
    // then ignored). Events are serviced while the runner waits.
    using TPoll = std::function<bool(TStepKind)>;

    // Starts the command without a shell, standard input the null device,
    // output not shown (discarded unless StandardOutputFile is set), and
    // follows it until it ends. Result: the exit code; StepCancelledResult
    // when a stop was asked (whatever the child returned); 0 when the child
    // could not be started; 128 + signal number when the child died of a
    // signal it was not sent by us (so a crash never reads as success).
    int Run(const TChildCommand &_command, TStepKind _kind, const TPoll &_poll);

    // Asks the running child to end now (terminate, then kill after the
    // grace time), without waiting for the next 200 ms pass; for a Stop
    // button or a signal handled inside the wait. Nothing outside a Run.
    void RequestStop();

    // How the last Run went, for callers that need more than the number.
    bool LastStarted() const { return FStarted; }
    bool LastCancelled() const { return FCancelled; }
    bool LastCrashed() const { return FCrashed; }

    // Time a stopped child gets to end after the terminate request before it
    // is killed.
    void SetTerminateGraceMs(int _ms) { FGraceMs = _ms; }

private:
    class QProcess *FProcess = nullptr;
    bool FStarted = false;
    bool FCancelled = false;
    bool FCrashed = false;
    int FGraceMs = 3000;
};
