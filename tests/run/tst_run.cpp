// Whole conversion runs through the main window with the fake encoder: every
// outcome, cancel in each step, the join, the keep-sound second try, the
// progress display, automatic mode and closing.

#include "RunFixture.h"

#include "conversion/ChildRunner.h"
#include "conversion/CommandLine.h"
#include "integration/DbusPeers.h"
#include "integration/ShellOpen.h"
#include "integration/TaskbarProgress.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVariantMap>

namespace {

// A probe text the fake prints: one second of video with sound.
const QByteArray ProbeText = "Input #0, avi, from 'clip.avi':\n"
                             "  Duration: 00:00:01.00, start: 0.000000, bitrate: 100 kb/s\n"
                             "  Stream #0:0: Video: mpeg4 (Simple Profile), yuv420p, 160x120\n"
                             "  Stream #0:1: Audio: mp3, 44100 Hz, stereo\n";

// Records the taskbar button's progress as a dock would.
class TDockListener : public QObject
{
    Q_OBJECT
public:
    QList<QVariantMap> Updates;
    // Listens on a connection of its own, as a dock is another program.
    bool Listen()
    {
        QDBusConnection dock = QDBusConnection::connectToBus(QDBusConnection::SessionBus, Name);
        return dock.connect(QString(), QString(), TTaskbarProgress::Interface, "Update", this,
                            SLOT(Update(QString, QVariantMap)));
    }
    ~TDockListener() override { QDBusConnection::disconnectFromBus(Name); }
public slots:
    void Update(const QString &, const QVariantMap &_properties) { Updates << _properties; }

private:
    const QString Name = QStringLiteral("run-test-dock");
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

private slots:
    void initTestCase()
    {
        QVERIFY(Work.isValid());
        QVERIFY2(QFileInfo(FakeEncoderPath()).isExecutable(), "FROBNIK_FAKE_ENCODER not set");
        QApplication::setQuitOnLastWindowClosed(false);
        qputenv("FROBNIK_FAKE_PRINT", ProbeText);
        WriteLoggingEncoder(Work.path());
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
        QCOMPARE(TDialogs::Messages().size(), 1);
        const QString text = TDialogs::Messages().first().mrText;
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
        QVERIFY(TDialogs::Messages().isEmpty());
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        QCOMPARE(QFileInfo(target).size(), qint64(4096));
        for (const QString &name : existing)
            QCOMPARE(ReadAll(JoinPath(OutDir, name)), QByteArray("USER"));
    }

    // Choosing a source, by the dialog, a drop or the option, probes it once,
    // also when the same file is chosen again.
    void choosingASourceProbesOnce()
    {
        WriteTestFile(WorkPath("in/other.avi"), "source");
        for (const char *name : {"in/other.avi", "in/other.avi", "in/clip.avi"}) {
            const int probes = ProbeRuns();
            Form->SelectSource(WorkPath(name));
            QCOMPARE(ProbeRuns(), probes + 1);
        }
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        QCOMPARE(EncoderRuns().size(), 1);
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
        QCOMPARE(TDialogs::Messages().size(), 1);
        QCOMPARE(TDialogs::Messages().first().mrText, Text(TMessageIndex(message)));
        QVERIFY(!TDialogs::Messages().first().mrText.isEmpty());
        QCOMPARE(Form->InfoLabel->text(), Text(miPreparing));
        QCOMPARE(EncoderRuns().size(), 0);
        QVERIFY(!QFile::exists(Out));
        VerifyIdle();
    }

    // What the window shows of each outcome the run reports.
    void outcomes_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<int>("progress");
        QTest::addColumn<bool>("outputKept");
        const QString error = "error.wav";
        QTest::newRow("success") << QStringList{} << int(miConverted) << "converted.wav" << 100
                                 << true;
        QTest::newRow("empty output") << QStringList{"FROBNIK_FAKE_OUTPUT=empty"}
                                      << int(miEmptyOutput) << error << 0 << false;
        QTest::newRow("no output")
            << QStringList{"FROBNIK_FAKE_OUTPUT=none"} << int(miNoOutput) << error << 0 << false;
        QTest::newRow("error exit with output")
            << QStringList{"FROBNIK_FAKE_EXIT=1"} << int(miNoOutput) << error << 0 << false;
        // A tenth of the ten-second source.
        QTest::newRow("incomplete output") << QStringList{"FROBNIK_FAKE_DURATION_MS=1000"}
                                           << int(miIncompleteOutput) << error << 0 << true;
    }

