#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

// The signals by which a terminal, a session or a service manager asks the
// program to end (SIGTERM, SIGINT from Ctrl-C, SIGHUP). The handler itself
// only writes the signal's number into a pipe; the event loop reads it, also
// inside the nested wait of a running conversion, and hands it to _onSignal,
// where the program's own routines may run. One at a time: the handler has
// one pipe to write into.
class TSignalHandling
{
public:
    using TOnSignal = std::function<void(int _signal)>;
    explicit TSignalHandling(TOnSignal _onSignal);
    ~TSignalHandling();
    TSignalHandling(const TSignalHandling &) = delete;
    TSignalHandling &operator=(const TSignalHandling &) = delete;

    // 128 + the number of the first signal received, as a shell reports a
    // program ended by it; 0 before any.
    int ExitStatus() const { return FExitStatus; }

private:
    void Read();

    TOnSignal FOnSignal;
    std::unique_ptr<QSocketNotifier> FNotifier;
    int FExitStatus = 0;
};
