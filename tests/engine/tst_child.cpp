#include "conversion/ChildRunner.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "conversion/Progress.h"
#include "conversion/SourceProbe.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>

// The child runner, the capture and probing, driven by the fake encoder.
class TestEngineChild : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void exitCodesPassThrough_data();
    void exitCodesPassThrough();
    void failedStartGivesZero_data();
    void failedStartGivesZero();
    void stopGivesCancelledEvenOnCleanExit();
    void stopKillsChildThatIgnoresTerminate();
    void crashIsNotSuccess();
    void childGetsNullStandardInput();
    void progressReadWhileChildWrites();
    void joinWritesFilesInOrder();
    void joinOfMissingFileFails();
    void joinCanBeStopped();
    void captureKeepsOrderOfBothChannels();
    void captureGivesArgumentsIntact();
    void captureOfMissingProgram();
    void captureIsBounded_data();
    void captureIsBounded();
    void captureDropsZeroBytes();
    void encoderLocation();
    void probeFileWithFakeEncoder();
    void probeFolderPassesEachFileAsOneArgument();
    void probeWithMissingEncoder();

private:
    QString Root() const { return FDir->path() + '/'; }
    QStringList ReadArgs() const;
    std::unique_ptr<QTemporaryDir> FDir;
    QString FFake;
};

static const char *const FakeVariables[] = {
    "FROBNIK_FAKE_ARGS_FILE",   "FROBNIK_FAKE_READ_STDIN",  "FROBNIK_FAKE_PRINT",
    "FROBNIK_FAKE_PRINT_FILE",  "FROBNIK_FAKE_INTERLEAVE",  "FROBNIK_FAKE_FLOOD",
    "FROBNIK_FAKE_DURATION_MS", "FROBNIK_FAKE_STEPS",       "FROBNIK_FAKE_STEP_MS",
    "FROBNIK_FAKE_GATE",        "FROBNIK_FAKE_OUTPUT",      "FROBNIK_FAKE_COUNTER",
    "FROBNIK_FAKE_HANG",        "FROBNIK_FAKE_IGNORE_TERM", "FROBNIK_FAKE_TERM_EXIT",
    "FROBNIK_FAKE_CRASH",       "FROBNIK_FAKE_EXIT",        "FROBNIK_ENCODER"};

void TestEngineChild::initTestCase()
{
    FFake = FakeEncoderPath();
    QVERIFY2(QFileInfo(FFake).isExecutable(),
             "FROBNIK_FAKE_ENCODER must name the built fake encoder");
}

void TestEngineChild::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    for (const char *name : FakeVariables)
        qunsetenv(name);
    qputenv("FROBNIK_FAKE_ARGS_FILE", QFile::encodeName(Root() + "args"));
    SetEncoderProgram(FFake);
    SetProgramFolder(QString());
}

void TestEngineChild::cleanup()
{
    for (const char *name : FakeVariables)
        qunsetenv(name);
    SetEncoderProgram(QString());
    SetProgramFolder(QString());
}

QStringList TestEngineChild::ReadArgs() const
{
    QFile f(Root() + "args");
    if (!f.open(QIODevice::ReadOnly))
        return {"<no arguments written>"};
    QStringList args;
    for (const QByteArray &a : f.readAll().split('\0'))
        args << QString::fromUtf8(a);
    args.removeLast();
    return args;
}

static TChildCommand Fake(const QString &Program, const QStringList &Args = {})
{
    return TChildCommand{Program, Args, QString()};
}

void TestEngineChild::exitCodesPassThrough_data()
{
    QTest::addColumn<int>("code");
    for (int code : {0, 1, 2, 69, 255})
        QTest::addRow("%d", code) << code;
}

void TestEngineChild::exitCodesPassThrough()
{
    QFETCH(int, code);
    qputenv("FROBNIK_FAKE_EXIT", QByteArray::number(code));
    TChildRunner runner;
    QCOMPARE(runner.Run(Fake(FFake), TStepKind::Encoder, {}), code);
    QVERIFY(runner.LastStarted());
    QVERIFY(!runner.LastCancelled());
    QVERIFY(!runner.LastCrashed());
}