    void outcomes()
    {
        QFETCH(QStringList, env);
        QFETCH(int, message);
        QFETCH(QString, sound);
        QFETCH(int, progress);
        QFETCH(bool, outputKept);
        // The whole ten-second source comes out, unless a row says otherwise.
        const TEnvSet set(env.filter("DURATION").isEmpty()
                              ? env + QStringList{"FROBNIK_FAKE_DURATION_MS=10000"}
                              : env);
        Form->VideoSourceInfo.vsTotalSourceDuration = 10000;
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(TMessageIndex(message)));
        QVERIFY(!Form->InfoLabel->text().isEmpty());
        QCOMPARE(Program->Sounds, QStringList{sound});
        QCOMPARE(Form->ProgressBar->value(), progress);
        QCOMPARE(QFile::exists(Out), outputKept);
        // The open button follows the file, also when the run deleted it.
        QCOMPARE(Form->OpenFileBitBtn->isEnabled(), outputKept);
        QCOMPARE(NewTemporaries(), QStringList());
        QVERIFY(TDialogs::Messages().isEmpty());
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
        QVERIFY(!Form->ConversionRun->Running());
        VerifyIdle();
    }

    // The second try without kept sound streams: the menu item ends
    // unticked, and the quality is the one the user chose in the window
    // (the controls are disabled by then).
    void keepSoundSecondTry()
    {
        Form->QualityComboBox->setCurrentIndex(1);
        Form->QualityComboBoxChange();
        Form->QualityTrackBar->setValue(0);
        Form->CopySoundsPM->setChecked(true);
        const TEnvSet set(
            {"FROBNIK_FAKE_OUTPUT=empty,normal", "FROBNIK_FAKE_COUNTER=" + WorkPath("counter")});
        StartRun();
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        const QStringList lines = EncoderRuns();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[1].contains(" -crf 36 ") && lines[1].contains(" -ab 32K"),
                 qPrintable(lines[1]));
        QVERIFY(!Form->CopySoundsPM->isChecked());
        QCOMPARE(NewTemporaries(), QStringList());
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
        TWhen again([&]() { return Form->ConversionRunning(); },
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
        TDockListener listener;
        QVERIFY(listener.Listen());
        Form->TaskbarList3 = std::make_unique<TTaskbarProgress>();
        Form->ShowProgress(percent, join);
        QCOMPARE(Form->ProgressBar->value(), percent);
        QTRY_COMPARE(listener.Updates.size(), 1);
        const QVariantMap update = listener.Updates.first();
        QCOMPARE(update.value("progress-visible").toBool(), shown >= 0);
        if (shown >= 0)
            QCOMPARE(update.value("progress").toDouble(), shown);
    }

    // While the encoder runs, the bar's tooltip tells the time left and the
    // speed; once the outcome is shown it says nothing.
    void timeLeftTooltip()
    {
        const TEnvSet set(
            {"FROBNIK_FAKE_DURATION_MS=1000", "FROBNIK_FAKE_STEPS=6", "FROBNIK_FAKE_STEP_MS=300"});
        QStringList seen;
        QTimer watch;
        watch.setInterval(50);
        connect(&watch, &QTimer::timeout, this, [&seen, this]() {
            if (!Form->ProgressBar->toolTip().isEmpty())
                seen << Form->ProgressBar->toolTip();
        });
        watch.start();
        StartRun();
        watch.stop();
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        seen.removeDuplicates();
        // At most a second of the one-second source is left, at real time.
        QCOMPARE(seen, QStringList{"About 5 s left, 1.0x"});
        QVERIFY(Form->ProgressBar->toolTip().isEmpty());
    }

    // The dock shows progress while the run goes on and none once its
    // outcome is shown, whatever the outcome.
    void dockProgressEndsWithOutcome_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::newRow("success") << QStringList{};
        QTest::newRow("no output") << QStringList{"FROBNIK_FAKE_OUTPUT=none"};
    }

    void dockProgressEndsWithOutcome()
    {
        QFETCH(QStringList, env);
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
        TDockListener listener;
        QVERIFY(listener.Listen());
        Form->TaskbarList3 = std::make_unique<TTaskbarProgress>();
        const TEnvSet set(env + QStringList{"FROBNIK_FAKE_STEP_MS=300"});
        StartRun();
        QTRY_VERIFY(!listener.Updates.isEmpty());
        QTest::qWait(200);
        bool shown = false;
        for (const QVariantMap &update : listener.Updates)
            shown = shown || update.value("progress-visible").toBool();
        QVERIFY(shown);
        QCOMPARE(listener.Updates.last().value("progress-visible").toBool(), false);
    }

    // The notice at the end of a run: only when asked for by the test, only
    // while the user looks elsewhere, never when the window closes when done.
    void noticeAtTheEnd_data()
    {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("away");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("notice");
        QTest::newRow("away") << true << true << false << true;
        QTest::newRow("watching") << true << false << false << false;
        QTest::newRow("closes when done") << true << true << true << false;
        QTest::newRow("test did not ask") << false << true << false << false;
    }

    void noticeAtTheEnd()
    {
        QFETCH(bool, asked);
        QFETCH(bool, away);
        QFETCH(bool, closes);
        QFETCH(bool, notice);
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
        const QString busName = QStringLiteral("run-test-notifications");
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, busName);
        TFakeNotificationServer server;
        server.BusName = busName;
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                   QDBusConnection::ExportAllSlots));
        QList<QPair<QString, QString>> opened;
        SetShellOpener([&opened](const QString &_t, const QString &_p) {
            opened.append({_t, _p});
        });

        Form->RunNoticesInTests = asked;
        Form->RunNoticeMinMs = 0;
        Form->CloseOnCompleteFlag = closes;
        QWidget elsewhere;
        if (away) {
            elsewhere.show();
            elsewhere.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        } else {
            Form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(Form.get()));
        }
        QSignalSpy shown(Form->Notifier.get(), &TDesktopNotifier::Shown);
        StartRun();
        Form->AutoTimer->stop();
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        if (!notice) {
            QTest::qWait(300);
            QCOMPARE(server.Received.size(), 0);
        } else {
            QTRY_COMPARE(shown.size(), 1);
            QCOMPARE(server.Received.size(), 1);
            QCOMPARE(server.Received.first().Summary, Text(miConverted));
            QVERIFY(server.Received.first().Body.startsWith("film.mp4\n"));
            // "Open" does what the open-file button does, for this run's file.
            Form->OutVideoFileBEdit->setText(WorkPath("out/other.mp4"));
            server.Invoke(shown.first().first().toUInt(), "open");
            QTRY_COMPARE(opened.size(), 1);
            QCOMPARE(opened.first().first, Out);
        }
        SetShellOpener({});
        QDBusConnection::disconnectFromBus(busName);
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
