// Fault drills: conversions on a machine that misbehaves. Each one must end
// with the outcome a user is told or a clean failure message, without a crash or
// a hang, without a temporary file left behind, and without touching a file
// the user already had.

#include "app/CommandLineOptions.h"
#include "app/SignalHandling.h"
#include "localization/Language.h"
#include "run/RunFixture.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"
#include "testsupport/TestSupport.h"
#include "update/TestHttpServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

namespace {

// True when the tool ran and exited with 0.
bool Succeeds(const QString &_program, const QStringList &_arguments)
{
    return RunTool(_program, _arguments) == 0;
}

// The children of _parent whose command line holds _mark (any when empty).
QList<pid_t> ChildrenOf(pid_t _parent, const QByteArray &_mark = QByteArray())
{
    QList<pid_t> pids;
    for (const QFileInfo &entry : QDir("/proc").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = entry.fileName().toInt(&number);
        if (!number)
            continue;
        const QByteArray status = ReadAll(entry.filePath() + "/status");
        const QRegularExpression ppid("^PPid:\\s*(\\d+)$", QRegularExpression::MultilineOption);
        if (ppid.match(QString::fromLatin1(status)).captured(1).toInt() != _parent)
            continue;
        if (_mark.isEmpty() || ReadAll(entry.filePath() + "/cmdline").contains(_mark))
            pids << pid;
    }
    return pids;
}

const QByteArray EncoderMark("-progress\0", 10);

// Our own encoder children.
QList<pid_t> EncoderChildren()
{
    return ChildrenOf(getpid(), EncoderMark);
}

// A zombie nobody reaps (an orphan where no init reaps) has ended all the same.
bool ProcessRuns(pid_t _pid)
{
    const QByteArray stat = ReadAll(QString("/proc/%1/stat").arg(_pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && stat.size() > close + 2 && stat.at(close + 2) != 'Z';
}

bool AllGoneWithin(const QList<pid_t> &_pids, int _ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (std::none_of(_pids.begin(), _pids.end(), ProcessRuns))
            return true;
        if (clock.elapsed() > _ms)
            return false;
        QTest::qWait(20);
    }
}

// The children of a started program once they hold _mark; empty when none
// came within a minute.
QList<pid_t> WaitForChildren(const QProcess &_program, const QByteArray &_mark)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000 && _program.state() != QProcess::NotRunning) {
        const QList<pid_t> children = ChildrenOf(pid_t(_program.processId()), _mark);
        if (!children.isEmpty())
            return children;
        QTest::qWait(20);
    }
    return {};
}

void MakeFifo(const QString &_path)
{
    QDir().mkpath(QFileInfo(_path).path());
    QCOMPARE(::mkfifo(QFile::encodeName(_path).constData(), 0600), 0);
}

