// Times the Stop button of the real main window during an encoder step: from
// the click until the encoder has exited, until it has been reaped, and until
// the window is idle again with the cancelled outcome shown. With "signal"
// the stop is a SIGTERM to the program instead, handled as the program
// handles it (the window then closes, so each run has a window of its own).
//
// Usage: bench_stop <program folder> <source file> <output file> <runs> <stop after ms> [signal]
// Prints one line per run and the medians, in milliseconds.

#include "app/SignalHandling.h"
#include "conversion/EncoderProgram.h"
#include "localization/TextIds.h"
#include "support/Sound.h"
#include "ui/Dialogs.h"
#include "ui/MainForm.h"
#include "ui/widgets/DropFileEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::time_point _from, TClock::time_point _to)
{
    return std::chrono::duration<double, std::milli>(_to - _from).count();
}

// The first child process of ours, or 0.
pid_t FindChild()
{
    const QString own = QString::number(::getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(stat.readAll());
        // After the name in brackets: state, then the parent's id.
        const QStringList fields = text.mid(text.lastIndexOf(u')') + 2).split(u' ');
        if (fields.size() > 1 && fields.at(1) == own)
            return pid;
    }
    return 0;
}

// 'Z' for a process that has exited but is not yet reaped, 0 when it is gone.
char ProcessState(pid_t _pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", int(_pid));
    std::FILE *file = std::fopen(path, "r");
    if (!file)
        return 0;
    char buffer[512] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    const char *close = nullptr;
    for (size_t i = 0; i < n; ++i)
        if (buffer[i] == ')')
            close = buffer + i;
    return close && close[1] && close[2] ? close[2] : 0;
}

double Median(std::vector<double> _values)
{
    if (_values.empty())
        return -1;
    std::sort(_values.begin(), _values.end());
    const size_t n = _values.size();
    return n % 2 ? _values[n / 2] : (_values[n / 2 - 1] + _values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 6) {
        std::fprintf(stderr, "usage: bench_stop <program folder> <source> <output> <runs> "
                             "<stop after ms>\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[2]);
    const QString output = QString::fromLocal8Bit(argv[3]);
    const int runs = std::max(1, std::atoi(argv[4]));
    const int stopAfterMs = std::max(0, std::atoi(argv[5]));
    const bool bySignal = argc > 6 && std::strcmp(argv[6], "signal") == 0;
    SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    SetSoundPlayer([](const QString &) {});
    TDialogs::SetTestMode(true);

    std::unique_ptr<TMainForm> form;
    TSignalHandling signalHandling([&form](int) {
        if (form)
            form->CloseForSignal();
    });
    const auto newForm = [&]() {
        form = std::make_unique<TMainForm>();
        form->show();
        form->SelectSource(source);
        form->OutFormatComboBox->setCurrentIndex(
            form->OutFormatComboBox->findText(QStringLiteral("MP4")));
        form->OutFormatComboBoxChange();
    };
    newForm();

    std::vector<double> exited, reaped, idle;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(output);
        if (bySignal && run > 0)
            newForm();
        form->OutVideoFileBEdit->setText(output);
        form->EnableFormatControls(true);

        std::atomic<bool> watching{false};
        TClock::time_point clickAt, exitedAt, reapedAt;
        std::thread watcher;
        bool found = false;
        QTimer::singleShot(stopAfterMs, form.get(), [&]() {
            const pid_t child = FindChild();
            found = child != 0;
            clickAt = TClock::now();
            if (found) {
                watching = true;
                watcher = std::thread([&, child]() {
                    bool seenExit = false;
                    while (watching) {
                        const char state = ProcessState(child);
                        if (!seenExit && (state == 'Z' || state == 0)) {
                            exitedAt = TClock::now();
                            seenExit = true;
                        }
                        if (state == 0) {
                            reapedAt = TClock::now();
                            return;
                        }
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                    }
                });
            }
            if (bySignal)
                ::kill(::getpid(), SIGTERM);
            else
                form->StopConvBitBtn->click();
        });
        form->ConvertBitBtnClick();
        const TClock::time_point idleAt = TClock::now();
        if (watcher.joinable()) {
            // The child is reaped before the run returns; give the watcher a moment to see it.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            watching = false;
            watcher.join();
        }
        const bool cancelled = form->InfoLabel->text() == form->LNGA.value(miCancelled);
        if (!found || !cancelled || QFile::exists(output) || reapedAt == TClock::time_point()) {
            ++failures;
            std::printf("run %d: not measured (child found: %d, cancelled: %d, output left: %d, "
                        "reaping seen: %d)\n",
                        run + 1, int(found), int(cancelled), int(QFile::exists(output)),
                        int(reapedAt != TClock::time_point()));
            continue;
        }
        exited.push_back(Ms(clickAt, exitedAt));
        reaped.push_back(Ms(clickAt, reapedAt));
        idle.push_back(Ms(clickAt, idleAt));
        std::printf("run %d: exited %.1f ms, reaped %.1f ms, window idle %.1f ms\n", run + 1,
                    exited.back(), reaped.back(), idle.back());
    }
    std::printf("median: exited %.1f ms, reaped %.1f ms, window idle %.1f ms (%zu runs)\n",
                Median(exited), Median(reaped), Median(idle), exited.size());
    std::fflush(stdout);
    return failures == runs ? 1 : 0;
}
