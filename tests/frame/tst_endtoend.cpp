// The built program started as a download manager starts it: options on the
// command line, no display, the real encoder.

#include "ProgramRun.h"

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

private:
    QString Program() const;
    QByteArray FClip;
};

QString TestEndToEnd::Program() const
{
    return QDir(qEnvironmentVariable("FROBNIK_PROGRAM_DIR")).filePath("frobnik");
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
    QCOMPARE(home.Setting("Build"), QString("43"));
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
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");
    // Without a display nobody could close the window, so no automatic mode
    // may leave the program waiting: success ends with 0, anything else with 1.
    QTest::newRow("auto success") << QStringList{"-format=mp3", "-acm=auto"} << 0
                                  << "Conversion complete";
    QTest::newRow("refusal: unknown device")
        << QStringList{"-gadget=toaster", "-acm=autoClose"} << 1 << "choose a device";
    QTest::newRow("no format") << QStringList{"-format=xyz", "-acm=autoSilent"} << 1 << "";
}

void TestEndToEnd::headlessAutomaticRunAlwaysEnds()
{
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, printed);
    TProgramHome home;
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
    // Well past the second after which an automatic start would have come.
    QTest::qWait(4000);
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

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