// Watches FIFOs from a thread of its own: whoever opens one to read is let
// go at once (it reads the end) and noted. It also ends the test before a
// reader of an endless device has eaten the machine's memory.
class TFifoWatch
{
public:
    explicit TFifoWatch(const QStringList &_fifos)
    {
        QList<QByteArray> names;
        for (const QString &fifo : _fifos)
            names << QFile::encodeName(fifo);
        FThread = std::thread([this, names]() {
            while (!FStop) {
                for (const QByteArray &name : names) {
                    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        ReaderSeen = true;
                        ::close(fd);
                    }
                }
                if (ResidentBytes() > 3LL * 1024 * 1024 * 1024) {
                    std::fprintf(stderr, "a reader of an endless file is filling the memory\n");
                    std::abort();
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~TFifoWatch()
    {
        FStop = true;
        FThread.join();
    }
    std::atomic<bool> ReaderSeen{false};

private:
    static qint64 ResidentBytes()
    {
        long pages = 0;
        long resident = 0;
        std::FILE *statm = std::fopen("/proc/self/statm", "r");
        if (statm) {
            if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
                resident = 0;
            std::fclose(statm);
        }
        return qint64(resident) * ::sysconf(_SC_PAGESIZE);
    }
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

void Backdate(const QString &_path, int _seconds)
{
    QFile file(_path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTime().addSecs(-_seconds),
                         QFileDevice::FileModificationTime);
}

// The program's texts in English, as a home set to English shows them.
QString EnglishMessage(int _id)
{
    TLanguage english;
    english.LoadLanguage(QDir(BuiltProgramDir()).filePath("Languages/English.lng"));
    return english.Get(lsGeneralMessages, QString::number(_id));
}

void SpeakEnglish(const TProgramHome &_home)
{
    QSettings settings(QDir(_home.Config()).filePath("qbx/Frobnik.conf"), QSettings::IniFormat);
    settings.setValue("Language", "English");
}

// What runs left in a program home's data folder.
QStringList HomeTemporaries(const TProgramHome &_home)
{
    return QDir(QDir(_home.Data()).filePath("Frobnik"))
        .entryList({"progress*.txt", "concat*.txt", "output-*.lock"}, QDir::Files);
}

// A small tmpfs mounted for one drill; only root can have one.
class TSmallDisk
{
public:
    bool Mount(const QString &_dir, const QString &_options)
    {
        QDir().mkpath(_dir);
        if (getuid() != 0 || !Succeeds("mount", {"-t", "tmpfs", "-o", _options, "tmpfs", _dir}))
            return false;
        FDir = _dir;
        return true;
    }
    bool MakeReadOnly() { return Succeeds("mount", {"-o", "remount,ro", FDir}); }
    ~TSmallDisk()
    {
        if (!FDir.isEmpty())
            Succeeds("umount", {"-l", FDir});
    }

private:
    QString FDir;
};

const QByteArray UserBytes = "the user's own file, never to be touched\n";

// Another user of this machine, made when missing; only root can do either.
bool OtherUser(uid_t &_uid, gid_t &_gid)
{
    const char *name = "frobnik-drill";
    if (getuid() != 0)
        return false;
    if (!::getpwnam(name) && !Succeeds("useradd", {"--system", "--no-create-home", "--shell",
                                                   "/usr/sbin/nologin", name}))
        return false;
    const passwd *user = ::getpwnam(name);
    if (!user)
        return false;
    _uid = user->pw_uid;
    _gid = user->pw_gid;
    return true;
}

} // namespace

class TestDrills : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Work;
    std::unique_ptr<TRunProgram> Program;
    std::unique_ptr<TMainForm> Form;
    TNewTemporaries Temporaries;
    QString OutDir;
    QByteArray ClipBytes;

    QString WorkPath(const QString &_name) const { return Work.filePath(_name); }
    QString Text(TMessageIndex _index) const { return Message(*Form, _index); }
    QString BuiltProgram() const { return QDir(BuiltProgramDir()).filePath("frobnik"); }
    QByteArray LongClip() const { return ReadAll(WorkPath("in/long.avi")); }

    // A join that writes a little and then takes its time, on PATH.
    QByteArray SlowJoinPath() const
    {
        WriteScript(WorkPath("bin/cat"), "printf partial\nexec sleep 600\n");
        return WorkPath("bin").toUtf8() + ':' + qgetenv("PATH");
    }

    // The window set for one run of _source into _out, with a file of the
    // user's lying beside the output.
    void Prepare(const QString &_source, const QString &_format, const QString &_out)
    {
        Form->SelectSource(_source);
        ChooseFormat(*Form, _format);
        Form->OutVideoFileBEdit->setText(_out);
        QVERIFY(Form->ConvertBitBtn->isEnabled());
        OutDir = QFileInfo(_out).path();
        if (QDir(OutDir).exists())
            WriteTestFile(QDir(OutDir).filePath("mine.txt"), UserBytes);
    }

    void Run()
    {
        Temporaries.Before(*Form, OutDir);
        Form->ConvertBitBtn->click();
    }

    // A failed run: its message, the error sound, nothing left behind.
    void VerifyFailedCleanly(TMessageIndex _message)
    {
        QCOMPARE(Form->InfoLabel->text(), Text(_message));
        QVERIFY(!Text(_message).isEmpty());
        QCOMPARE(Program->Sounds, QStringList{"error.wav"});
        QCOMPARE(Form->ProgressBar->value(), 0);
        QVERIFY(!QFile::exists(Form->OutVideoFileBEdit->text()));
        QCOMPARE(Temporaries.After(*Form, OutDir), QStringList());
        QVERIFY(EncoderChildren().isEmpty());
        if (QDir(OutDir).exists())
            QCOMPARE(ReadAll(QDir(OutDir).filePath("mine.txt")), UserBytes);
        QVERIFY(!Form->StopConvBitBtn->isEnabled());
        QVERIFY(Form->ConvertBitBtn->isEnabled());
        QVERIFY(Form->FormCloseQuery());
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            QSKIP("the drills need the real encoder, ffmpeg");
        QVERIFY(Work.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
        qunsetenv("FROBNIK_ENCODER");
        QVERIFY(QDir().mkpath(WorkPath("in")));
        // Long enough that a slow format is still being encoded when a drill
        // strikes, big enough that its output does not fit a small disk.
        QVERIFY(Succeeds("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                    "testsrc=size=640x360:rate=25:duration=40", "-f", "lavfi", "-i",
                                    "sine=frequency=440:duration=40", "-c:v", "mpeg4", "-q:v", "2",
                                    "-c:a", "mp3", "-shortest", WorkPath("in/long.avi")}));
        ClipBytes = MakeClipBytes();
        QVERIFY(!ClipBytes.isEmpty());
    }

    void init()
    {
        QDir(WorkPath("out")).removeRecursively();
        QDir().mkpath(WorkPath("out"));
        Program = std::make_unique<TRunProgram>();
        QVERIFY(Program->Valid());
        Form = std::make_unique<TMainForm>();
        Form->show();
    }

    void cleanup()
    {
        for (const pid_t pid : EncoderChildren())
            ::kill(pid, SIGKILL);
        Form.reset();
        Program.reset();
        SetEncoderProgram(QString());
    }

    void encoderKilledBySignal()
    {
        Prepare(WorkPath("in/long.avi"), "WEBM", WorkPath("out/film.webm"));
        int killed = 0;
        TWhen strike(
            [&]() {
                // Strike once the encoder has written part of the output.
                return QFileInfo(WorkPath("out/film.webm")).size() > 0 &&
                       !EncoderChildren().isEmpty();
            },
            [&]() {
                for (const pid_t pid : EncoderChildren())
                    killed += ::kill(pid, SIGKILL) == 0 ? 1 : 0;
            });
        Run();
        QVERIFY2(strike.Done, "the encoder ended before the drill could kill it");
        QCOMPARE(killed, 1);
        // The half-written output is not handed on as a conversion.
        VerifyFailedCleanly(miNoOutput);
    }

    void encoderHangsUntilStop_data()
    {
        QTest::addColumn<QByteArray>("behaviour");
        QTest::newRow("hangs") << QByteArray("FROBNIK_FAKE_HANG=1");
        QTest::newRow("hangs and ignores the terminate signal")
            << QByteArray("FROBNIK_FAKE_HANG=1 FROBNIK_FAKE_IGNORE_TERM=1");
    }

    void encoderHangsUntilStop()
    {
        QFETCH(QByteArray, behaviour);
        // Probing answers at once; the encoder step then writes its output
        // and never ends by itself.
        const QByteArray probe = "Input #0, avi, from 'long.avi':\n"
                                 "  Duration: 00:00:20.00, start: 0.000000, bitrate: 100 kb/s\n"
                                 "  Stream #0:0: Video: mpeg4, yuv420p, 640x360\n";
        WriteScript(WorkPath("hanging-encoder"),
                    "case \" $* \" in *' -progress '*) export " + behaviour +
                        ";; esac\n"
                        "FROBNIK_FAKE_PRINT='" +
                        probe + "' exec '" + FakeEncoderPath().toUtf8() + "' \"$@\"\n");
        SetEncoderProgram(WorkPath("hanging-encoder"));
        Prepare(WorkPath("in/long.avi"), "MP4", WorkPath("out/film.mp4"));
        TWhen stop([&]() { return QFile::exists(WorkPath("out/film.mp4")); },
                   [&]() { Form->StopConvBitBtn->click(); });
        Run();
        QVERIFY(stop.Done);
        VerifyFailedCleanly(miCancelled);
    }

    // Another copy converting to the same name at the same moment, played by
    // a second window whose run starts while the first one joins a DVD, when
    // the first has taken the name but its encoder has not yet made the file.
    void secondRunOnTheSameName_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::newRow("automatic: next number") << true;
        QTest::newRow("by hand: refused") << false;
    }

    void secondRunOnTheSameName()
    {
        QFETCH(bool, automatic);
        TScopedEnv probe("FROBNIK_FAKE_PRINT",
                         "Input #0, mpeg, from 'A.VOB':\n  Duration: 00:00:01.00, start: 0\n"
                         "  Stream #0:0[0x1e0]: Video: mpeg2video, yuv420p, 720x576\n");
        SetEncoderProgram(FakeEncoderPath());
        WriteScript(WorkPath("bin/cat"), "shift\n/bin/cat \"$@\"\nexec sleep 3\n");
        const TScopedEnv path("PATH", WorkPath("bin").toUtf8() + ':' + qgetenv("PATH"));
        WriteTestFile(WorkPath("dvd/A.VOB"), QByteArray(4000, 'a'));
        WriteTestFile(WorkPath("dvd/B.VOB"), QByteArray(4000, 'b'));

        const QString out = WorkPath("out/film.mp4");
        Prepare(WorkPath("dvd/"), "MP4", out);
        TMainForm second;
        second.show();
        second.SelectSource(WorkPath("in/long.avi"));
        ChooseFormat(second, "MP4");
        second.OutVideoFileBEdit->setText(out);
        second.isAutoMode = automatic;
        TWhen during([&]() { return Form->InfoLabel->text().startsWith(Text(miJoining)); },
                     [&]() { second.ConvertBitBtn->click(); });
        Run();
        QVERIFY(during.Done);
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        QCOMPARE(QFileInfo(out).size(), qint64(4096));
        if (automatic) {
            QCOMPARE(second.OutVideoFileBEdit->text(), WorkPath("out/film[1].mp4"));
            QCOMPARE(second.InfoLabel->text(), Text(miConverted));
            QCOMPARE(QFileInfo(WorkPath("out/film[1].mp4")).size(), qint64(4096));
        } else {
            QCOMPARE(TDialogs::Messages().size(), 1);
            QCOMPARE(TDialogs::Messages().first().mrText,
                     SubstituteParams(Text(miOutputExists), "film.mp4"));
            QVERIFY(!QFile::exists(WorkPath("out/film[1].mp4")));
        }
        QCOMPARE(QDir(Form->AppDataDir).entryList({"output-*.lock"}, QDir::Files), QStringList());
    }

    void outputFolderReadOnly()
    {
        const QString folder = WorkPath("readonly");
        TSmallDisk disk;
        if (getuid() == 0) {
            // Root writes through any permission bits; only a read-only mount stops it.
            if (!disk.Mount(folder, "size=1m"))
                QSKIP("running as root without a read-only mount: cannot make a read-only folder");
        } else {
            QDir().mkpath(folder);
        }
        Prepare(WorkPath("in/long.avi"), "MP4", folder + "/film.mp4");
        if (getuid() == 0)
            QVERIFY(disk.MakeReadOnly());
        else
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        Run();
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        VerifyFailedCleanly(miNoOutput);
    }

    void outputFolderDeletedBeforeRun()
    {
        const QString folder = WorkPath("out/gone");
        QDir().mkpath(folder);
        Prepare(WorkPath("in/long.avi"), "MP4", folder + "/film.mp4");
        QVERIFY(QDir(folder).removeRecursively());
        Run();
        VerifyFailedCleanly(miNoOutput);
        QVERIFY(!QDir(folder).exists());
    }

    void sourceDeletedBeforeRun()
    {
        const QString source = WorkPath("out/clip.avi");
        WriteTestFile(source, ClipBytes);
        Prepare(source, "MP4", WorkPath("out/film.mp4"));
        QCOMPARE(Form->VideoSourceInfo.vsFileName, source);
        QVERIFY(Form->VideoSourceInfo.vsTotalSourceDuration > 0);
        QVERIFY(QFile::remove(source));
        Run();
        VerifyFailedCleanly(miNoOutput);
    }

    void diskFull()
    {
        const QString folder = WorkPath("full");
        TSmallDisk disk;
        if (!disk.Mount(folder, "size=256k"))
            QSKIP("the disk-full drill mounts a small tmpfs, which needs root");
        Prepare(WorkPath("in/long.avi"), "MPG", folder + "/film.mpg");
        Run();
        VerifyFailedCleanly(miNoOutput);
        // The space the encoder filled is given back.
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"mine.txt"});
    }

