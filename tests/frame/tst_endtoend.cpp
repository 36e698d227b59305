// The built program started as a download manager starts it: options on the
// command line, no display, the real encoder.

#include "testsupport/TestSupport.h"

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void automaticConversion_data();
    void automaticConversion();
    void existingOutputGetsNumberedName();
    void headlessAutomaticRunAlwaysEnds_data();
    void headlessAutomaticRunAlwaysEnds();
    void manualModeConvertsNothing();
    void secondCopyConverts();
    void infoWithoutDisplay_data();
    void infoWithoutDisplay();
    void infoThatCannotBeWrittenFails();
    void sourceNamedLikeAnInfoOption_data();
    void sourceNamedLikeAnInfoOption();

private:
    QString Program() const;
    QByteArray FClip;
};

QString TestEndToEnd::Program() const
{
    return QDir(BuiltProgramDir()).filePath("frobnik");
}

void TestEndToEnd::initTestCase()
{
    QVERIFY2(QFileInfo(Program()).isExecutable(), qPrintable(Program()));
    QVERIFY2(!QStandardPaths::findExecutable("ffmpeg").isEmpty(), "the real encoder is needed");
    FClip = MakeClipBytes();
    QVERIFY(!FClip.isEmpty());
}

void TestEndToEnd::automaticConversion_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("streams");
    QTest::newRow("mp4") << QStringList{"-format=mp4"} << "clip.mp4"
                         << "video,audio";
    QTest::newRow("mp3") << QStringList{"-format=MP3"} << "clip.mp3"
                         << "audio";
    QTest::newRow("device") << QStringList{"-gadget=iphone"} << "clip(iPhone).mp4"
                            << "video,audio";
    QTest::newRow("size and caller")
        << QStringList{"-format=webm", "-resolution=160x120", "-quality=3", "-fDID=7", "-app=qlx"}
        << "clip.webm"
        << "video,audio";
    QTest::newRow("unknown, empty and huge options")
        << QStringList{"-colour=blue",
                       "--",
                       "",
                       "-resolution=",
                       "-gadget=",
                       "-fDID=" + QString(100000, '9'),
                       "-format=mp4",
                       "-quality=" + QString(5000, 'x')}
        << "clip.mp4"
        << "video,audio";
}

void TestEndToEnd::automaticConversion()
{
    QFETCH(QStringList, options);
    QFETCH(QString, output);
    QFETCH(QString, streams);
    TProgramHome home;
    QVERIFY(home.Valid());
    const QString clip = home.PutClip(FClip);

    int exitCode = -1;
    QByteArray printed;
    QVERIFY2(home.Run(Program(), QStringList{"-inName=" + clip, "-acm=autoClose"} + options,
                      exitCode, printed),
             printed.constData());
    QCOMPARE(exitCode, 0);
    QCOMPARE(StreamKinds(home.Media(output)), streams);
    // Only the source and the one output are left behind.
    QCOMPARE(QDir(home.Media()).entryList(QDir::Files).size(), 2);
    // An automatic close writes none of the values of a normal close.
    QCOMPARE(home.Setting("Build"), QString::number(FrobnikBuild));
    QVERIFY(!home.HasSetting("IOutFormat"));
    QVERIFY(!home.HasSetting("VideoPageIndex"));
}

void TestEndToEnd::existingOutputGetsNumberedName()
{
    TProgramHome home;
    const QString clip = home.PutClip(FClip);
    QFile existing(home.Media("clip.mp4"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("an earlier conversion");
    existing.close();

    int exitCode = -1;
    QByteArray printed;
    QVERIFY2(home.Run(Program(), {"-inName=" + clip, "-format=mp4", "-acm=autoClose"}, exitCode,
                      printed),
             printed.constData());
    QCOMPARE(exitCode, 0);
    QCOMPARE(StreamKinds(home.Media("clip[1].mp4")), QString("video,audio"));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("an earlier conversion"));
}

void TestEndToEnd::headlessAutomaticRunAlwaysEnds_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");
    // Without a display nobody could close the window, so no automatic mode
    // may leave the program waiting: success ends with 0, anything else with 1.
    QTest::newRow("auto success") << QStringList{"-format=mp3", "-acm=auto"} << "English" << 0
                                  << "Conversion complete";
    QTest::newRow("refusal: unknown device")
        << QStringList{"-gadget=toaster", "-acm=autoClose"} << "English" << 1 << "choose a device";
    QTest::newRow("no format") << QStringList{"-format=xyz", "-acm=autoSilent"} << "English" << 1
                               << "";
    // Without a language file every text is empty; the status must not
    // come from comparing texts.
    QTest::newRow("no texts: success")
        << QStringList{"-format=mp3", "-acm=autoClose"} << "Missing" << 0 << "";
    QTest::newRow("no texts: refusal")
        << QStringList{"-gadget=toaster", "-acm=autoClose"} << "Missing" << 1 << "";
    QTest::newRow("no texts: no format")
        << QStringList{"-format=xyz", "-acm=auto"} << "Missing" << 1 << "";
}

void TestEndToEnd::headlessAutomaticRunAlwaysEnds()
{
    QFETCH(QStringList, options);
    QFETCH(QString, language);
    QFETCH(int, status);
    QFETCH(QString, printed);
    TProgramHome home;
    home.SetSetting(QStringLiteral("Language"), language);
    const QString clip = home.PutClip(FClip);
    int exitCode = -1;
    QByteArray output;
    QVERIFY2(home.Run(Program(), QStringList{"-inName=" + clip} + options, exitCode, output),
             output.constData());
    QCOMPARE(exitCode, status);
    QVERIFY2(output.contains(printed.toUtf8()), output.constData());
    if (status != 0)
        QCOMPARE(QDir(home.Media()).entryList(QDir::Files), QStringList{"clip.avi"});
}

