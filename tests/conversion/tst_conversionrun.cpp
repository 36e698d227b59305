// The conversion run without a window, with the fake encoder: its outcomes,
// its clean-up, its order of steps, cancel in each step, the join, the
// keep-sound second try and the progress rules.

#include "engine/EngineTestUtils.h"

#include "conversion/CommandLine.h"
#include "conversion/ConversionRun.h"
#include "conversion/EncoderProgram.h"
#include "conversion/Progress.h"
#include "conversion/SourceProbe.h"
#include "support/PathUtils.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

QByteArray ProbeText(const char *_duration)
{
    return QByteArray("Input #0, avi, from 'clip.avi':\n  Duration: ") + _duration +
           ", start: 0.000000, bitrate: 100 kb/s\n"
           "  Stream #0:0: Video: mpeg4 (Simple Profile), yuv420p, 160x120\n"
           "  Stream #0:1: Audio: mp3, 44100 Hz, stereo\n";
}

// Writes down what the run reports, in order, and lets a test act inside it.
class TRecorder : public IRunObserver
{
public:
    QStringList Events;
    QList<int> Percents;
    TRunProgress LastProgress;
    std::function<void(int, const QString &)> OnStatus;

    void RunRefused(int _messageId, const QString &_fileName) override
    {
        Events << QStringLiteral("refused %1 %2").arg(_messageId).arg(_fileName);
    }
    void RunOutputNameChanged(const QString &_name) override
    {
        Events << QStringLiteral("name ") + ExtractFileName(_name);
    }
    void RunAccepted() override { Events << QStringLiteral("accepted"); }
    void RunStatus(int _messageId, const QString &_suffix) override
    {
        LastStatus = QString::number(_messageId) + u' ' + _suffix;
        // Progress statuses come by the dozen; one entry says they came.
        const QString entry = QStringLiteral("status %1").arg(_messageId);
        if (Events.isEmpty() || Events.last() != entry)
            Events << entry;
        if (OnStatus)
            OnStatus(_messageId, _suffix);
    }
    void RunStepsStarting() override { Events << QStringLiteral("steps"); }
    void RunStepsEnded() override { Events << QStringLiteral("ended"); }
    void RunProgress(const TRunProgress &_progress) override
    {
        Percents << _progress.Percent;
        LastProgress = _progress;
    }
    void RunKeepSoundDropped() override { Events << QStringLiteral("keep sound dropped"); }
    QString LastStatus;
};

} // namespace

