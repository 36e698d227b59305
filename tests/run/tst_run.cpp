// Whole conversion runs through the main window with the fake encoder: every
// outcome, cancel in each step, the join, the keep-sound second try, the
// progress display, automatic mode and closing.

#include "RunFixture.h"

#include "conversion/ChildRunner.h"
#include "conversion/CommandLine.h"
#include "integration/TaskbarProgress.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLocale>
#include <QRegularExpression>
#include <QSlider>
#include <QVariantMap>

namespace {

// A probe text the fake prints: one second of video with sound.
const QByteArray ProbeText = "Input #0, avi, from 'clip.avi':\n"
                             "  Duration: 00:00:01.00, start: 0.000000, bitrate: 100 kb/s\n"
                             "  Stream #0:0: Video: mpeg4 (Simple Profile), yuv420p, 160x120\n"
                             "  Stream #0:1: Audio: mp3, 44100 Hz, stereo\n";

// Environment variables set for one scope, given as "NAME=value".
class TEnvSet
{
public:
    explicit TEnvSet(const QStringList &_assignments)
    {
        for (const QString &assignment : _assignments) {
            FNames << assignment.section(u'=', 0, 0).toLatin1();
            FEnvs.push_back(std::make_unique<TScopedEnv>(FNames.last().constData(),
                                                         assignment.section(u'=', 1).toUtf8()));
        }
    }

private:
    QList<QByteArray> FNames;
    std::vector<std::unique_ptr<TScopedEnv>> FEnvs;
};

// Records the taskbar button's progress as a dock would.
class TDockListener : public QObject
{
    Q_OBJECT
public:
    QList<QVariantMap> Updates;
public slots:
    void Update(const QString &, const QVariantMap &_properties) { Updates << _properties; }
};

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Work;
    std::unique_ptr<TRunProgram> Program;
    std::unique_ptr<TMainForm> Form;
    QString Out;
    QString OutDir;

    QString WorkPath(const QString &_name) const { return Work.filePath(_name); }
    QStringList LogLines() const
    {
        return QString::fromUtf8(ReadAll(WorkPath("encoder.log"))).split(u'\n', Qt::SkipEmptyParts);
    }
    QStringList EncoderRuns() const { return LogLines().filter(QStringLiteral("-progress ")); }
    int ProbeRuns() const { return int(LogLines().size() - EncoderRuns().size()); }
    QString Text(TMessageIndex _index) const { return Message(*Form, _index); }

    TNewTemporaries Temporaries;
    void StartRun()
    {
        Temporaries.Before(*Form, OutDir);
        Form->ConvertBitBtn->click();
    }
    QStringList NewTemporaries() const { return Temporaries.After(*Form, OutDir); }

    // The window is back at rest after a run.
    void VerifyIdle()
    {
        QVERIFY(!Form->StopConvBitBtn->isEnabled());
        QVERIFY(Form->ConvertBitBtn->isEnabled());
        QVERIFY(Form->SourceFilenameEdit->isEnabled());
        QVERIFY(Form->OpenBitBtn->isEnabled());
        QVERIFY(Form->OutFormatComboBox->isEnabled());
        QVERIFY(Form->FormCloseQuery());
    }

    void UseSource(const QString &_source)
    {
        Form->SelectSource(_source);
        Form->OutVideoFileBEdit->setText(Out);
        Form->EnableFormatControls(true);
        QVERIFY(Form->ConvertBitBtn->isEnabled());
    }

    // A folder that counts as a DVD (two .VOB files), as the window names it.
    QString MakeDvdFolder()
    {
        WriteTestFile(WorkPath("dvd/A.VOB"), QByteArray(4000, 'a'));
        WriteTestFile(WorkPath("dvd/B.VOB"), QByteArray(4000, 'b'));
        return WorkPath("dvd") + u'/';
    }