void TestEngineChild::failedStartGivesZero_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("outputFile");
    QTest::newRow("missing program") << "/nonexistent/ffmpeg" << QString();
    QTest::newRow("not executable") << "notExecutable" << QString();
    QTest::newRow("a folder") << "" << QString();
    QTest::newRow("output into a missing folder") << "fake"
                                                  << "/nonexistent/dir/joined.VOB";
}

void TestEngineChild::failedStartGivesZero()
{
    QFETCH(QString, program);
    QFETCH(QString, outputFile);
    WriteTestFile(Root() + "notExecutable", "#!/bin/sh\nexit 7\n");
    const QString path = program == "fake"         ? FFake
                         : program.startsWith('/') ? program
                                                   : Root() + program;
    TChildRunner runner;
    bool polled = false;
    const int result = runner.Run(TChildCommand{path, {}, outputFile}, TStepKind::Encoder,
                                  [&](TStepKind) { return polled = true; });
    QCOMPARE(result, 0);
    QVERIFY(!runner.LastStarted());
    QVERIFY(!polled);
}

void TestEngineChild::stopGivesCancelledEvenOnCleanExit()
{
    qputenv("FROBNIK_FAKE_HANG", "1");
    qputenv("FROBNIK_FAKE_TERM_EXIT", "0");
    TChildRunner runner;
    int polls = 0;
    const int result =
        runner.Run(Fake(FFake), TStepKind::Encoder, [&](TStepKind) { return ++polls == 2; });
    QCOMPARE(result, StepCancelledResult);
    QVERIFY(runner.LastCancelled());
    QVERIFY(polls >= 2);
}

void TestEngineChild::stopKillsChildThatIgnoresTerminate()
{
    qputenv("FROBNIK_FAKE_HANG", "1");
    qputenv("FROBNIK_FAKE_IGNORE_TERM", "1");
    TChildRunner runner;
    runner.SetTerminateGraceMs(300);
    int pollsAfterStop = -1;
    const int result = runner.Run(Fake(FFake), TStepKind::Encoder, [&](TStepKind) {
        ++pollsAfterStop;
        return true;
    });
    QCOMPARE(result, StepCancelledResult);
    // The window keeps being serviced while the stopped child is ending.
    QVERIFY(pollsAfterStop >= 1);
}

void TestEngineChild::crashIsNotSuccess()
{
    qputenv("FROBNIK_FAKE_CRASH", "1");
    TChildRunner runner;
    const int result = runner.Run(Fake(FFake), TStepKind::Encoder, {});
    QCOMPARE(result, 128 + SIGSEGV);
    QVERIFY(runner.LastCrashed());
    QVERIFY(!runner.LastCancelled());
}

void TestEngineChild::childGetsNullStandardInput()
{
    // A child that reads its input would wait for ever on an open pipe.
    qputenv("FROBNIK_FAKE_READ_STDIN", "1");
    qputenv("FROBNIK_FAKE_EXIT", "5");
    TChildRunner runner;
    QCOMPARE(runner.Run(Fake(FFake), TStepKind::Encoder, {}), 5);
    qputenv("FROBNIK_FAKE_PRINT", "read all");
    QCOMPARE(RunAndCapture(FFake, {}, Root()), QString("read all"));
}

