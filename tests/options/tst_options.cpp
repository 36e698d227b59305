#include "app/CommandLineOptions.h"
#include "app/InfoRequest.h"
#include "presets/DevicePresets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Every decision of the record in one line, so a row states all of it.
QString Describe(const TCommandLineOptions &o)
{
    QStringList parts;
    switch (o.coPage) {
    case TCommandLineOptions::pcKeep:
        parts << QStringLiteral("page=keep");
        break;
    case TCommandLineOptions::pcFormat:
        parts << QStringLiteral("format=%1:%2").arg(o.coFormatName).arg(o.coOutFormatIndex);
        break;
    case TCommandLineOptions::pcDevice:
        parts << QStringLiteral("device=%1:%2").arg(o.coDeviceKey).arg(o.coSelectedDeviceID);
        break;
    }
    switch (o.coSize) {
    case TCommandLineOptions::scKeep:
        parts << QStringLiteral("size=keep");
        break;
    case TCommandLineOptions::scText:
        parts << QStringLiteral("size=") + o.coOutSizeText;
        break;
    case TCommandLineOptions::scSourceSize:
        parts << QStringLiteral("size=source");
        break;
    }
    parts << QStringLiteral("src=") + o.coSourceFileName;
    parts << QStringLiteral("quality=%1/%2").arg(o.coOutQualityType).arg(o.coOutQuality);
    parts << QStringLiteral("aspect=") +
                 (o.coSameAspect == TCommandLineOptions::saKeep
                      ? QStringLiteral("keep")
                      : (o.coSameAspect == TCommandLineOptions::saCheck ? QStringLiteral("on")
                                                                        : QStringLiteral("off")));
    parts << QStringLiteral("auto=%1%2%3%4")
                 .arg(int(o.coIsAutoMode))
                 .arg(int(o.coStartAutoTimer))
                 .arg(o.coAutoTimerTag)
                 .arg(int(o.coCloseOnComplete));
    parts << QStringLiteral("did=%1").arg(o.coConvertForPM_DID);
    parts << QStringLiteral("app=") + o.coConvertForAppName;
    return parts.join(u' ');
}

// What the options give when none of them is about the field in question.
const QString Rest = QStringLiteral("quality=0/-1 aspect=keep auto=0000 did=0 app=Pelmora");

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void getOptionValue_data();
    void getOptionValue();
    void relativeSourceMadeAbsolute_data();
    void relativeSourceMadeAbsolute();
    void noArgumentsChangeNothing();
    void deviceWithoutPresetList();
    void infoRequest_data();
    void infoRequest();

private:
    QString Expand(QString text) const
    {
        text.replace(QStringLiteral("$DIR"), Dir.path());
        return text;
    }
    QTemporaryDir Dir;
    TDevicePresets Presets;
};