void TestEndToEnd::manualModeConvertsNothing()
{
    TProgramHome home;
    const QString clip = home.PutClip(FClip);

    QProcess process;
    home.Start(process, Program(), {"-inName=" + clip, "-format=mp4", "-acm=manual"});
    QVERIFY(process.waitForStarted());
    // Up and waiting for its user, then well past the time after which an
    // automatic start would have come.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(home.Data()).filePath("Frobnik/Frobnik.lock")),
                             30000);
    QTest::qWait(20 * TProgramHome::AutoStartMs);
    QCOMPARE(process.state(), QProcess::Running);
    QVERIFY(!QFile::exists(home.Media("clip.mp4")));
    process.kill();
    QVERIFY(process.waitForFinished());
    QCOMPARE(QDir(home.Media()).entryList(QDir::Files), QStringList{"clip.avi"});
}

void TestEndToEnd::secondCopyConverts()
{
    TProgramHome home;
    const QString clip = home.PutClip(FClip);

    // The first copy holds the lock and waits for its user.
    QProcess first;
    home.Start(first, Program(), {"-acm=manual"});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(home.Data()).filePath("Frobnik/Frobnik.lock")),
                             30000);

    int exitCode = -1;
    QByteArray printed;
    QVERIFY2(home.Run(Program(), {"-inName=" + clip, "-format=mp3", "-acm=autoClose"}, exitCode,
                      printed),
             printed.constData());
    QCOMPARE(exitCode, 0);
    QCOMPARE(StreamKinds(home.Media("clip.mp3")), QString("audio"));
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    QVERIFY(first.waitForFinished());
}

void TestEndToEnd::infoWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("firstLine");
    const QString usage = "Usage: frobnik [FILE] [-name=value ...]";
    const QString version = "Frobnik " + QString(FrobnikVersion);
    QTest::newRow("--help") << QStringList{"--help"} << usage;
    QTest::newRow("-h") << QStringList{"-h"} << usage;
    QTest::newRow("--version") << QStringList{"--version"} << version;
    // Would convert at once without the question among the options.
    QTest::newRow("among automatic options")
        << QStringList{"-inName=CLIP", "-format=mp3", "-acm=autoClose", "-h"} << usage;
    QTest::newRow("first question counts") << QStringList{"--version", "--help"} << version;
}

void TestEndToEnd::infoWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, firstLine);
    TProgramHome home;
    const QString clip = home.PutClip(FClip);
    arguments.replaceInStrings("CLIP", clip);
    QFile settings(home.Config() + "/qbx/Frobnik.conf");
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray settingsBefore = settings.readAll();
    settings.close();

    // Without any display Qt could not even start; the answer must come first.
    int exitCode = -1;
    QByteArray out, err;
    QVERIFY(home.RunWithoutPlatform(Program(), arguments, exitCode, out, err));
    QVERIFY2(err.isEmpty(), err.constData());
    QCOMPARE(exitCode, 0);
    const QString text = QString::fromUtf8(out);
    QCOMPARE(text.section('\n', 0, 0), firstLine);
    QVERIFY(text.endsWith('\n'));
    if (firstLine.startsWith("Usage")) {
        for (const char *prefix : {"-inName=", "-format=", "-gadget=", "-resolution=", "-quality=",
                                   "-sameaspect=", "-acm=", "-fDID=", "-app=", "--version"})
            QVERIFY2(text.contains(QLatin1String(prefix)), prefix);
    }
    // No lock, no temporary folder, no setting, no conversion.
    QVERIFY(QDir(home.Data()).isEmpty());
    QCOMPARE(QDir(home.Config() + "/qbx").entryList(QDir::Files), QStringList{"Frobnik.conf"});
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), settingsBefore);
    QCOMPARE(QDir(home.Media()).entryList(QDir::Files), QStringList{"clip.avi"});
}

void TestEndToEnd::infoThatCannotBeWrittenFails()
{
    // A full disk must not pass for a printed answer.
    QProcess process;
    process.setStandardOutputFile("/dev/full");
    process.start(Program(), {"--version"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
}

void TestEndToEnd::sourceNamedLikeAnInfoOption_data()
{
    QTest::addColumn<QString>("source"); // MEDIA stands for the media folder
    QTest::addColumn<bool>("asOption");
    QTest::newRow("first argument ./--help") << "./--help" << false;
    QTest::newRow("first argument, absolute") << "MEDIA/--help" << false;
    QTest::newRow("-inName=--help") << "--help" << true;
}

void TestEndToEnd::sourceNamedLikeAnInfoOption()
{
    QFETCH(QString, source);
    QFETCH(bool, asOption);
    TProgramHome home;
    home.PutClip(FClip, "--help");
    source.replace("MEDIA", home.Media());
    // A device names its output "<name>(<device>).<ext>" even for a source
    // without an extension.
    const QStringList arguments =
        QStringList{asOption ? "-inName=" + source : source, "-gadget=mp3audio", "-acm=autoClose"};

    int exitCode = -1;
    QByteArray printed;
    QVERIFY2(home.Run(Program(), arguments, exitCode, printed, home.Media()), printed.constData());
    QCOMPARE(exitCode, 0);
    QVERIFY2(!printed.contains("Usage"), printed.constData());
    QCOMPARE(StreamKinds(home.Media("--help(MP3 Audio).mp3")), QString("audio"));
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