void TestEngineChild::progressReadWhileChildWrites()
{
    const std::unique_ptr<THeldFile> progressFile = NewProgressFile(Root());
    QVERIFY(progressFile);
    const QString progress = progressFile->FileName();
    const QString gate = Root() + "gate";
    const QString output = Root() + "out put.mp4";
    qputenv("FROBNIK_FAKE_GATE", QFile::encodeName(gate));
    qputenv("FROBNIK_FAKE_STEPS", "5");
    qputenv("FROBNIK_FAKE_STEP_MS", "0");
    qputenv("FROBNIK_FAKE_DURATION_MS", "1000");
    QList<int> seen;
    QList<TStepKind> kinds;
    int step = 0;
    TChildRunner runner;
    const int result =
        runner.Run(Fake(FFake, {"-progress", progress, "-i", Root() + "in.mp4", "-y", output}),
                   TStepKind::Encoder, [&](TStepKind kind) {
                       kinds << kind;
                       seen << GetEncodeProgress(progress, 1000).Percent;
                       // Let the child write its next block, and wait until it has, so
                       // that every poll sees exactly one more block.
                       const qint64 before = QFileInfo(progress).size();
                       WriteTestFile(gate, QByteArray::number(++step));
                       QElapsedTimer patience;
                       patience.start();
                       while (QFileInfo(progress).size() == before && patience.elapsed() < 10000)
                           QThread::msleep(5);
                       return false;
                   });
    QCOMPARE(result, 0);
    QCOMPARE(seen, QList<int>({0, 20, 40, 60, 80}));
    QCOMPARE(kinds, QList<TStepKind>(5, TStepKind::Encoder));
    const TProgress last = GetEncodeProgress(progress, 1000);
    QCOMPARE(last.Percent, 100);
    QCOMPARE(last.Hundredths, 10000);
    QCOMPARE(QFileInfo(output).size(), qint64(4096));
}

void TestEngineChild::joinWritesFilesInOrder()
{
    const QStringList names = {"-dash.VOB", "it's.VOB", "q\"uote d.VOB"};
    QStringList files;
    QByteArray all;
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray bytes = QByteArray(1000 * (i + 1), char('a' + i));
        WriteTestFile(Root() + names[i], bytes);
        files << Root() + names[i];
        all += bytes;
    }
    const QString joined = Root() + "out.mp4.VOB";
    TChildRunner runner;
    QCOMPARE(runner.Run(JoinCommand(files, joined), TStepKind::Join, {}), 0);
    QFile f(joined);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), all);
    QCOMPARE(GetJoinProgress(joined, all.size()).Percent, 100);
}

void TestEngineChild::joinOfMissingFileFails()
{
    WriteTestFile(Root() + "a.VOB", "aaa");
    TChildRunner runner;
    const int result =
        runner.Run(JoinCommand({Root() + "a.VOB", Root() + "gone.VOB"}, Root() + "j.VOB"),
                   TStepKind::Join, {});
    QVERIFY(result != 0);
    QVERIFY(result != StepCancelledResult);
}

void TestEngineChild::joinCanBeStopped()
{
    // A named pipe without a writer keeps the join waiting until it is stopped.
    const QString fifo = Root() + "slow.VOB";
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QList<TStepKind> kinds;
    TChildRunner runner;
    const int result =
        runner.Run(JoinCommand({fifo}, Root() + "j.VOB"), TStepKind::Join, [&](TStepKind kind) {
            kinds << kind;
            return true;
        });
    QCOMPARE(result, StepCancelledResult);
    QVERIFY(!kinds.isEmpty());
    QCOMPARE(kinds.first(), TStepKind::Join);
}

void TestEngineChild::captureKeepsOrderOfBothChannels()
{
    qputenv("FROBNIK_FAKE_INTERLEAVE", "200");
    QString expected;
    for (int i = 0; i < 200; ++i)
        expected += QString(i % 2 == 0 ? "out %1\n" : "err %1\n").arg(i);
    QCOMPARE(RunAndCapture(FFake, {}, Root()), expected);
}

void TestEngineChild::captureGivesArgumentsIntact()
{
    const QStringList args = {"-i",   "/m/a b.mp4", "\"quoted\"", "-y",
                              "it's", "Ünï клип",   "",           "a;b|c&d $(x)"};
    bool started = false;
    RunAndCaptureBytes(FFake, args, Root(), {}, &started);
    QVERIFY(started);
    QCOMPARE(ReadArgs(), args);
}

