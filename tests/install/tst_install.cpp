// The installed copy: installed into a temporary prefix, it finds its data
// through the link in bin/ and converts in automatic mode.

#include "frame/ProgramRun.h"

#include <QSettings>

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void linkIsRelative();
    void desktopEntry();
    void installedCopyConverts();
    void movedTreeStillWorks();

private:
    QString Prefix(const QString &_path = QString()) const
    {
        return _path.isEmpty() ? FPrefix.path() : FPrefix.filePath(_path);
    }
    QTemporaryDir FPrefix;
    QByteArray FClip;
};

void TestInstall::initTestCase()
{
    const QString build = qEnvironmentVariable("FROBNIK_BUILD_DIR");
    const QString cmake = qEnvironmentVariable("FROBNIK_CMAKE");
    QVERIFY(!build.isEmpty() && !cmake.isEmpty());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(cmake, {"--install", build, "--prefix", Prefix()});
    QVERIFY(install.waitForFinished(300000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    FClip = MakeClipBytes();
    QVERIFY(!FClip.isEmpty());
}

void TestInstall::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    for (const char *path :
         {"lib/frobnik/frobnik", "lib/frobnik/presets.xml", "lib/frobnik/Languages/English.lng",
          "lib/frobnik/Languages/Russian.lng", "lib/frobnik/Sounds/converted.wav",
          "lib/frobnik/Sounds/error.wav", "lib/frobnik/images/device1_4state.bmp",
          "lib/frobnik/help/frobnik/index.htm", "lib/frobnik/help/frobnik_ru/index.htm",
          "share/applications/frobnik.desktop", "share/icons/hicolor/48x48/apps/frobnik.png",
          "share/icons/hicolor/256x256/apps/frobnik.png",
          "share/icons/hicolor/scalable/apps/frobnik.svg"})
        QTest::newRow(path) << QString(path);
}

void TestInstall::installedFiles()
{
    QFETCH(QString, path);
    const QFileInfo info(Prefix(path));
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(path));
    if (path == "lib/frobnik/frobnik")
        QVERIFY(info.isExecutable());
}

void TestInstall::linkIsRelative()
{
    const QFileInfo link(Prefix("bin/frobnik"));
    QVERIFY(link.isSymLink());
    QCOMPARE(link.symLinkTarget(), QFileInfo(Prefix("lib/frobnik/frobnik")).absoluteFilePath());
    QCOMPARE(QFile::symLinkTarget(Prefix("bin/frobnik")),
             QFileInfo(Prefix("lib/frobnik/frobnik")).canonicalFilePath());
    QVERIFY(link.isExecutable());
}

void TestInstall::desktopEntry()
{
    QFile file(Prefix("share/applications/frobnik.desktop"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(file.readAll());
    QVERIFY(entry.startsWith("[Desktop Entry]"));
    // A file manager's "Open with" hands the file over as the first argument.
    QVERIFY(entry.contains("\nExec=frobnik %f\n"));
    QVERIFY(entry.contains("\nIcon=frobnik\n"));
    QVERIFY(entry.contains("\nType=Application\n"));
    const qsizetype mime = entry.indexOf("\nMimeType=");
    QVERIFY(mime >= 0);
    const QString types = entry.mid(mime + 10, entry.indexOf('\n', mime + 1) - mime - 10);
    for (const char *type : {"video/mp4", "video/x-msvideo", "video/x-matroska", "audio/mpeg"})
        QVERIFY2(types.split(';').contains(type), type);

    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {file.fileName()});
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }
}

void TestInstall::installedCopyConverts()
{
    TProgramHome home;
    const QString clip = home.PutClip(FClip);

    // Started through the link; the device comes from the installed presets,
    // which only a program that finds its own folder can read.
    int exitCode = -1;
    QByteArray printed;
    QVERIFY2(home.Run(Prefix("bin/frobnik"),
                      {"-inName=" + clip, "-gadget=smarttv", "-acm=autoClose"}, exitCode, printed),
             printed.constData());
    QCOMPARE(exitCode, 0);
    QCOMPARE(StreamKinds(home.Media("clip(Smart TV).mp4")), QString("video,audio"));
    QCOMPARE(home.Setting("Build"), QString("43"));
}

void TestInstall::movedTreeStillWorks()
{
    QTemporaryDir moved;
    const QString root = moved.filePath("elsewhere");
    QVERIFY(QDir().rename(Prefix(), root));
    const auto restore = qScopeGuard([&]() { QDir().rename(root, Prefix()); });

    TProgramHome home;
    const QString clip = home.PutClip(FClip);
    int exitCode = -1;
    QByteArray printed;
    QVERIFY2(home.Run(root + "/bin/frobnik", {"-inName=" + clip, "-gadget=ipad", "-acm=autoClose"},
                      exitCode, printed),
             printed.constData());
    QCOMPARE(exitCode, 0);
    QCOMPARE(StreamKinds(home.Media("clip(iPad).mp4")), QString("video,audio"));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