    void settingsFileOfRandomBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QRandomGenerator random(20261209);
        QByteArray noise(4096, '\0');
        for (char &c : noise)
            c = char(random.bounded(256));
        QTest::newRow("random bytes") << noise;
        QTest::newRow("values of the wrong kind")
            << QByteArray("[General]\nIOutFormat=\xff\xfe\nIOutSize=-99999999999\nLanguage="
                          "../../etc/passwd\nLastFUDate=x\n[General\n=\n");
    }

    void settingsFileOfRandomBytes()
    {
        QFETCH(QByteArray, bytes);
        TProgramHome home;
        const QString clip = home.PutClip(ClipBytes);
        WriteTestFile(QDir(home.Config()).filePath("qbx/Frobnik.conf"), bytes);
        int exitCode = -1;
        QByteArray printed;
        QVERIFY2(home.Run(BuiltProgram(), {"-inName=" + clip, "-format=mp3", "-acm=autoClose"},
                          exitCode, printed),
                 printed.constData());
        QVERIFY2(exitCode == 0, printed.constData());
        QCOMPARE(StreamKinds(home.Media("clip.mp3")), QString("audio"));
        QCOMPARE(QDir(QDir(home.Data()).filePath("Frobnik"))
                     .entryList({"progress*.txt", "concat*.txt"}, QDir::Files),
                 QStringList());
    }

    void twoCopiesIntoOneFolder_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::newRow("two sources") << QStringList{"one.avi", "two.avi"};
        QTest::newRow("the same source") << QStringList{"one.avi", "one.avi"};
        // One copy reaches the folder through a link to it.
        QTest::newRow("the same source, through a link") << QStringList{"one.avi", "alias/one.avi"};
    }

    void twoCopiesIntoOneFolder()
    {
        QFETCH(QStringList, sources);
        TProgramHome home;
        home.PutClip(ClipBytes, "one.avi");
        home.PutClip(ClipBytes, "two.avi");
        WriteTestFile(home.Media("mine.txt"), UserBytes);
        QVERIFY(QFile::link(home.Media(), home.Media("alias")));
        QProcess copies[2];
        for (int i = 0; i < 2; ++i)
            home.Start(copies[i], BuiltProgram(),
                       {"-inName=" + home.Media(sources[i]), "-format=mp4", "-acm=autoClose"});
        for (QProcess &copy : copies) {
            QVERIFY(copy.waitForFinished(ConversionTimeoutMs));
            QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
            QVERIFY2(copy.exitCode() == 0, copy.readAll().constData());
        }
        // Each copy made a whole file of its own: on the same source the
        // second takes the next number, as with a file already there.
        const QStringList outputs = QDir(home.Media()).entryList({"*.mp4"}, QDir::Files);
        const bool same = QFileInfo(home.Media(sources[0])).canonicalFilePath() ==
                          QFileInfo(home.Media(sources[1])).canonicalFilePath();
        const QStringList expected =
            same ? QStringList{"one.mp4", "one[1].mp4"} : QStringList{"one.mp4", "two.mp4"};
        QCOMPARE(outputs, expected);
        for (const QString &output : outputs)
            QCOMPARE(StreamKinds(home.Media(output)), QString("video,audio"));
        QCOMPARE(ReadAll(home.Media("mine.txt")), UserBytes);
        QCOMPARE(QDir(QDir(home.Data()).filePath("Frobnik"))
                     .entryList({"progress*.txt", "concat*.txt", "output-*.lock"}, QDir::Files),
                 QStringList());
    }

    // Ctrl-C, a terminal closing, a session ending: the run stops as Stop
    // stops it, the window closes as on Exit, and the program says which
    // signal ended it.
    void signalDuringEncoder_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("toGroup");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        // A terminal sends Ctrl-C to its whole foreground group.
        QTest::newRow("SIGINT: Ctrl-C in the terminal") << int(SIGINT) << true;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    }

    void signalDuringEncoder()
    {
        QFETCH(int, signal);
        QFETCH(bool, toGroup);
        TProgramHome home;
        SpeakEnglish(home);
        const QString clip = home.PutClip(LongClip(), "long.avi");
        QProcess program;
        if (toGroup)
            program.setChildProcessModifier([]() { ::setpgid(0, 0); });
        home.Start(program, BuiltProgram(), {"-inName=" + clip, "-format=webm", "-acm=autoClose"});
        QList<pid_t> encoder;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(encoder = ChildrenOf(pid_t(program.processId()), EncoderMark)).isEmpty() &&
                QFileInfo(home.Media("long.webm")).size() > 0,
            60000);
        const pid_t pid = pid_t(program.processId());
        QCOMPARE(::kill(toGroup ? -pid : pid, signal), 0);
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 30000);
        const QByteArray printed = program.readAll();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 128 + signal);
        QVERIFY2(printed.contains(EnglishMessage(13014).toUtf8()), printed.constData());
        QVERIFY(!ProcessRuns(encoder.first()));
        QVERIFY(!QFile::exists(home.Media("long.webm")));
        QCOMPARE(HomeTemporaries(home), QStringList());
        QVERIFY(home.HasSetting("IOutFormat"));
    }

    void signalOutsideRun()
    {
        TProgramHome home;
        QProcess program;
        home.Start(program, BuiltProgram(), {});
        // Up once start-up has taken its lock, after the handlers are in place.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(home.Data()).filePath("Frobnik/Frobnik.lock")),
                                 30000);
        QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 30000);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 128 + SIGTERM);
        QVERIFY(home.HasSetting("IOutFormat"));
    }

    void signalDuringJoin_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // A folder source comes only through the window, so the drill signals
    // its own process, where the window runs with the program's handling.
    void signalDuringJoin()
    {
        QFETCH(int, signal);
        TScopedEnv probe("FROBNIK_FAKE_PRINT",
                         "Input #0, mpeg, from 'A.VOB':\n  Duration: 00:00:01.00, start: 0\n"
                         "  Stream #0:0[0x1e0]: Video: mpeg2video, yuv420p, 720x576\n");
        SetEncoderProgram(FakeEncoderPath());
        const TScopedEnv path("PATH", SlowJoinPath());
        WriteTestFile(WorkPath("dvd/A.VOB"), QByteArray(4000, 'a'));
        WriteTestFile(WorkPath("dvd/B.VOB"), QByteArray(4000, 'b'));
        Prepare(WorkPath("dvd/"), "MP4", WorkPath("out/film.mp4"));
        TSignalHandling handling([this](int) { Form->CloseForSignal(); });
        TWhen strike(
            [&]() {
                return QFileInfo(WorkPath("out/film.mp4.VOB")).size() > 0 &&
                       !ChildrenOf(getpid(), "sleep").isEmpty();
            },
            [&]() { ::kill(getpid(), signal); });
        Run();
        QVERIFY(strike.Done);
        QTRY_VERIFY(Form->isHidden());
        QCOMPARE(handling.ExitStatus(), 128 + signal);
        VerifyFailedCleanly(miCancelled);
        QCOMPARE(ChildrenOf(getpid()), QList<pid_t>());
    }

    // A box waiting for an answer (the update offer after a run) is answered
    // No, and the window closes only once the box is gone: closing under it
    // would free what the routine that asked still uses.
    void signalWhileABoxWaits()
    {
        TDialogs::SetTestMode(false);
        TDialogs::SetShowBoxesHeadless(true);
        const auto restore = qScopeGuard([]() {
            TDialogs::SetShowBoxesHeadless(false);
            TDialogs::SetTestMode(true);
        });
        bool shownWhenAsked = false;
        QTimer::singleShot(200, Form.get(), [&]() {
            shownWhenAsked = Form->isVisible() && QApplication::activeModalWidget();
            Form->CloseForSignal();
            shownWhenAsked = shownWhenAsked && Form->isVisible();
        });
        QVERIFY(!TDialogs::Confirm(Form.get(), "Frobnik", "Download the new version?"));
        QVERIFY(shownWhenAsked);
        QTRY_VERIFY(Form->isHidden());
    }

    // Killed outright, the program cannot stop its child; the kernel does.
    void killedProgramLeavesNoChild_data()
    {
        QTest::addColumn<bool>("join");
        QTest::newRow("during the encoder step") << false;
        QTest::newRow("during a join") << true;
    }

    void killedProgramLeavesNoChild()
    {
        QFETCH(bool, join);
        TProgramHome home;
        QProcess program;
        if (join) {
            home.ExtraEnvironment.insert("PATH", QString::fromUtf8(SlowJoinPath()));
            WriteTestFile(home.Media("A.VOB"), QByteArray(4000, 'a'));
            home.Start(program, qEnvironmentVariable("FROBNIK_DRILL_JOIN"),
                       {home.Media("joined.VOB"), home.Media("A.VOB")});
        } else {
            const QString clip = home.PutClip(LongClip(), "long.avi");
            home.Start(program, BuiltProgram(),
                       {"-inName=" + clip, "-format=webm", "-acm=autoClose"});
        }
        const QList<pid_t> children = WaitForChildren(program, join ? "sleep" : EncoderMark);
        QVERIFY(!children.isEmpty());
        QCOMPARE(::kill(pid_t(program.processId()), SIGKILL), 0);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY2(AllGoneWithin(children, 5000), "a child outlived the program");
    }

    // Two copies at once; one of them killed. The next start clears what the
    // dead one left and keeps what the living one holds.
    void staleTemporariesOfKilledCopy()
    {
        TProgramHome home;
        home.PutClip(LongClip(), "running.avi");
        home.PutClip(LongClip(), "killed.avi");
        const QDir data(QDir(home.Data()).filePath("Frobnik"));
        const QStringList patterns{"progress*.txt", "concat*.txt", "output-*.lock"};
        QProcess running;
        home.Start(running, BuiltProgram(),
                   {"-inName=" + home.Media("running.avi"), "-format=webm", "-acm=autoClose"});
        QVERIFY(!WaitForChildren(running, EncoderMark).isEmpty());
        const QStringList held = data.entryList(patterns, QDir::Files);
        QCOMPARE(held.size(), 2);

        QProcess killed;
        home.Start(killed, BuiltProgram(),
                   {"-inName=" + home.Media("killed.avi"), "-format=webm", "-acm=autoClose"});
        const QList<pid_t> killedEncoder = WaitForChildren(killed, EncoderMark);
        QVERIFY(!killedEncoder.isEmpty());
        QCOMPARE(::kill(pid_t(killed.processId()), SIGKILL), 0);
        QVERIFY(killed.waitForFinished(10000));
        QVERIFY(AllGoneWithin(killedEncoder, 5000));
        // A folder's list, as a killed copy leaves it.
        WriteTestFile(data.filePath("concat77.txt"), "file '/x.mp4'\r\n");
        QStringList stale = data.entryList(patterns, QDir::Files);
        for (const QString &name : held)
            stale.removeAll(name);
        QCOMPARE(stale.size(), 3);
        // Old enough that only whether they are held decides.
        for (const QString &name : data.entryList(patterns, QDir::Files))
            Backdate(data.filePath(name), 120);

        {
            const TScopedEnv dataHome("XDG_DATA_HOME", home.Data().toUtf8());
            TMainForm next;
            QCOMPARE(next.AppDataDir, data.path() + '/');
        }
        QCOMPARE(data.entryList(patterns, QDir::Files), held);

        QCOMPARE(::kill(pid_t(running.processId()), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(running.state() == QProcess::NotRunning, 30000);
        QCOMPARE(running.exitCode(), 128 + SIGTERM);
        QCOMPARE(data.entryList(patterns, QDir::Files), QStringList());
    }

    // Every progress file name is a link to a file of the user's: the run
    // must not hand any of them to the encoder, which would write through it.
    void everyTemporaryNameTaken()
    {
        Prepare(WorkPath("in/long.avi"), "MP4", WorkPath("out/film.mp4"));
        const QString mine = QDir(OutDir).filePath("mine.txt");
        const QString data = Form->AppDataDir;
        const auto removeLinks = qScopeGuard([&]() {
            for (int n = 0; n < 10000; ++n)
                QFile::remove(data + QString("progress%1.txt").arg(n));
        });
        for (int n = 0; n < 10000; ++n)
            QVERIFY(QFile::link(mine, data + QString("progress%1.txt").arg(n)));
        Run();
        VerifyFailedCleanly(miNoOutput);
    }

    // A FIFO as the source, in a folder, or put where the source was: no
    // probe, no encoder, nothing that waits for a writer.
    void fifoIsNoSource()
    {
        const QString source = WorkPath("out/clip.avi");
        WriteTestFile(source, ClipBytes);
        Prepare(source, "MP4", WorkPath("out/film.mp4"));
        QVERIFY(QFile::remove(source));
        MakeFifo(source);
        const QString fifo = WorkPath("out/pipe.avi");
        MakeFifo(fifo);
        const QString folder = WorkPath("out/mixed/");
        WriteTestFile(folder + "a.avi", ClipBytes);
        MakeFifo(folder + "b.avi");
        QVERIFY(QFile::link(fifo, folder + "c.avi"));
        TFifoWatch watch({source, fifo, folder + "b.avi"});

        Run();
        VerifyFailedCleanly(miNoOutput);

        Form->SelectSource(fifo);
        QVERIFY(!Form->ConvertBitBtn->isEnabled());
        for (const QStringList &arguments :
             {QStringList{"frobnik", "-inName=" + fifo}, QStringList{"frobnik", fifo}})
            QCOMPARE(ParseCommandLineOptions(arguments, Form->DevicePresets.get()).coSourceFileName,
                     QString());
        Form->SelectSource(folder);
        QVERIFY(Form->ConvertBitBtn->isEnabled());
        QCOMPARE(Form->VideoSourceInfo.vsCopyConcatFiles, QStringList{folder + "a.avi"});
        QVERIFY(!watch.ReaderSeen);
    }

    void dataFilesThatAreNoFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("fifo");
        QTest::newRow("presets.xml a FIFO") << "presets.xml" << true;
        QTest::newRow("presets.xml a link to /dev/zero") << "presets.xml" << false;
        QTest::newRow("language file a FIFO") << "Languages/English.lng" << true;
        QTest::newRow("language file a link to /dev/zero") << "Languages/English.lng" << false;
    }

    // Read at start-up: neither may hold it for ever or eat the memory.
    void dataFilesThatAreNoFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, fifo);
        const QString path = Program->Path(file);
        QVERIFY(QFile::remove(path));
        if (fifo)
            MakeFifo(path);
        else
            QVERIFY(QFile::link("/dev/zero", path));
        TFifoWatch watch(fifo ? QStringList{path} : QStringList());
        TMainForm form;
        QVERIFY(!watch.ReaderSeen);
        if (file == "presets.xml")
            QCOMPARE(form.DevicePresets->Count(), 0);
        else
            QCOMPARE(Message(form, miConverted), QString());
    }

    // Without a display the update offer goes to the terminal: what the
    // update service wrote must not steer it.
    void updateOfferReachesTheTerminalClean()
    {
        TTestHttpServer server;
        QVERIFY(server.Listen());
        const QByteArray changes = "Faster\x1b]0;owned\x07 and \x1b[2Jcleaner\r\nnow";
        server.Route("/update.php",
                     TTestHttpServer::Response(
                         200, "OK",
                         "<newversioninfo><version>99.0.0.1</version><changes>" + changes +
                             "</changes><downloadurl>http://dl.frobnik.example.org/f.deb"
                             "</downloadurl></newversioninfo>",
                         "text/xml; charset=utf-8"));
        TProgramHome home;
        // No check recorded yet: the run starts the quiet one.
        WriteTestFile(QDir(home.Config()).filePath("qbx/Frobnik.conf"),
                      "[General]\nLanguage=English\n");
        home.ExtraEnvironment.insert("FROBNIK_UPDATE_URL", server.Url("/update.php"));
        const QString clip = home.PutClip(LongClip(), "long.avi");
        QProcess program;
        home.Start(program, BuiltProgram(), {"-inName=" + clip, "-format=mp3", "-acm=autoClose"});
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, ConversionTimeoutMs);
        const QByteArray printed = program.readAll();
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(printed.contains("Faster]0;owned and [2Jcleaner\nnow."), printed.constData());
        for (const char control : {'\x1b', '\x07', '\r'})
            QVERIFY2(!printed.contains(control), printed.constData());
    }

    void dataFolderFallbackIsPrivate_data()
    {
        QTest::addColumn<bool>("squatted");
        QTest::newRow("nothing there yet") << false;
        QTest::newRow("another user's folders there first") << true;
    }

    // Neither the data folder nor the program folder can take the temporary
    // files: the fallback is a folder of this user's alone.
    void dataFolderFallbackIsPrivate()
    {
        QFETCH(bool, squatted);
        uid_t other = 0;
        gid_t otherGroup = 0;
        if (squatted && !OtherUser(other, otherGroup))
            QSKIP("making folders another user owns needs root");
        const QString tmp = WorkPath("tmp");
        QDir(tmp).removeRecursively();
        QVERIFY(QDir().mkpath(tmp));
        const QString blocker = WorkPath("out/data-is-a-file");
        WriteTestFile(blocker, "x");
        const TScopedEnv dataHome("XDG_DATA_HOME", blocker.toUtf8());
        const TScopedEnv temp("TMPDIR", tmp.toUtf8());
        const TScopedEnv runtime("XDG_RUNTIME_DIR", WorkPath("no-runtime").toUtf8());
        // A program folder anybody may write in is no place for them either.
        const QString programDir = QFileInfo(Program->Path("presets.xml")).path();
        QVERIFY(QFile::setPermissions(programDir, QFileDevice::Permissions(0x7777)));
        const QString victim = WorkPath("out/victim.txt");
        WriteTestFile(victim, UserBytes);
        const QStringList shared{tmp + "/Frobnik", tmp + "/Frobnik-" + QString::number(geteuid())};
        if (squatted) {
            for (const QString &folder : shared) {
                QVERIFY(QDir().mkpath(folder));
                for (int n = 0; n < 10000; ++n)
                    QVERIFY(QFile::link(victim, folder + QString("/progress%1.txt").arg(n)));
                QCOMPARE(::chown(QFile::encodeName(folder).constData(), other, otherGroup), 0);
                QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
            }
        }
        const QString clip = WorkPath("out/clip.avi");
        WriteTestFile(clip, ClipBytes);

        auto window = std::make_unique<TMainForm>();
        const QString dir = window->AppDataDir;
        QVERIFY2(dir.startsWith(tmp + '/'), qPrintable(dir));
        if (squatted) {
            for (const QString &folder : shared)
                QVERIFY2(!dir.startsWith(folder + '/'), qPrintable(dir));
        } else {
            QCOMPARE(dir, shared[1] + '/');
        }
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(ExcludeTrailingPathDelimiter(dir)).constData(), &st), 0);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(st.st_uid, geteuid());
        QCOMPARE(st.st_mode & 0777, mode_t(0700));

        window->show();
        window->SelectSource(clip);
        ChooseFormat(*window, "MP3");
        window->OutVideoFileBEdit->setText(WorkPath("out/clip.mp3"));
        window->ConvertBitBtn->click();
        QCOMPARE(window->InfoLabel->text(), Message(*window, miConverted));
        QCOMPARE(ReadAll(victim), UserBytes);
        QVERIFY(window->close());
        window.reset();
        // A folder made for this start alone goes with it.
        QCOMPARE(QDir(dir).exists(), !squatted);
        QFile::setPermissions(programDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
    }
};

QTEST_MAIN(TestDrills)
#include "tst_drills.moc"