void TestEngineChild::captureOfMissingProgram()
{
    bool started = true;
    QVERIFY(RunAndCaptureBytes(Root() + "nothing", {"-i", "x"}, Root(), {}, &started).isEmpty());
    QVERIFY(!started);
    QVERIFY(RunAndCapture(Root() + "nothing", {}, Root()).isEmpty());
}

void TestEngineChild::captureIsBounded_data()
{
    QTest::addColumn<QByteArray>("flood");
    QTest::addColumn<bool>("hang");
    QTest::addColumn<int>("expected");
    QTest::newRow("more than the limit") << QByteArray("50000000") << false << 1000000;
    QTest::newRow("without end") << QByteArray("forever") << false << 1000000;
    QTest::newRow("less, then silence") << QByteArray("12345") << true << 12345;
}

void TestEngineChild::captureIsBounded()
{
    QFETCH(QByteArray, flood);
    QFETCH(bool, hang);
    QFETCH(int, expected);
    qputenv("FROBNIK_FAKE_FLOOD", flood);
    if (hang)
        qputenv("FROBNIK_FAKE_HANG", "1");
    TCaptureLimits limits;
    limits.MaxBytes = 1000000;
    limits.SilenceMs = 500;
    const QByteArray bytes = RunAndCaptureBytes(FFake, {}, Root(), limits);
    QCOMPARE(bytes.size(), expected);
    QCOMPARE(bytes.count('x'), expected);
}

void TestEngineChild::captureDropsZeroBytes()
{
    const QByteArray printed("Dura\0tion: 00:00:02.00, \xff\xfe\0 Stream #0:0: Video: h264, x", 52);
    WriteTestFile(Root() + "print", printed);
    qputenv("FROBNIK_FAKE_PRINT_FILE", QFile::encodeName(Root() + "print"));
    const QString text = RunAndCapture(FFake, {}, Root());
    QVERIFY(!text.contains(QChar(0)));
    TVSourceInfo info;
    ParseProbeText(text, info);
    QCOMPARE(info.vsTotalSourceDuration, qint64(2000));
    QCOMPARE(info.vsVideoCodecLC, QString("h264"));
}

void TestEngineChild::encoderLocation()
{
    SetEncoderProgram(QString());
    const QString folder = Root() + "program";
    QVERIFY(QDir().mkpath(folder));
    SetProgramFolder(folder + '/');
    QCOMPARE(ProgramFolder(), folder);

    // Nothing beside the program: the one on the search path.
    QCOMPARE(EncoderProgramPath(), QStandardPaths::findExecutable("ffmpeg"));
    {
        TScopedEnv path("PATH", QFile::encodeName(Root() + "emptyPath"));
        QCOMPARE(EncoderProgramPath(), folder + "/ffmpeg");
    }
    // A file that cannot run does not count.
    WriteTestFile(folder + "/ffmpeg", "not a program");
    QCOMPARE(EncoderProgramPath(), QStandardPaths::findExecutable("ffmpeg"));
    QVERIFY(QFile::remove(folder + "/ffmpeg"));
    QVERIFY(QFile::copy(FFake, folder + "/ffmpeg"));
    QCOMPARE(EncoderProgramPath(), folder + "/ffmpeg");
    {
        TScopedEnv encoder("FROBNIK_ENCODER", "/opt/other/ffmpeg");
        QCOMPARE(EncoderProgramPath(), QString("/opt/other/ffmpeg"));
        SetEncoderProgram("/set/by/test");
        QCOMPARE(EncoderProgramPath(), QString("/set/by/test"));
    }
}