void TestOptions::initTestCase()
{
    QVERIFY(Dir.isValid());
    for (const char *name : {"clip.avi", "a=b.avi", "with blank.mkv", "-format=mp3"}) {
        QFile f(Dir.filePath(QString::fromUtf8(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("media");
    }
    QVERIFY(QDir(Dir.path()).mkdir(QStringLiteral("folder.avi")));
    Presets.LoadFromBytes(
        "<presets><device><id>7</id><name>iPod</name><params>-c:v libx264</params>"
        "<extension>mp4</extension></device>"
        "<device><id>9</id><name>Smart TV</name><params>-c:v libx264</params>"
        "<extension>mkv</extension></device></presets>");
    QCOMPARE(Presets.Count(), 2);
}

void TestOptions::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    const QString keepAll = QStringLiteral("page=keep size=keep src= ") + Rest;
    QTest::newRow("unknown option only") << QStringList{"-verbose"} << keepAll;
    QTest::newRow("format lower case")
        << QStringList{"-format=webm"} << "format=WEBM:1 size=keep src= " + Rest;
    QTest::newRow("format mixed case")
        << QStringList{"-format=FlAc"} << "format=FLAC:11 size=keep src= " + Rest;
    QTest::newRow("prefix case differs") << QStringList{"-Format=webm"} << keepAll;
    QTest::newRow("unknown format")
        << QStringList{"-format=xyz"} << "format=XYZ:-1 size=keep src= " + Rest;
    QTest::newRow("format only ASCII upper-cased")
        << QStringList{QStringLiteral("-format=mp\u00e4")}
        << QStringLiteral("format=MP\u00e4:-1 size=keep src= ") + Rest;
    QTest::newRow("format wins over gadget")
        << QStringList{"-gadget=ipod", "-format=mp4"} << "format=MP4:0 size=keep src= " + Rest;
    QTest::newRow("empty format lets gadget in")
        << QStringList{"-format=", "-gadget=iPOD"} << "device=ipod:7 size=keep src= " + Rest;
    QTest::newRow("first format counts")
        << QStringList{"-format=mp3", "-format=mp4"} << "format=MP3:9 size=keep src= " + Rest;
    QTest::newRow("unknown gadget still device tab")
        << QStringList{"-gadget=toaster"} << "device=toaster:0 size=keep src= " + Rest;
    QTest::newRow("gadget keeps blanks")
        << QStringList{"-gadget=Smart TV"} << "device=smart tv:0 size=keep src= " + Rest;
    QTest::newRow("gadget key without blanks")
        << QStringList{"-gadget=SmartTV"} << "device=smarttv:9 size=keep src= " + Rest;
    QTest::newRow("size nine characters")
        << QStringList{"-resolution=1920x1080"} << "page=keep size=1920x1080 src= " + Rest;
    QTest::newRow("size ten characters")
        << QStringList{"-resolution=10000x1000"} << "page=keep size=source src= " + Rest;
    QTest::newRow("size upper-case X")
        << QStringList{"-resolution=1280X720"} << "page=keep size=source src= " + Rest;
    QTest::newRow("size any text with x")
        << QStringList{"-resolution=x"} << "page=keep size=x src= " + Rest;
    QTest::newRow("size empty") << QStringList{"-resolution="} << keepAll;
    QTest::newRow("source by option")
        << QStringList{"-inName=$DIR/clip.avi"} << "page=keep size=keep src=$DIR/clip.avi " + Rest;
    QTest::newRow("source with equals sign")
        << QStringList{"-inName=$DIR/a=b.avi"} << "page=keep size=keep src=$DIR/a=b.avi " + Rest;
    QTest::newRow("source with blank") << QStringList{"-inName=$DIR/with blank.mkv"}
                                       << "page=keep size=keep src=$DIR/with blank.mkv " + Rest;
    QTest::newRow("source missing") << QStringList{"-inName=$DIR/none.avi"} << keepAll;
    QTest::newRow("source is a folder") << QStringList{"-inName=$DIR/folder.avi"} << keepAll;
    QTest::newRow("first argument as source") << QStringList{"$DIR/clip.avi", "-format=mp3"}
                                              << "format=MP3:9 size=keep src=$DIR/clip.avi " + Rest;
    QTest::newRow("first argument not a file") << QStringList{"$DIR/none.avi"} << keepAll;
    QTest::newRow("option wins over first argument")
        << QStringList{"$DIR/clip.avi", "-inName=$DIR/a=b.avi"}
        << "page=keep size=keep src=$DIR/a=b.avi " + Rest;
    QTest::newRow("unusable option, no fallback")
        << QStringList{"$DIR/clip.avi", "-inName=$DIR/none.avi"} << keepAll;
    QTest::newRow("option-like first argument that is a file")
        << QStringList{"$DIR/-format=mp3"} << "page=keep size=keep src=$DIR/-format=mp3 " + Rest;
    QTest::newRow("quality 15 held at 10")
        << QStringList{"-quality=15"}
        << "page=keep size=keep src= quality=1/10 aspect=keep auto=0000 did=0 app=Pelmora";
    QTest::newRow("quality 0") << QStringList{"-quality=0"}
                               << "page=keep size=keep src= quality=1/0 aspect=keep auto=0000 "
                                  "did=0 app=Pelmora";
    QTest::newRow("quality text") << QStringList{"-quality=abc"} << keepAll;
    QTest::newRow("quality negative") << QStringList{"-quality=-3"} << keepAll;
    QTest::newRow("quality huge") << QStringList{"-quality=99999999999"} << keepAll;
    QTest::newRow("sameaspect 1")
        << QStringList{"-sameaspect=1"}
        << "page=keep size=keep src= quality=0/-1 aspect=on auto=0000 did=0 app=Pelmora";
    QTest::newRow("sameaspect 0")
        << QStringList{"-sameaspect=0"}
        << "page=keep size=keep src= quality=0/-1 aspect=off auto=0000 did=0 app=Pelmora";
    QTest::newRow("sameaspect other") << QStringList{"-sameaspect=yes"} << keepAll;
    QTest::newRow("acm auto")
        << QStringList{"-acm=auto"}
        << "page=keep size=keep src= quality=0/-1 aspect=keep auto=1110 did=0 app=Pelmora";
    QTest::newRow("acm autoSilent")
        << QStringList{"-acm=autoSilent"}
        << "page=keep size=keep src= quality=0/-1 aspect=keep auto=1110 did=0 app=Pelmora";
    QTest::newRow("acm autoClose")
        << QStringList{"-acm=autoClose"}
        << "page=keep size=keep src= quality=0/-1 aspect=keep auto=1111 did=0 app=Pelmora";
    QTest::newRow("acm manual")
        << QStringList{"-acm=manual"}
        << "page=keep size=keep src= quality=0/-1 aspect=keep auto=1000 did=0 app=Pelmora";
    QTest::newRow("acm case-sensitive")
        << QStringList{"-acm=AUTO"}
        << "page=keep size=keep src= quality=0/-1 aspect=keep auto=1000 did=0 app=Pelmora";
    QTest::newRow("acm empty") << QStringList{"-acm="} << keepAll;
    QTest::newRow("job number")
        << QStringList{"-fDID=17"}
        << "page=keep size=keep src= quality=0/-1 aspect=keep auto=0000 did=17 app=Pelmora";
    QTest::newRow("job number text") << QStringList{"-fDID=abc"} << keepAll;
    QTest::newRow("job number too large") << QStringList{"-fDID=4294967296"} << keepAll;
    QTest::newRow("app qlx")
        << QStringList{"-app=qlx"}
        << "page=keep size=keep src= quality=0/-1 aspect=keep auto=0000 did=0 app=Quillarax";
    QTest::newRow("app QLX") << QStringList{"-app=QLX"} << keepAll;
    QTest::newRow("everything at once")
        << QStringList{"-inName=$DIR/clip.avi",
                       "-format=mp4",
                       "-resolution=640x480",
                       "-quality=7",
                       "-sameaspect=0",
                       "-acm=autoClose",
                       "-fDID=42",
                       "-app=qlx"}
        << "format=MP4:0 size=640x480 src=$DIR/clip.avi quality=1/7 aspect=off auto=1111 did=42 "
           "app=Quillarax";
    QTest::newRow("huge value") << QStringList{QStringLiteral("-format=") + QString(1 << 20, u'a')}
                                << QStringLiteral("format=") + QString(1 << 20, u'A') +
                                       QStringLiteral(":-1 size=keep src= ") + Rest;
}

void TestOptions::parse()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    QStringList all{QStringLiteral("/usr/bin/frobnik")};
    for (const QString &a : args)
        all << Expand(a);
    QCOMPARE(Describe(ParseCommandLineOptions(all, &Presets)), Expand(expected));
}

void TestOptions::relativeSourceMadeAbsolute_data()
{
    QTest::addColumn<QString>("arg");
    QTest::addColumn<QString>("source");
    QTest::newRow("option") << "-inName=clip.avi"
                            << "$DIR/clip.avi";
    QTest::newRow("first argument") << "clip.avi"
                                    << "$DIR/clip.avi";
    // Made absolute, not tidied: the system resolves "./" and ".." itself.
    QTest::newRow("dot slash") << "-inName=./a=b.avi"
                               << "$DIR/./a=b.avi";
    // The system would see the name end at the NUL and take another file.
    QTest::newRow("NUL inside") << QStringLiteral("-inName=clip.avi") + QChar(u'\0') + "x"
                                << "";
    QTest::newRow("looks like an option") << "./-format=mp3"
                                          << "$DIR/./-format=mp3";
}

// A download manager or a terminal starts us in its own folder; the name
// must not be read against the program folder the probe runs in.
void TestOptions::relativeSourceMadeAbsolute()
{
    QFETCH(QString, arg);
    QFETCH(QString, source);
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Dir.path()));
    const TCommandLineOptions o =
        ParseCommandLineOptions({QStringLiteral("/usr/bin/frobnik"), arg}, &Presets);
    QDir::setCurrent(before);
    QCOMPARE(o.coSourceFileName, Expand(source));
}

