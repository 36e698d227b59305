// The installed copy: installed into a temporary prefix, it finds its data
// through the link in bin/ and converts in automatic mode.

#include "frame/ProgramRun.h"

#include <QSettings>
#include <QXmlStreamReader>

namespace {

const QString DesktopEntry = QStringLiteral("share/applications/com.qbx.Frobnik.desktop");
const QString Metainfo = QStringLiteral("share/metainfo/com.qbx.Frobnik.metainfo.xml");
const QString ManualPage = QStringLiteral("share/man/man1/frobnik.1.gz");

QString ReadText(const QString &_path)
{
    QFile file(_path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString Gunzip(const QString &_path)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {"-dc", _path});
    return gzip.waitForFinished() && gzip.exitCode() == 0 ? QString::fromUtf8(gzip.readAll())
                                                          : QString();
}

// The ";"-separated values of one key of a desktop entry.
QStringList DesktopList(const QString &_entry, const QString &_key)
{
    for (const QString &line : _entry.split('\n'))
        if (line.startsWith(_key + '='))
            return line.mid(_key.size() + 1).split(';', Qt::SkipEmptyParts);
    return {};
}

// A checker's complaints about a file: anything on its error stream, and
// everything it said when it failed; empty when it passes.
QString Complaints(const QString &_tool, const QStringList &_arguments)
{
    QProcess check;
    check.start(_tool, _arguments);
    if (!check.waitForFinished(120000))
        return _tool + QStringLiteral(" did not finish");
    const QString said = QString::fromUtf8(check.readAllStandardOutput());
    const QString warned = QString::fromUtf8(check.readAllStandardError()).trimmed();
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0)
        return warned;
    return _tool + QStringLiteral(" failed: ") + said + warned;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void linkIsRelative();
    void desktopEntry();
    void metainfo();
    void metainfoValidates();
    void manualPage();
    void manualPageFormats();
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
          "share/applications/com.qbx.Frobnik.desktop",
          "share/icons/hicolor/48x48/apps/frobnik.png",
          "share/icons/hicolor/256x256/apps/frobnik.png",
          "share/icons/hicolor/scalable/apps/frobnik.svg",
          "share/metainfo/com.qbx.Frobnik.metainfo.xml", "share/man/man1/frobnik.1.gz",
          "share/doc/frobnik/copyright", "share/doc/frobnik/changelog.gz"})
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
    QFile file(Prefix(DesktopEntry));
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

void TestInstall::metainfo()
{
    // What a software centre lists: the entry must name the installed desktop
    // entry, speak both interface languages and match the program's version.
    QXmlStreamReader xml(ReadText(Prefix(Metainfo)));
    QString id, launchable, releaseVersion;
    QStringList mediaTypes, summaryLanguages, paragraphLanguages, captionLanguages;
    bool contentRating = false;
    bool inDescription = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"description")
            inDescription = false;
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        const QString lang = xml.attributes().value("xml:lang").toString();
        if (name == u"description")
            inDescription = true;
        else if (name == u"id")
            id = xml.readElementText();
        else if (name == u"launchable")
            launchable = xml.readElementText();
        else if (name == u"mediatype")
            mediaTypes << xml.readElementText();
        else if (name == u"summary")
            summaryLanguages << lang;
        else if (name == u"p" && inDescription && releaseVersion.isEmpty())
            paragraphLanguages << lang;
        else if (name == u"caption")
            captionLanguages << lang;
        else if (name == u"content_rating")
            contentRating = xml.attributes().value("type").startsWith(u"oars-");
        else if (name == u"release" && releaseVersion.isEmpty())
            releaseVersion = xml.attributes().value("version").toString();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    const QString desktopName = QFileInfo(Prefix(DesktopEntry)).fileName();
    QCOMPARE(id + ".desktop", desktopName);
    QCOMPARE(launchable, desktopName);
    QCOMPARE(releaseVersion, QString(FrobnikVersion));
    QVERIFY(contentRating);
    QCOMPARE(summaryLanguages, QStringList({"", "ru"}));
    QVERIFY(paragraphLanguages.contains("") && paragraphLanguages.contains("ru"));
    QVERIFY(!captionLanguages.isEmpty());
    QCOMPARE(captionLanguages.count(""), captionLanguages.count("ru"));
    QCOMPARE(captionLanguages.count("") * 2, captionLanguages.size());
    // Files the desktop entry opens are the files the software centre offers it for.
    QStringList desktopTypes = DesktopList(ReadText(Prefix(DesktopEntry)), "MimeType");
    QVERIFY(!desktopTypes.isEmpty());
    desktopTypes.sort();
    mediaTypes.sort();
    QCOMPARE(mediaTypes, desktopTypes);
}

void TestInstall::metainfoValidates()
{
    const QString validator = QStandardPaths::findExecutable("appstreamcli");
    if (validator.isEmpty())
        QSKIP("appstreamcli is not installed (scripts/setup.sh installs it)");
    const QString complaints = Complaints(validator, {"validate", "--no-net", Prefix(Metainfo)});
    QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
}

void TestInstall::manualPage()
{
    const QString page = Gunzip(Prefix(ManualPage));
    const QString title = page.section('\n', 0, 0);
    QVERIFY2(title.startsWith(".TH FROBNIK 1 ") &&
                 title.contains("\"Frobnik " + QString(FrobnikVersion) + '"'),
             qPrintable(title));
    for (const char *section :
         {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLES"})
        QVERIFY2(page.contains(QLatin1String("\n.SH ") + QLatin1String(section) + '\n'), section);
    // Every option a caller can give, with roff's minus signs.
    for (const char *option : {"-inName=", "-format=", "-gadget=", "-resolution=", "-quality=",
                               "-sameaspect=", "-acm=", "-fDID=", "-app=", "--help", "--version"})
        QVERIFY2(page.contains(QString::fromLatin1(option).replace('-', "\\-")), option);
    // And every device key the installed presets offer.
    static const QRegularExpression nameElement("<name>([^<]*)</name>");
    int keys = 0;
    for (const QRegularExpressionMatch &m :
         nameElement.globalMatch(ReadText(Prefix("lib/frobnik/presets.xml")))) {
        const QString key = m.captured(1).toLower().remove(' ');
        QVERIFY2(page.contains(QRegularExpression("\\b" + key + "\\b")), qPrintable(key));
        ++keys;
    }
    QVERIFY(keys > 0);
}

void TestInstall::manualPageFormats()
{
    // The formatter's own warnings, as lintian asks for them.
    const QString man = QStandardPaths::findExecutable("man");
    if (man.isEmpty())
        QSKIP("man is not installed (scripts/setup.sh installs it)");
    const QString complaints =
        Complaints(man, {"--warnings", "-E", "UTF-8", "-Tutf8", "-Z", "-l", Prefix(ManualPage)});
    QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
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
    QCOMPARE(home.Setting("Build"), QString::number(FrobnikBuild));
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