void TestEngineChild::probeFileWithFakeEncoder()
{
    const QString source = Root() + "-x \"q\" it's.mp4";
    WriteTestFile(source, QByteArray(1234, 'v'));
    qputenv("FROBNIK_FAKE_PRINT",
            "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'x':\n"
            "  Duration: 00:01:02.50, start: 0.000000, bitrate: 5 kb/s\n"
            "  Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661), yuv420p\n"
            "  Stream #0:1(und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz\n");
    TVSourceInfo info;
    info.vsSubtitle = true;
    QVERIFY(ProbeSource(source, info, Root() + "appdata/"));
    QCOMPARE(ReadArgs(), QStringList({"-i", source}));
    QCOMPARE(info.vsFileName, source);
    QVERIFY(!info.vsIsDVD && !info.vsIsFolderToConcat);
    QCOMPARE(info.vsTotalSourceDuration, qint64(62500));
    QCOMPARE(info.vsVideoCodecLC, QString("h264 (high) (avc1 / 0x31637661)"));
    QCOMPARE(info.vsAudioCodecLC, QString("aac (lc) (mp4a / 0x6134706d)"));
    QVERIFY(!info.vsSubtitle);
    QCOMPARE(info.vsTotalSourceSize, qint64(1234));
    QCOMPARE(info.vsFFMpegIsrcStr(), " -i \"" + source + "\"");
    QCOMPARE(info.vsFFMpegInputArgs, QStringList({"-i", source}));
    QVERIFY(info.vsConcatTXTFileName.isEmpty());

    // A source that has vanished: size -1, everything else as the encoder says.
    QVERIFY(ProbeSource(Root() + "gone.mp4", info, Root() + "appdata/"));
    QCOMPARE(info.vsTotalSourceSize, qint64(-1));
    // A folder path without a trailing separator is probed as a file.
    QVERIFY(ProbeSource(Root(), info, Root() + "appdata/"));
    QVERIFY(info.vsIsFolderToConcat);
    QVERIFY(ProbeSource(Root() + "appdata", info, Root() + "appdata/"));
    QVERIFY(!info.vsIsFolderToConcat);
}

void TestEngineChild::probeFolderPassesEachFileAsOneArgument()
{
    const QString dir = Root() + "My Clips/";
    WriteTestFile(dir + "-b.mp4", "bb");
    WriteTestFile(dir + "a \"1\".mkv", "a");
    TVSourceInfo info;
    QVERIFY(ProbeSource(dir, info, Root() + "appdata/"));
    QCOMPARE(ReadArgs(), QStringList({"-i", dir + "-b.mp4", "-i", dir + "a \"1\".mkv"}));
    QCOMPARE(info.vsTotalSourceSize, qint64(3));
    QVERIFY(!info.vsIsDVD);
    QVERIFY(QFileInfo::exists(info.vsConcatTXTFileName));

    // Probing again (the same folder or another source) replaces the list.
    const QString firstList = info.vsConcatTXTFileName;
    QVERIFY(ProbeSource(dir, info, Root() + "appdata/"));
    QVERIFY(!QFileInfo::exists(firstList) || info.vsConcatTXTFileName == firstList);
    const QString secondList = info.vsConcatTXTFileName;
    QVERIFY(QFileInfo::exists(secondList));
    QVERIFY(ProbeSource(dir + "-b.mp4", info, Root() + "appdata/"));
    QVERIFY(!QFileInfo::exists(secondList));
    QCOMPARE(QDir(Root() + "appdata/").entryList(QDir::Files), QStringList());
}

void TestEngineChild::probeWithMissingEncoder()
{
    SetEncoderProgram(Root() + "no-ffmpeg-here");
    WriteTestFile(Root() + "a.mp4", "a");
    TVSourceInfo info;
    QVERIFY(ProbeSource(Root() + "a.mp4", info, Root() + "appdata/"));
    QVERIFY(info.vsFFMpegOutText.isEmpty());
    QCOMPARE(info.vsTotalSourceDuration, qint64(0));
    QVERIFY(info.vsVideoCodecLC.isEmpty() && info.vsAudioCodecLC.isEmpty());
    QVERIFY(!info.vsSubtitle);
    QCOMPARE(info.vsTotalSourceSize, qint64(1));
}

QTEST_GUILESS_MAIN(TestEngineChild)
#include "tst_child.moc"