void TestOptions::getOptionValue_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("value");
    QTest::newRow("found") << QStringList{"-x=1"} << "-x="
                           << "1";
    QTest::newRow("only the first equals sign") << QStringList{"-inName=C:\\a=b.avi"} << "-inName="
                                                << "C:\\a=b.avi";
    QTest::newRow("first match counts") << QStringList{"-x=1", "-x=2"} << "-x="
                                        << "1";
    QTest::newRow("empty value first") << QStringList{"-x=", "-x=2"} << "-x="
                                       << "";
    QTest::newRow("program is not an argument") << QStringList{} << "/usr/bin/frobnik"
                                                << "";
    QTest::newRow("prefix must lead") << QStringList{"a-x=1"} << "-x="
                                      << "";
    QTest::newRow("longer option with same start") << QStringList{"-x=1"} << "-x"
                                                   << "1";
    QTest::newRow("no equals sign") << QStringList{"-xyz"} << "-x"
                                    << "";
    QTest::newRow("nothing given") << QStringList{} << "-x="
                                   << "";
}

void TestOptions::getOptionValue()
{
    QFETCH(QStringList, args);
    QFETCH(QString, prefix);
    QFETCH(QString, value);
    QCOMPARE(GetOptionValue(QStringList{QStringLiteral("/usr/bin/frobnik")} + args, prefix), value);
}