class TestConversionRun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Work;
    QString Out;
    TVSourceInfo Source;
    TRunRequest Request;
    std::unique_ptr<TConversionRun> Run;
    TRecorder Recorder;

    QString WorkPath(const QString &_name) const { return Work.filePath(_name); }
    QStringList EncoderRuns() const
    {
        return QString::fromUtf8(ReadAll(WorkPath("encoder.log")))
            .split(u'\n', Qt::SkipEmptyParts)
            .filter(QStringLiteral("-progress "));
    }
    int ProbeRuns() const
    {
        return int(QString::fromUtf8(ReadAll(WorkPath("encoder.log")))
                       .split(u'\n', Qt::SkipEmptyParts)
                       .size() -
                   EncoderRuns().size());
    }
    // Temporary files lying about: progress, concat lists and locks in the
    // data folder, joined files beside the output.
    QStringList Temporaries() const
    {
        QStringList left;
        for (const QFileInfo &entry :
             QDir(Request.AppDataDir).entryInfoList({"progress*.txt", "concat*.txt"}, QDir::Files))
            left << entry.fileName();
        for (const QFileInfo &entry : QDir(WorkPath("out")).entryInfoList({"*.VOB"}, QDir::Files))
            left << entry.fileName();
        return left;
    }
    TRunOutcome Convert() { return Run->Run(Request, Source, Recorder); }
    void UseSource(const QString &_path) { Request.Settings.SourceFileName = _path; }
    QString MakeDvdFolder()
    {
        WriteTestFile(WorkPath("dvd/A.VOB"), QByteArray(4000, 'a'));
        WriteTestFile(WorkPath("dvd/B.VOB"), QByteArray(4000, 'b'));
        return WorkPath("dvd") + u'/';
    }
    void UseJoinScript(const QByteArray &_body)
    {
        WriteScript(WorkPath("bin/cat"), "shift\n" + _body);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Work.isValid());
        QVERIFY2(QFileInfo(FakeEncoderPath()).isExecutable(), "FROBNIK_FAKE_ENCODER not set");
        WriteLoggingEncoder(Work.path());
        QDir().mkpath(WorkPath("program"));
        SetProgramFolder(WorkPath("program"));
    }

    void init()
    {
        for (const char *folder : {"out", "dvd", "clips", "bin", "data"})
            QDir(WorkPath(folder)).removeRecursively();
        for (const char *file : {"encoder.log", "snap", "counter"})
            QFile::remove(WorkPath(file));
        QDir().mkpath(WorkPath("out"));
        QDir().mkpath(WorkPath("data"));
        qputenv("FROBNIK_FAKE_PRINT", ProbeText("00:00:01.00"));
        SetEncoderProgram(WorkPath("encoder"));
        Out = WorkPath("out/film.mp4");
        WriteTestFile(WorkPath("in/clip.avi"), "source");
        Source.Clear();
        Request = TRunRequest();
        Request.AppDataDir = WorkPath("data") + u'/';
        Request.Settings.OutFileName = Out;
        UseSource(WorkPath("in/clip.avi"));
        Run = std::make_unique<TConversionRun>();
        Recorder = TRecorder();
    }

    void cleanupTestCase()
    {
        SetEncoderProgram(QString());
        SetProgramFolder(QString());
    }

    void outcomes_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("outputKept");
        const auto row = [](const char *_name, const QStringList &_env, TRunOutcome _outcome,
                            bool _kept) { QTest::newRow(_name) << _env << int(_outcome) << _kept; };
        row("converted", {}, TRunOutcome::Converted, true);
        row("empty output", {"FROBNIK_FAKE_OUTPUT=empty"}, TRunOutcome::EmptyOutput, false);
        row("no output", {"FROBNIK_FAKE_OUTPUT=none"}, TRunOutcome::NoOutput, false);
        row("error exit with output", {"FROBNIK_FAKE_EXIT=1"}, TRunOutcome::NoOutput, false);
        // 40 is what a stopped step returns, but nobody asked to stop.
        row("exits 40 by itself", {"FROBNIK_FAKE_EXIT=40"}, TRunOutcome::NoOutput, false);
        row("crash with output", {"FROBNIK_FAKE_CRASH=1"}, TRunOutcome::NoOutput, false);
        row("error exit, empty output", {"FROBNIK_FAKE_EXIT=1", "FROBNIK_FAKE_OUTPUT=empty"},
            TRunOutcome::EmptyOutput, false);
        // The encoder stopped reading early and still exited 0.
        row("half of the source",
            {"FROBNIK_FAKE_PRINT=" + ProbeText("00:00:10.00"), "FROBNIK_FAKE_DURATION_MS=5000"},
            TRunOutcome::IncompleteOutput, true);
        row("6% short",
            {"FROBNIK_FAKE_PRINT=" + ProbeText("00:01:40.00"), "FROBNIK_FAKE_DURATION_MS=94000"},
            TRunOutcome::IncompleteOutput, true);
        row("4% short",
            {"FROBNIK_FAKE_PRINT=" + ProbeText("00:01:40.00"), "FROBNIK_FAKE_DURATION_MS=96000"},
            TRunOutcome::Converted, true);
        row("5% short but under a second",
            {"FROBNIK_FAKE_PRINT=" + ProbeText("00:00:10.00"), "FROBNIK_FAKE_DURATION_MS=9050"},
            TRunOutcome::Converted, true);
        row("length unknown",
            {"FROBNIK_FAKE_PRINT=" + ProbeText("N/A"), "FROBNIK_FAKE_DURATION_MS=100"},
            TRunOutcome::Converted, true);
    }

    void outcomes()
    {
        QFETCH(QStringList, env);
        QFETCH(int, outcome);
        QFETCH(bool, outputKept);
        const TEnvSet set(env);
        QCOMPARE(int(Convert()), outcome);
        QCOMPARE(QFile::exists(Out), outputKept);
        QCOMPARE(Temporaries(), QStringList());
        QCOMPARE(Recorder.Events.first(), QStringLiteral("accepted"));
        const QStringList order{"accepted", "status 13020", "steps", "ended"};
        QCOMPARE(Recorder.Events, order);
        // A failure leaves the bar at 0; a success at its end.
        QCOMPARE(Recorder.Percents.last(), outcome == int(TRunOutcome::Converted) ? 100 : 0);
        QVERIFY(!Run->Running());
        QCOMPARE(ProbeRuns(), 1);
    }

    // A relative name, typed or given by a caller started elsewhere, reaches
    // the encoder as a plain absolute path: never read against the program
    // folder, never as a protocol ("ab:") or an option ("-x").
    void relativeSourcePaths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "clip.avi";
        QTest::newRow("colon like a protocol") << "ab:c.avi";
        QTest::newRow("file: prefix") << "file:holiday.avi";
        QTest::newRow("dash like an option") << "-y.avi";
    }

    void relativeSourcePaths()
    {
        QFETCH(QString, name);
        WriteTestFile(WorkPath("in/" + name), "source");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(WorkPath("in")));
        UseSource(name);
        const TRunOutcome outcome = Convert();
        QDir::setCurrent(before);
        QCOMPARE(outcome, TRunOutcome::Converted);
        const QStringList lines = QString::fromUtf8(ReadAll(WorkPath("encoder.log"))).split(u'\n');
        QCOMPARE(lines.first(), "-i " + WorkPath("in/" + name));
        QVERIFY2(EncoderRuns().first().contains(" -i " + WorkPath("in/" + name) + " "),
                 qPrintable(EncoderRuns().first()));
    }

    void missingEncoder()
    {
        SetEncoderProgram(WorkPath("nowhere/ffmpeg"));
        QCOMPARE(Convert(), TRunOutcome::NoOutput);
        SetEncoderProgram(WorkPath("encoder"));
        QCOMPARE(Temporaries(), QStringList());
        QCOMPARE(Recorder.Percents, QList<int>{0});
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("outputExists");
        QTest::addColumn<bool>("autoMode");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("output exists")
            << true << false << 0 << QStringList{"refused 13012 film.mp4"};
        QTest::newRow("no device chosen")
            << false << false << 1 << QStringList{"accepted", "status 13020", "refused 13018 "};
        QTest::newRow("unknown page")
            << false << false << 5 << QStringList{"accepted", "status 13020"};
        QTest::newRow("output exists, automatic: numbered name")
            << true << true << 0
            << QStringList{"name film[1].mp4", "accepted", "status 13020", "steps", "ended"};
    }

    void refusals()
    {
        QFETCH(bool, outputExists);
        QFETCH(bool, autoMode);
        QFETCH(int, page);
        QFETCH(QStringList, events);
        if (outputExists)
            WriteTestFile(Out, "USER");
        Request.AutoMode = autoMode;
        Request.Settings.VideoPageIndex = page;
        const TRunOutcome outcome = Convert();
        QCOMPARE(Recorder.Events, events);
        QCOMPARE(outcome, autoMode ? TRunOutcome::Converted : TRunOutcome::Refused);
        QCOMPARE(EncoderRuns().size(), autoMode ? 1 : 0);
        if (outputExists)
            QCOMPARE(ReadAll(Out), QByteArray("USER"));
        QCOMPARE(Run->OutFileName(), autoMode ? WorkPath("out/film[1].mp4") : Out);
    }

    void cancelDuringEncoder_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::newRow("terminated") << QStringList{"FROBNIK_FAKE_HANG=1"};
        QTest::newRow("exits 0 when terminated")
            << QStringList{"FROBNIK_FAKE_HANG=1", "FROBNIK_FAKE_TERM_EXIT=0"};
    }

    void cancelDuringEncoder()
    {
        QFETCH(QStringList, env);
        // A hanging fake would hang the probe too.
        ProbeSource(Request.Settings.SourceFileName, Source, Request.AppDataDir);
        const TEnvSet set(env);
        Recorder.OnStatus = [&](int _messageId, const QString &) {
            if (_messageId == msgConverting && QFile::exists(Out))
                Run->Cancel();
        };
        QCOMPARE(Convert(), TRunOutcome::Cancelled);
        QVERIFY(Run->CancelRequested());
        QVERIFY(!QFile::exists(Out));
        QCOMPARE(Recorder.Percents.last(), 0);
        QCOMPARE(Temporaries(), QStringList());
        // The stop belonged to that run only.
        Recorder.OnStatus = nullptr;
        qunsetenv("FROBNIK_FAKE_HANG");
        QCOMPARE(Convert(), TRunOutcome::Converted);
    }

    void cancelOutsideARunIsForgotten()
    {
        Run->Cancel();
        QCOMPARE(Convert(), TRunOutcome::Converted);
    }

    void cancelDuringJoin()
    {
        UseSource(MakeDvdFolder());
        UseJoinScript("head -c 1000 \"$1\"\nexec sleep 30\n");
        const TScopedEnv path("PATH", WorkPath("bin").toUtf8() + ':' + qgetenv("PATH"));
        // 1000 of 8000 bytes, truncated.
        Recorder.OnStatus = [&](int _messageId, const QString &_suffix) {
            if (_messageId == msgJoining && _suffix == u"12%")
                Run->Cancel();
        };
        QCOMPARE(Convert(), TRunOutcome::Cancelled);
        QCOMPARE(EncoderRuns().size(), 0);
        QVERIFY(Run->CopyVOBFileName().isEmpty());
        QVERIFY(!QFile::exists(Out));
        QVERIFY(Source.vsConcatTXTFileName.isEmpty());
        QCOMPARE(Recorder.Percents.last(), 0);
        QCOMPARE(Temporaries(), QStringList());
    }

    void joinFails()
    {
        UseSource(MakeDvdFolder());
        UseJoinScript("head -c 1000 \"$1\"\nexit 1\n");
        const TScopedEnv path("PATH", WorkPath("bin").toUtf8() + ':' + qgetenv("PATH"));
        QCOMPARE(Convert(), TRunOutcome::NoOutput);
        QCOMPARE(EncoderRuns().size(), 0);
        QCOMPARE(Recorder.Percents.last(), 0);
        QCOMPARE(Temporaries(), QStringList());
    }

    void dvdJoined_data()
    {
        QTest::addColumn<bool>("nameTaken");
        QTest::addColumn<QString>("joined");
        QTest::newRow("fresh name") << false << "film.mp4.VOB";
        QTest::newRow("name taken by another file") << true << "film.mp4[1].VOB";
    }

    void dvdJoined()
    {
        QFETCH(bool, nameTaken);
        QFETCH(QString, joined);
        UseSource(MakeDvdFolder());
        const QString taken = Out + ".VOB";
        if (nameTaken)
            WriteTestFile(taken, "USER");
        const TScopedEnv snap("RUN_SNAP", WorkPath("snap").toUtf8());
        QCOMPARE(Convert(), TRunOutcome::Converted);
        const QString joinedPath = JoinPath(WorkPath("out"), joined);
        QCOMPARE(EncoderRuns().size(), 1);
        QVERIFY2(EncoderRuns().first().contains(" -i " + joinedPath + " "),
                 qPrintable(EncoderRuns().first()));
        // The encoder read the two files joined byte by byte.
        QCOMPARE(ReadAll(WorkPath("snap")), QByteArray(4000, 'a') + QByteArray(4000, 'b'));
        QVERIFY(!QFile::exists(joinedPath));
        QCOMPARE(Run->CopyVOBFileName(), joinedPath);
        if (nameTaken)
            QCOMPARE(ReadAll(taken), QByteArray("USER"));
        QCOMPARE(Recorder.Events.mid(2), (QStringList{"steps", "ended"}));
        QCOMPARE(Temporaries(), QStringList{nameTaken ? "film.mp4.VOB" : ""}.filter(".VOB"));
    }

    void folderRunTwice()
    {
        WriteTestFile(WorkPath("clips/a.mp4"), "A");
        WriteTestFile(WorkPath("clips/b.mkv"), "B");
        UseSource(WorkPath("clips") + u'/');
        const TScopedEnv snap("RUN_SNAP", WorkPath("snap").toUtf8());
        for (int run = 1; run <= 2; ++run) {
            QFile::remove(WorkPath("snap"));
            QFile::remove(Out);
            QCOMPARE(Convert(), TRunOutcome::Converted);
            // The list is written again for the second run.
            QCOMPARE(ProbeRuns(), run);
            QVERIFY(EncoderRuns().last().contains(" -f concat -safe 0 -i "));
            const QByteArray list = ReadAll(WorkPath("snap"));
            QVERIFY2(list.contains("a.mp4'") && list.contains("b.mkv'"), list.constData());
            QCOMPARE(Temporaries(), QStringList());
        }
    }

    void keepSoundSecondTry_data()
    {
        QTest::addColumn<QString>("outputs");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("quality"); // -1: source quality
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("secondHas");
        const QStringList none;
        QTest::newRow("empty, then converted")
            << "empty,normal" << none << -1 << 2 << int(TRunOutcome::Converted)
            << QStringList{" -c:a aac -ac 2"};
        QTest::newRow("missing, then converted")
            << "none,normal" << none << -1 << 2 << int(TRunOutcome::Converted)
            << QStringList{" -c:a aac -ac 2"};
        // The user's quality, not the default one of disabled controls.
        QTest::newRow("other quality kept for the second try")
            << "empty,normal" << none << 3 << 2 << int(TRunOutcome::Converted)
            << QStringList{" -crf 30 ", " -c:a aac -ac 2 -ab 64K"};
        QTest::newRow("empty both times")
            << "empty" << none << -1 << 2 << int(TRunOutcome::EmptyOutput)
            << QStringList{" -c:a aac -ac 2"};
        QTest::newRow("error exit with output: no second try")
            << "normal" << QStringList{"FROBNIK_FAKE_EXIT=1"} << -1 << 1
            << int(TRunOutcome::NoOutput) << QStringList{};
    }

    void keepSoundSecondTry()
    {
        QFETCH(QString, outputs);
        QFETCH(QStringList, env);
        QFETCH(int, quality);
        QFETCH(int, runs);
        QFETCH(int, outcome);
        QFETCH(QStringList, secondHas);
        if (quality >= 0) {
            Request.Settings.OutQualityType = 1;
            Request.Settings.OutQualityEnabled = true;
            Request.Settings.OutQuality = quality;
        }
        Request.Settings.CopySounds = true;
        // Probed before the fake's run counter counts: the probe is a run too.
        ProbeSource(Request.Settings.SourceFileName, Source, Request.AppDataDir);
        const TEnvSet set(env + QStringList{"FROBNIK_FAKE_OUTPUT=" + outputs,
                                            "FROBNIK_FAKE_COUNTER=" + WorkPath("counter")});
        QCOMPARE(int(Convert()), outcome);
        const QStringList lines = EncoderRuns();
        QCOMPARE(lines.size(), runs);
        QVERIFY(lines.first().contains(QString(CopySoundsMapping) + " "));
        QCOMPARE(Recorder.Events.contains("keep sound dropped"), runs == 2);
        if (runs == 2) {
            const auto progressFile = [](const QString &_line) { return _line.section(' ', 1, 1); };
            QCOMPARE(progressFile(lines[1]), progressFile(lines[0]));
            QCOMPARE(progressFile(lines[0]), Run->ProgressFileName());
            QVERIFY(!lines[1].contains(" -c:a copy"));
            for (const QString &part : secondHas)
                QVERIFY2(lines[1].contains(part), qPrintable(lines[1]));
        }
        QCOMPARE(QFile::exists(Out), outcome == int(TRunOutcome::Converted));
        QCOMPARE(Temporaries(), QStringList());
    }

    void stalledDisplay_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("stalled");
        QTest::addColumn<QString>("moved");
        QTest::newRow("decimal point") << QLocale::c() << "12.3%"
                                       << "50.0%";
        QTest::newRow("decimal comma") << QLocale(QLocale::German) << "12,3%"
                                       << "50,0%";
    }

    void stalledDisplay()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, stalled);
        QFETCH(QString, moved);
        const QLocale previous;
        QLocale::setDefault(locale);
        const QString progressFile = WorkPath("out/progress-test.txt");
        const auto writeProgress = [&](const QByteArray &_microseconds) {
            WriteTestFile(progressFile, QByteArray(200, '\n') + "frame=9\nout_time_ms=" +
                                            _microseconds + "\nspeed=2.5x\nprogress=continue\n");
        };
        writeProgress("1234000");
        Run->SetProgressFileName(progressFile);
        Source.vsTotalSourceDuration = 10000;
        Run->BeginStep(0);
        const QString prefix = QString::number(msgConverting) + u' ';
        int polls = 0;
        const auto pollUntil = [&](int _count) {
            for (; polls < _count; ++polls)
                Run->Poll(TStepKind::Encoder, Source, Recorder);
        };
        // One update every fifth wait.
        pollUntil(4);
        QVERIFY(Recorder.LastStatus.isEmpty());
        pollUntil(5);
        QCOMPARE(Recorder.LastStatus, prefix + "12%");
        QCOMPARE(Recorder.LastProgress.OutTimeMs, qint64(1234));
        QCOMPARE(Recorder.LastProgress.Speed, 2.5);
        // The bar moved within the first 20 updates; it stands still over the next 20.
        pollUntil(195);
        QCOMPARE(Recorder.LastStatus, prefix + "12%");
        pollUntil(200);
        QCOMPARE(Recorder.LastStatus, prefix + stalled);
        writeProgress("5000000");
        pollUntil(205);
        QCOMPARE(Recorder.LastStatus, prefix + moved);
        QCOMPARE(Recorder.LastProgress.Percent, 50);
        pollUntil(300);
        QCOMPARE(Recorder.LastStatus, prefix + "50%");
        QLocale::setDefault(previous);
    }

    void finalOutputTime_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("last complete block")
            << QByteArray("out_time_ms=1000000\nprogress=continue\n"
                          "out_time_ms=2500000\nprogress=end\n")
            << qint64(2500);
        QTest::newRow("cut-off last line")
            << QByteArray("out_time_ms=1000000\nout_time_ms=25") << qint64(1000);
        QTest::newRow("not a number") << QByteArray("out_time_ms=N/A\n") << qint64(-1);
        QTest::newRow("key inside another") << QByteArray("xout_time_ms=5000000\n") << qint64(-1);
        QTest::newRow("none") << QByteArray("frame=1\n") << qint64(-1);
    }

    // How long the output came out, from the progress file the encoder left.
    void finalOutputTime()
    {
        QFETCH(QByteArray, file);
        QFETCH(qint64, ms);
        WriteTestFile(WorkPath("out/progress-final.txt"), file);
        QCOMPARE(FinalOutTimeMs(WorkPath("out/progress-final.txt")), ms);
    }
};

QTEST_GUILESS_MAIN(TestConversionRun)
#include "tst_conversionrun.moc"
