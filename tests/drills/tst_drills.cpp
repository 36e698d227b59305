// Fault drills: conversions on a machine that misbehaves. Each one must end
// with the outcome a user is told or a clean failure message, without a crash or
// a hang, without a temporary file left behind, and without touching a file
// the user already had.

#include "frame/ProgramRun.h"
#include "run/RunFixture.h"
#include "support/TextUtils.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {

// Our own encoder children: the pids whose parent is this process and whose
// command line carries "-progress".
QList<pid_t> EncoderChildren()
{
    QList<pid_t> pids;
    for (const QFileInfo &entry : QDir("/proc").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = entry.fileName().toInt(&number);
        if (!number)
            continue;
        const QByteArray status = ReadAll(entry.filePath() + "/status");
        const QRegularExpression ppid("^PPid:\\s*(\\d+)$", QRegularExpression::MultilineOption);
        if (ppid.match(QString::fromLatin1(status)).captured(1).toInt() != getpid())
            continue;
        if (ReadAll(entry.filePath() + "/cmdline").contains(QByteArray("-progress\0", 10)))
            pids << pid;
    }
    return pids;
}

bool RunTool(const QString &_program, const QStringList &_arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(_program, _arguments);
    const bool ok = process.waitForFinished(120000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok)
        qWarning("%s: %s", qPrintable(_program), process.readAll().constData());
    return ok;
}

// A small tmpfs mounted for one drill; only root can have one.
class TSmallDisk
{
public:
    bool Mount(const QString &_dir, const QString &_options)
    {
        QDir().mkpath(_dir);
        if (getuid() != 0 || !RunTool("mount", {"-t", "tmpfs", "-o", _options, "tmpfs", _dir}))
            return false;
        FDir = _dir;
        return true;
    }
    bool MakeReadOnly() { return RunTool("mount", {"-o", "remount,ro", FDir}); }
    ~TSmallDisk()
    {
        if (!FDir.isEmpty())
            RunTool("umount", {"-l", FDir});
    }

private:
    QString FDir;
};

const QByteArray UserBytes = "the user's own file, never to be touched\n";

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
    QString BuiltProgram() const
    {
        return QDir(qEnvironmentVariable("FROBNIK_PROGRAM_DIR")).filePath("frobnik");
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
        QVERIFY(RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
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
            QCOMPARE(TDialogs::messages().size(), 1);
            QCOMPARE(TDialogs::messages().first().mrText,
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
    }

    void twoCopiesIntoOneFolder()
    {
        QFETCH(QStringList, sources);
        TProgramHome home;
        home.PutClip(ClipBytes, "one.avi");
        home.PutClip(ClipBytes, "two.avi");
        WriteTestFile(home.Media("mine.txt"), UserBytes);
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
        const QStringList expected = sources[0] == sources[1] ? QStringList{"one.mp4", "one[1].mp4"}
                                                              : QStringList{"one.mp4", "two.mp4"};
        QCOMPARE(outputs, expected);
        for (const QString &output : outputs)
            QCOMPARE(StreamKinds(home.Media(output)), QString("video,audio"));
        QCOMPARE(ReadAll(home.Media("mine.txt")), UserBytes);
        QCOMPARE(QDir(QDir(home.Data()).filePath("Frobnik"))
                     .entryList({"progress*.txt", "concat*.txt", "output-*.lock"}, QDir::Files),
                 QStringList());
    }
};

QTEST_MAIN(TestDrills)
#include "tst_drills.moc"