    // A join child on PATH in place of the real one.
    void UseJoinScript(const QByteArray &_body)
    {
        WriteScript(WorkPath("bin/cat"), "shift\n" + _body);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Work.isValid());
        QVERIFY2(QFileInfo(FakeEncoderPath()).isExecutable(), "FROBNIK_FAKE_ENCODER not set");
        QApplication::setQuitOnLastWindowClosed(false);
        qputenv("FROBNIK_FAKE_PRINT", ProbeText);
        // Logs every start of the encoder and, when RUN_SNAP is set, copies
        // what it is given after -i while it runs.
        WriteScript(WorkPath("encoder"),
                    "printf '%s\\n' \"$*\" >> '" + WorkPath("encoder.log").toUtf8() +
                        "'\n"
                        "if [ -n \"$RUN_SNAP\" ]; then\n"
                        "  prev=''\n"
                        "  for a in \"$@\"; do\n"
                        "    [ \"$prev\" = -i ] && cp -- \"$a\" \"$RUN_SNAP\"\n"
                        "    prev=\"$a\"\n"
                        "  done\n"
                        "fi\n"
                        "exec '" +
                        FakeEncoderPath().toUtf8() + "' \"$@\"\n");
    }

    void init()
    {
        for (const char *folder : {"out", "dvd", "clips", "bin"})
            QDir(WorkPath(folder)).removeRecursively();
        for (const char *file : {"encoder.log", "snap", "counter"})
            QFile::remove(WorkPath(file));
        QDir().mkpath(WorkPath("out"));
        OutDir = WorkPath("out");
        Out = WorkPath("out/film.mp4");
        WriteTestFile(WorkPath("in/clip.avi"), "source");

        Program = std::make_unique<TRunProgram>();
        QVERIFY(Program->Valid());
        SetEncoderProgram(WorkPath("encoder"));
        Form = std::make_unique<TMainForm>();
        Form->show();
        ChooseFormat(*Form, "MP4");
        UseSource(WorkPath("in/clip.avi"));
        QCOMPARE(Form->VideoSourceInfo.vsTotalSourceDuration, qint64(1000));
        QVERIFY(!Text(miConverted).isEmpty());
    }

    void cleanup()
    {
        Form.reset();
        Program.reset();
    }

    void outputExistsRefused()
    {
        WriteTestFile(Out, "USER");
        Form->InfoLabel->setText("before");
        StartRun();
        QCOMPARE(TDialogs::messages().size(), 1);
        const QString text = TDialogs::messages().first().mrText;
        QCOMPARE(text, SubstituteParams(Text(miOutputExists), "film.mp4"));
        QVERIFY(text.contains("film.mp4"));
        QCOMPARE(Form->InfoLabel->text(), QString("before"));
        QCOMPARE(EncoderRuns().size(), 0);
        QCOMPARE(ReadAll(Out), QByteArray("USER"));
        QVERIFY(Program->Sounds.isEmpty());
    }

    void autoModeRenumbers_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first free") << QStringList{"film.mp4"} << "film[1].mp4";
        QTest::newRow("next free") << QStringList{"film.mp4", "film[1].mp4"} << "film[2].mp4";
    }

    void autoModeRenumbers()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        for (const QString &name : existing)
            WriteTestFile(JoinPath(OutDir, name), "USER");
        Form->isAutoMode = true;
        StartRun();
        const QString target = JoinPath(OutDir, expected);
        QCOMPARE(Form->OutVideoFileBEdit->text(), target);
        QVERIFY(TDialogs::messages().isEmpty());
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        QCOMPARE(QFileInfo(target).size(), qint64(4096));
        for (const QString &name : existing)
            QCOMPARE(ReadAll(JoinPath(OutDir, name)), QByteArray("USER"));
    }

    void argumentsRefused_data()
    {
        QTest::addColumn<bool>("devicePage");
        QTest::addColumn<int>("message");
        QTest::newRow("no device chosen") << true << int(miNoDeviceChosen);
        QTest::newRow("invalid frame size") << false << int(miInvalidFrameSize);
    }

    void argumentsRefused()
    {
        QFETCH(bool, devicePage);
        QFETCH(int, message);
        if (devicePage) {
            Form->SelectedDeviceID = 0;
            Form->SelectPage(1);
        } else {
            Form->OutSizeComboBox->setEditText("abc");
        }
        StartRun();
        QCOMPARE(TDialogs::messages().size(), 1);
        QCOMPARE(TDialogs::messages().first().mrText, Text(TMessageIndex(message)));
        QVERIFY(!TDialogs::messages().first().mrText.isEmpty());
        QCOMPARE(Form->InfoLabel->text(), Text(miPreparing));
        QCOMPARE(EncoderRuns().size(), 0);
        QVERIFY(!QFile::exists(Out));
        VerifyIdle();
    }

    void outcomes_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<bool>("missingEncoder");
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<int>("progress");
        QTest::addColumn<bool>("outputKept");
        const QString error = "error.wav";
        QTest::newRow("success") << QStringList{} << false << int(miConverted) << "converted.wav"
                                 << 100 << true;
        QTest::newRow("empty output") << QStringList{"FROBNIK_FAKE_OUTPUT=empty"} << false
                                      << int(miEmptyOutput) << error << 0 << false;
        QTest::newRow("no output") << QStringList{"FROBNIK_FAKE_OUTPUT=none"} << false
                                   << int(miNoOutput) << error << 0 << false;
        QTest::newRow("encoder missing")
            << QStringList{} << true << int(miNoOutput) << error << 0 << false;
        QTest::newRow("error exit with output") << QStringList{"FROBNIK_FAKE_EXIT=1"} << false
                                                << int(miNoOutput) << error << 0 << false;
        QTest::newRow("crash with output") << QStringList{"FROBNIK_FAKE_CRASH=1"} << false
                                           << int(miNoOutput) << error << 0 << false;
        QTest::newRow("error exit, empty output")
            << QStringList{"FROBNIK_FAKE_EXIT=1", "FROBNIK_FAKE_OUTPUT=empty"} << false
            << int(miEmptyOutput) << error << 0 << false;
    }

    void outcomes()
    {
        QFETCH(QStringList, env);
        QFETCH(bool, missingEncoder);
        QFETCH(int, message);
        QFETCH(QString, sound);
        QFETCH(int, progress);
        QFETCH(bool, outputKept);
        const TEnvSet set(env);
        if (missingEncoder)
            SetEncoderProgram(WorkPath("nowhere/ffmpeg"));
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(TMessageIndex(message)));
        QCOMPARE(Program->Sounds, QStringList{sound});
        QCOMPARE(Form->ProgressBar->value(), progress);
        QCOMPARE(QFile::exists(Out), outputKept);
        QCOMPARE(NewTemporaries(), QStringList());
        QVERIFY(TDialogs::messages().isEmpty());
        VerifyIdle();
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
        const TEnvSet set(env);
        QString seen;
        TWhen stop(
            [&]() {
                return QFile::exists(Out) && Form->InfoLabel->text().startsWith(Text(miConverting));
            },
            [&]() {
                seen = Form->InfoLabel->text();
                Form->StopConvBitBtn->click();
            });
        StartRun();
        QVERIFY(stop.Done);
        QVERIFY2(
            QRegularExpression("^" + QRegularExpression::escape(Text(miConverting)) + " \\d{1,3}%$")
                .match(seen)
                .hasMatch(),
            qPrintable(seen));
        QCOMPARE(Form->InfoLabel->text(), Text(miCancelled));
        QCOMPARE(Program->Sounds, QStringList{"error.wav"});
        QCOMPARE(Form->ProgressBar->value(), 0);
        QVERIFY(!QFile::exists(Out));
        QCOMPARE(NewTemporaries(), QStringList());
        QVERIFY(!Form->StopConvFlag);
        VerifyIdle();
    }

    void stepResult_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<bool>("startable");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("progress");
        QTest::newRow("stopped") << QStringList{"FROBNIK_FAKE_HANG=1"} << true << true << 40 << 0;
        QTest::newRow("stopped, child exits 0")
            << QStringList{"FROBNIK_FAKE_HANG=1", "FROBNIK_FAKE_TERM_EXIT=0"} << true << true << 40
            << 0;
        QTest::newRow("error exit")
            << QStringList{"FROBNIK_FAKE_EXIT=3"} << false << true << 3 << 100;
        QTest::newRow("crash") << QStringList{"FROBNIK_FAKE_CRASH=1"} << false << true << 139
                               << 100;
        QTest::newRow("cannot start") << QStringList{} << false << false << 0 << 37;
    }

    void stepResult()
    {
        QFETCH(QStringList, env);
        QFETCH(bool, stop);
        QFETCH(bool, startable);
        QFETCH(int, result);
        QFETCH(int, progress);
        const TEnvSet set(env);
        const QString output = WorkPath("out/step.mp4");
        TChildCommand command;
        command.Program = startable ? FakeEncoderPath() : WorkPath("nowhere/ffmpeg");
        command.Arguments =
            QStringList{"-progress", WorkPath("out/progress.txt"), "-i", "x", output};
        Form->ProgressBar->setValue(37);
        TWhen stopper([&]() { return stop && QFile::exists(output); },
                      [&]() { Form->StopConvBitBtnClick(); });
        bool started = !startable;
        QCOMPARE(Form->RunWithProgress(command, TStepKind::Encoder, &started), result);
        QCOMPARE(started, startable);
        QCOMPARE(Form->ProgressBar->value(), progress);
        QCOMPARE(stopper.Done, stop);
    }

    void cancelDuringJoin()
    {
        UseSource(MakeDvdFolder());
        QVERIFY(Form->VideoSourceInfo.vsIsDVD);
        const QString concatList = Form->VideoSourceInfo.vsConcatTXTFileName;
        QVERIFY(QFile::exists(concatList));
        const int probes = ProbeRuns();
        UseJoinScript("head -c 1000 \"$1\"\nexec sleep 30\n");
        const TScopedEnv path("PATH", WorkPath("bin").toUtf8() + ':' + qgetenv("PATH"));
        // 1000 of 8000 bytes, truncated.
        TWhen stop([&]() { return Form->InfoLabel->text() == Text(miJoining) + " 12%"; },
                   [&]() { Form->StopConvBitBtn->click(); });
        StartRun();
        QVERIFY(stop.Done);
        QCOMPARE(Form->ProgressBar->value(), 0);
        QCOMPARE(Form->InfoLabel->text(), Text(miCancelled));
        QCOMPARE(Program->Sounds, QStringList{"error.wav"});
        QCOMPARE(EncoderRuns().size(), 0);
        QCOMPARE(ProbeRuns(), probes);
        QVERIFY(Form->CopyVOBFileName.isEmpty());
        QVERIFY(!QFile::exists(Out));
        QVERIFY(!QFile::exists(concatList));
        QCOMPARE(Form->ProgressBar->value(), 0);
        QCOMPARE(NewTemporaries(), QStringList());
        VerifyIdle();
    }

    void joinFails()
    {
        UseSource(MakeDvdFolder());
        UseJoinScript("head -c 1000 \"$1\"\nexit 1\n");
        const TScopedEnv path("PATH", WorkPath("bin").toUtf8() + ':' + qgetenv("PATH"));
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(miNoOutput));
        QCOMPARE(Program->Sounds, QStringList{"error.wav"});
        QCOMPARE(EncoderRuns().size(), 0);
        QCOMPARE(Form->ProgressBar->value(), 0);
        QCOMPARE(NewTemporaries(), QStringList());
        VerifyIdle();
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
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        const QString joinedPath = JoinPath(OutDir, joined);
        QCOMPARE(EncoderRuns().size(), 1);
        QVERIFY2(EncoderRuns().first().contains(" -i " + joinedPath + " "),
                 qPrintable(EncoderRuns().first()));
        QCOMPARE(Form->VideoSourceInfo.vsFFMpegIsrcStr, " -i \"" + joinedPath + "\"");
        // The encoder read the two files joined byte by byte.
        QCOMPARE(ReadAll(WorkPath("snap")), QByteArray(4000, 'a') + QByteArray(4000, 'b'));
        QVERIFY(!QFile::exists(joinedPath));
        QCOMPARE(Form->CopyVOBFileName, joinedPath);
        if (nameTaken)
            QCOMPARE(ReadAll(taken), QByteArray("USER"));
        QCOMPARE(NewTemporaries(), QStringList());
    }

    void folderRunTwice()
    {
        WriteTestFile(WorkPath("clips/a.mp4"), "A");
        WriteTestFile(WorkPath("clips/b.mkv"), "B");
        UseSource(WorkPath("clips") + u'/');
        QVERIFY(!Form->VideoSourceInfo.vsIsDVD);
        const TScopedEnv snap("RUN_SNAP", WorkPath("snap").toUtf8());
        for (int run = 1; run <= 2; ++run) {
            const int probes = ProbeRuns();
            QFile::remove(WorkPath("snap"));
            QFile::remove(Out);
            StartRun();
            QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
            // The list is written again for the second run.
            QCOMPARE(ProbeRuns(), probes + (run == 1 ? 0 : 1));
            QVERIFY(EncoderRuns().last().contains(" -f concat -safe 0 -i "));
            const QByteArray list = ReadAll(WorkPath("snap"));
            QVERIFY2(list.contains("a.mp4'") && list.contains("b.mkv'"), list.constData());
            QCOMPARE(NewTemporaries(), QStringList());
        }
    }

    void keepSoundFallback_data()
    {
        QTest::addColumn<QString>("outputs");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("quality"); // -1: source quality
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("message");
        QTest::addColumn<QStringList>("secondHas");
        const QStringList none;
        QTest::newRow("empty, then converted")
            << "empty,normal" << none << -1 << 2 << int(miConverted)
            << QStringList{" -c:a aac -ac 2"};
        QTest::newRow("missing, then converted")
            << "none,normal" << none << -1 << 2 << int(miConverted)
            << QStringList{" -c:a aac -ac 2"};
        QTest::newRow("other quality: position 7 the second time")
            << "empty,normal" << none << 3 << 2 << int(miConverted)
            << QStringList{" -crf 22 ", " -c:a aac -ac 2 -ab 128K"};
        QTest::newRow("empty both times")
            << "empty" << none << -1 << 2 << int(miEmptyOutput) << QStringList{" -c:a aac -ac 2"};
        QTest::newRow("error exit with output: no second try")
            << "normal" << QStringList{"FROBNIK_FAKE_EXIT=1"} << -1 << 1 << int(miNoOutput)
            << QStringList{};
    }

    void keepSoundFallback()
    {
        QFETCH(QString, outputs);
        QFETCH(QStringList, env);
        QFETCH(int, quality);
        QFETCH(int, runs);
        QFETCH(int, message);
        QFETCH(QStringList, secondHas);
        if (quality >= 0) {
            Form->QualityComboBox->setCurrentIndex(1);
            Form->QualityComboBoxChange();
            Form->QualityTrackBar->setValue(quality);
        }
        Form->CopySoundsPM->setChecked(true);
        const TEnvSet set(env + QStringList{"FROBNIK_FAKE_OUTPUT=" + outputs,
                                            "FROBNIK_FAKE_COUNTER=" + WorkPath("counter")});
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(TMessageIndex(message)));
        const QStringList lines = EncoderRuns();
        QCOMPARE(lines.size(), runs);
        QVERIFY(lines.first().contains(QString(CopySoundsMapping) + " "));
        if (quality >= 0)
            QVERIFY(lines.first().contains(" -crf 30 "));
        QCOMPARE(Form->CopySoundsPM->isChecked(), runs == 1);
        if (runs == 2) {
            const auto progressFile = [](const QString &_line) { return _line.section(' ', 1, 1); };
            QCOMPARE(progressFile(lines[1]), progressFile(lines[0]));
            QCOMPARE(progressFile(lines[0]), Form->ProgressFileName);
            QVERIFY(!lines[1].contains(" -c:a copy"));
            for (const QString &part : secondHas)
                QVERIFY2(lines[1].contains(part), qPrintable(lines[1]));
        }
        QCOMPARE(QFile::exists(Out), message == miConverted);
        QCOMPARE(NewTemporaries(), QStringList());
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
                                            _microseconds + "\nprogress=continue\n");
        };
        writeProgress("1234000");
        Form->ProgressFileName = progressFile;
        Form->VideoSourceInfo.vsTotalSourceDuration = 10000;
        Form->ProgressBar->setValue(0);
        Form->counterForUpdProgress = 0;
        Form->StepFollow = TMainForm::TStepFollow();
        Form->InfoLabel->setText("before");
        const QString prefix = Text(miConverting) + u' ';
        int polls = 0;
        const auto pollUntil = [&](int _count) {
            for (; polls < _count; ++polls)
                QVERIFY(!Form->RunWithProgressPoll(TStepKind::Encoder));
        };
        // One update every fifth wait.
        pollUntil(4);
        QCOMPARE(Form->InfoLabel->text(), QString("before"));
        pollUntil(5);
        QCOMPARE(Form->InfoLabel->text(), prefix + "12%");
        // The bar moved within the first 20 updates; it stands still over the next 20.
        pollUntil(195);
        QCOMPARE(Form->InfoLabel->text(), prefix + "12%");
        pollUntil(200);
        QCOMPARE(Form->InfoLabel->text(), prefix + stalled);
        writeProgress("5000000");
        pollUntil(205);
        QCOMPARE(Form->InfoLabel->text(), prefix + moved);
        QCOMPARE(Form->ProgressBar->value(), 50);
        pollUntil(300);
        QCOMPARE(Form->InfoLabel->text(), prefix + "50%");
        QLocale::setDefault(previous);

        Form->StopConvFlag = true;
        QVERIFY(Form->RunWithProgressPoll(TStepKind::Encoder));
        QVERIFY(!Form->StopConvFlag);
    }

    void autoCloseAfterSuccess()
    {
        Form->isAutoMode = true;
        Form->CloseOnCompleteFlag = true;
        Form->AutoTimerTag = 1;
        Form->AutoTimer->start();
        QTRY_VERIFY_WITH_TIMEOUT(!Form->isVisible(), 10000);
        QCOMPARE(Form->AutoTimerTag, 4);
        QVERIFY(!Form->CloseOnCompleteFlag);
        QCOMPARE(Program->Sounds, QStringList{"converted.wav"});
        QVERIFY(QFile::exists(Out));
    }

    void noAutoCloseAfterFailure()
    {
        Form->isAutoMode = true;
        Form->CloseOnCompleteFlag = true;
        {
            const TScopedEnv none("FROBNIK_FAKE_OUTPUT", "none");
            Form->AutoTimerTag = 1;
            Form->AutoTimer->start();
            QTRY_COMPARE_WITH_TIMEOUT(Form->InfoLabel->text(), Text(miNoOutput), 10000);
            QTRY_COMPARE(Form->AutoTimerTag, 0);
        }
        QVERIFY(Form->isVisible());
        QVERIFY(Form->CloseOnCompleteFlag);
        // The user's next successful run closes the window a timer interval later.
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        QVERIFY(Form->isVisible());
        QCOMPARE(Form->AutoTimerTag, 4);
        QTRY_VERIFY_WITH_TIMEOUT(!Form->isVisible(), 5000);
    }

    void closeRefusedWhileRunning()
    {
        const TScopedEnv hang("FROBNIK_FAKE_HANG", "1");
        bool closed = true;
        bool visible = false;
        TWhen attempt([&]() { return QFile::exists(Out); },
                      [&]() {
                          closed = Form->close();
                          visible = Form->isVisible();
                          Form->StopConvBitBtn->click();
                      });
        StartRun();
        QVERIFY(attempt.Done);
        QVERIFY(!closed);
        QVERIFY(visible);
        QCOMPARE(Form->InfoLabel->text(), Text(miCancelled));
        QVERIFY(Form->close());
    }

    void noSecondRunInsideARun()
    {
        const TScopedEnv slow("FROBNIK_FAKE_STEP_MS", "100");
        QList<bool> enabled;
        TWhen again([&]() { return Form->ConversionRunning; },
                    [&]() {
                        for (QWidget *control : {static_cast<QWidget *>(Form->ConvertBitBtn),
                                                 static_cast<QWidget *>(Form->SourceFilenameEdit),
                                                 static_cast<QWidget *>(Form->OpenBitBtn),
                                                 static_cast<QWidget *>(Form->DropDownBitBtn),
                                                 static_cast<QWidget *>(Form->OutFormatComboBox),
                                                 static_cast<QWidget *>(Form->StopConvBitBtn)})
                            enabled << control->isEnabled();
                        Form->AutoTimerTag = 1;
                        Form->AutoTimerTimer();
                    });
        StartRun();
        QVERIFY(again.Done);
        QCOMPARE(enabled, (QList<bool>{false, false, false, false, false, true}));
        QCOMPARE(EncoderRuns().size(), 1);
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        VerifyIdle();
    }

    void soundSwitch()
    {
        QVERIFY(Form->SoundEnabled);
        Form->SoundActionUpdate();
        QVERIFY(Form->SoundAction->isChecked());
        Form->SoundAction->trigger();
        QVERIFY(!Form->SoundEnabled);
        QVERIFY(!Form->SoundAction->isChecked());
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        {
            const TScopedEnv none("FROBNIK_FAKE_OUTPUT", "none");
            QFile::remove(Out);
            StartRun();
            QCOMPARE(Form->InfoLabel->text(), Text(miNoOutput));
        }
        QVERIFY(Program->Sounds.isEmpty());
        Form->SoundAction->trigger();
        QVERIFY(Form->SoundEnabled);
        QVERIFY(Form->SoundAction->isChecked());
    }

    void taskbarProgress_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<bool>("join");
        QTest::addColumn<double>("shown"); // -1: no progress
        QTest::newRow("encoder half way") << 50 << false << 0.5;
        QTest::newRow("encoder done") << 100 << false << 1.0;
        QTest::newRow("join done is the first fifth") << 100 << true << 0.2;
        QTest::newRow("join 3% rounds to 1%") << 3 << true << 0.01;
        QTest::newRow("join 2% rounds to none") << 2 << true << -1.0;
        QTest::newRow("nothing yet") << 0 << false << -1.0;
    }

    void taskbarProgress()
    {
        QFETCH(int, percent);
        QFETCH(bool, join);
        QFETCH(double, shown);
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
        QDBusConnection dock =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "run-test-dock");
        TDockListener listener;
        QVERIFY(dock.connect(QString(), QString(), TTaskbarProgress::Interface, "Update", &listener,
                             SLOT(Update(QString, QVariantMap))));
        Form->TaskbarList3 = std::make_unique<TTaskbarProgress>();
        Form->ShowProgress(percent, join);
        QCOMPARE(Form->ProgressBar->value(), percent);
        QTRY_COMPARE(listener.Updates.size(), 1);
        const QVariantMap update = listener.Updates.first();
        QCOMPARE(update.value("progress-visible").toBool(), shown >= 0);
        if (shown >= 0)
            QCOMPARE(update.value("progress").toDouble(), shown);
        QDBusConnection::disconnectFromBus("run-test-dock");
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