void TestOptions::noArgumentsChangeNothing()
{
    const TCommandLineOptions none = ParseCommandLineOptions({QStringLiteral("frobnik")}, &Presets);
    QCOMPARE(
        Describe(none),
        QStringLiteral("page=keep size=keep src= quality=-1/-1 aspect=keep auto=0000 did=0 app="));
    QCOMPARE(Describe(ParseCommandLineOptions({}, &Presets)), Describe(none));
}

void TestOptions::deviceWithoutPresetList()
{
    const QStringList args{QStringLiteral("frobnik"), QStringLiteral("-gadget=ipod")};
    QCOMPARE(Describe(ParseCommandLineOptions(args, nullptr)),
             QStringLiteral("device=ipod:0 size=keep src= ") + Rest);
}

void TestOptions::infoRequest_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("request");
    const int none = int(TInfoRequest::irNone);
    const int usage = int(TInfoRequest::irUsage);
    const int version = int(TInfoRequest::irVersion);
    QTest::newRow("no arguments") << QStringList{} << none;
    QTest::newRow("--help") << QStringList{"--help"} << usage;
    QTest::newRow("-h after options") << QStringList{"-format=mp4", "-h"} << usage;
    QTest::newRow("--version") << QStringList{"--version"} << version;
    QTest::newRow("the first one counts") << QStringList{"-h", "--version"} << usage;
    // Sources and values that only look like the questions.
    QTest::newRow("./--help") << QStringList{"./--help"} << none;
    QTest::newRow("-inName=--help") << QStringList{"-inName=--help"} << none;
    QTest::newRow("other case") << QStringList{"--HELP", "-H", "--Version"} << none;
    QTest::newRow("near misses") << QStringList{"-help", "--help=1", "-v", "--version "} << none;
}

void TestOptions::infoRequest()
{
    QFETCH(QStringList, args);
    QFETCH(int, request);
    QCOMPARE(int(FindInfoRequest(QStringList{QStringLiteral("frobnik")} + args)), request);
    // The program's own path never counts, whatever it is called.
    QCOMPARE(int(FindInfoRequest(QStringList{QStringLiteral("--help")} + args)), request);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
