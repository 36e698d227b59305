// A fake encoder for tests. It takes the encoder's command line and does what
// the environment asks; every variable is optional:
//
//   FROBNIK_FAKE_ARGS_FILE     write the arguments there, each ended by a NUL byte
//   FROBNIK_FAKE_READ_STDIN=1  read standard input to its end first
//   FROBNIK_FAKE_PRINT         print this text on standard error (a probe text)
//   FROBNIK_FAKE_PRINT_FILE    print this file's bytes on standard error
//   FROBNIK_FAKE_INTERLEAVE=N  print "out i" on standard output and "err i" on
//                              standard error alternately, N lines in all
//   FROBNIK_FAKE_FLOOD=N       print N bytes on standard output ("forever": no end)
//   -progress <file>           append progress blocks to <file>:
//     FROBNIK_FAKE_DURATION_MS   output time of the last block (default 1000)
//     FROBNIK_FAKE_STEPS         number of blocks (default 5)
//     FROBNIK_FAKE_STEP_MS       pause before each block (default 50)
//     FROBNIK_FAKE_GATE          before block k, wait until this file holds a number >= k
//   FROBNIK_FAKE_OUTPUT        normal | empty | none: what becomes of the last
//                              argument, the output file (default: normal when
//                              -progress is given, else none). A comma list
//                              "empty,normal" picks by the run number kept in
//   FROBNIK_FAKE_COUNTER       a file counting the runs (0 for the first)
//   FROBNIK_FAKE_HANG=1        then wait until killed
//   FROBNIK_FAKE_IGNORE_TERM=1 ignore the terminate signal
//   FROBNIK_FAKE_TERM_EXIT=N   on the terminate signal, exit with N
//   FROBNIK_FAKE_CRASH=1       then die of a segmentation fault
//   FROBNIK_FAKE_EXIT=N        then exit with N (default 0)

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
std::string Env(const char *name, const std::string &fallback = std::string())
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : fallback;
}

long EnvNumber(const char *name, long fallback)
{
    const std::string value = Env(name);
    return value.empty() ? fallback : std::strtol(value.c_str(), nullptr, 10);
}

void WriteAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            std::exit(3); // the reader went away
        done += size_t(n);
    }
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void Sleep(long ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void WaitForGate(const std::string &gate, long step)
{
    for (;;) {
        const std::string text = ReadFile(gate);
        if (!text.empty() && std::strtol(text.c_str(), nullptr, 10) >= step)
            return;
        Sleep(5);
    }
}

void WriteProgress(const std::string &path)
{
    const long durationMs = EnvNumber("FROBNIK_FAKE_DURATION_MS", 1000);
    const long steps = std::max(1L, EnvNumber("FROBNIK_FAKE_STEPS", 5));
    const long stepMs = EnvNumber("FROBNIK_FAKE_STEP_MS", 50);
    const std::string gate = Env("FROBNIK_FAKE_GATE");
    for (long k = 1; k <= steps; ++k) {
        if (!gate.empty())
            WaitForGate(gate, k);
        Sleep(stepMs);
        const long long us = (long long)durationMs * 1000 * k / steps;
        std::ostringstream block;
        block << "frame=" << k * 25 << "\nfps=25.00\nstream_0_0_q=28.0\nbitrate=1000.0kbits/s\n"
              << "total_size=" << k * 4096 << "\nout_time_us=" << us << "\nout_time_ms=" << us
              << "\nout_time=00:00:00.000000\ndup_frames=0\ndrop_frames=0\nspeed=1.00x\n"
              << "progress=" << (k == steps ? "end" : "continue") << "\n";
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << block.str();
    }
}

long NextRunNumber()
{
    const std::string counter = Env("FROBNIK_FAKE_COUNTER");
    if (counter.empty())
        return 0;
    const std::string text = ReadFile(counter);
    const long run = text.empty() ? 0 : std::strtol(text.c_str(), nullptr, 10);
    std::ofstream(counter, std::ios::trunc) << run + 1;
    return run;
}

std::string OutputMode(bool encoding)
{
    const std::string modes = Env("FROBNIK_FAKE_OUTPUT", encoding ? "normal" : "none");
    std::vector<std::string> list;
    std::stringstream split(modes);
    for (std::string item; std::getline(split, item, ',');)
        list.push_back(item);
    if (list.empty())
        return "none";
    const long run = NextRunNumber();
    return list[size_t(std::min<long>(run, long(list.size()) - 1))];
}
int TermExitCode = 0;

extern "C" void ExitOnTerm(int)
{
    ::_exit(TermExitCode);
}
} // namespace

int main(int argc, char **argv)
{
    if (Env("FROBNIK_FAKE_IGNORE_TERM") == "1")
        std::signal(SIGTERM, SIG_IGN);
    if (!Env("FROBNIK_FAKE_TERM_EXIT").empty()) {
        TermExitCode = int(EnvNumber("FROBNIK_FAKE_TERM_EXIT", 0));
        std::signal(SIGTERM, ExitOnTerm);
    }

    const std::string argsFile = Env("FROBNIK_FAKE_ARGS_FILE");
    if (!argsFile.empty()) {
        std::ofstream out(argsFile, std::ios::binary | std::ios::trunc);
        for (int i = 1; i < argc; ++i)
            out << argv[i] << '\0';
    }

    if (Env("FROBNIK_FAKE_READ_STDIN") == "1") {
        char buffer[4096];
        while (::read(0, buffer, sizeof buffer) > 0) {
        }
    }

    WriteAll(2, Env("FROBNIK_FAKE_PRINT"));
    const std::string printFile = Env("FROBNIK_FAKE_PRINT_FILE");
    if (!printFile.empty())
        WriteAll(2, ReadFile(printFile));

    const long lines = EnvNumber("FROBNIK_FAKE_INTERLEAVE", 0);
    for (long i = 0; i < lines; ++i)
        WriteAll(i % 2 == 0 ? 1 : 2, (i % 2 == 0 ? "out " : "err ") + std::to_string(i) + "\n");

    const std::string flood = Env("FROBNIK_FAKE_FLOOD");
    if (!flood.empty()) {
        const std::string block(65536, 'x');
        long long left = flood == "forever" ? -1 : std::strtoll(flood.c_str(), nullptr, 10);
        while (left != 0) {
            const size_t n =
                left < 0 ? block.size() : size_t(std::min<long long>(left, block.size()));
            WriteAll(1, block.substr(0, n));
            if (left > 0)
                left -= (long long)n;
        }
    }

    std::string progressFile;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-progress") == 0)
            progressFile = argv[i + 1];
    }
    if (!progressFile.empty())
        WriteProgress(progressFile);

    const std::string mode = OutputMode(!progressFile.empty());
    if (argc > 1 && mode != "none") {
        std::ofstream out(argv[argc - 1], std::ios::binary | std::ios::trunc);
        if (mode == "normal")
            out << std::string(4096, 'F');
    }

    if (Env("FROBNIK_FAKE_HANG") == "1") {
        for (;;)
            ::pause();
    }
    if (Env("FROBNIK_FAKE_CRASH") == "1") {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGSEGV, SIG_DFL);
        std::raise(SIGSEGV);
    }
    return int(EnvNumber("FROBNIK_FAKE_EXIT", 0));
}
