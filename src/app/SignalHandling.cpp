#include "app/SignalHandling.h"

#include <QSocketNotifier>

#include <iterator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// A signal handler can reach nothing but a global; the pipe is the one the
// handler writes into and the notifier reads from.
int SignalPipe[2] = {-1, -1};
constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};
// What was there before, given back when the handling ends.
struct sigaction Previous[std::size(HandledSignals)];

void WriteSignalNumber(int _signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(_signal);
    // Full or closed: a signal already waits to be read, which is enough.
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &number, 1);
    errno = saved;
}
#endif

} // namespace

TSignalHandling::TSignalHandling(TOnSignal _onSignal) : FOnSignal(std::move(_onSignal))
{
#ifdef Q_OS_UNIX
    if (::pipe2(SignalPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    FNotifier = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this]() { Read(); });
    struct sigaction action = {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    // Slow calls go on after the handler, as if nothing had happened.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(HandledSignals); ++i)
        ::sigaction(HandledSignals[i], &action, &Previous[i]);
#endif
}

TSignalHandling::~TSignalHandling()
{
#ifdef Q_OS_UNIX
    if (!FNotifier)
        return;
    for (size_t i = 0; i < std::size(HandledSignals); ++i)
        ::sigaction(HandledSignals[i], &Previous[i], nullptr);
    FNotifier.reset();
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
#endif
}

void TSignalHandling::Read()
{
#ifdef Q_OS_UNIX
    unsigned char numbers[16];
    ssize_t n = 0;
    while ((n = ::read(SignalPipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (FExitStatus == 0)
                FExitStatus = 128 + numbers[i];
            if (FOnSignal)
                FOnSignal(numbers[i]);
        }
    }
#endif
}
