#include "support/PathUtils.h"
#include "support/Sound.h"
#include "support/TextUtils.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestSupport : public QObject
{
    Q_OBJECT
private slots:
    void extractTagValue_data();
    void extractTagValue();
    void extractTagValueWalksRepeatedElements();
    void substituteParams_data();
    void substituteParams();
    void strToIntDef_data();
    void strToIntDef();
    void asciiCase();
    void splitCommandText_data();
    void splitCommandText();
    void pathParts_data();
    void pathParts();
    void normalizeDirPath_data();
    void normalizeDirPath();
    void makeUniqueFileName_data();
    void makeUniqueFileName();
    void readRegularFile_data();
    void readRegularFile();
    void heldFiles();
    void playSoundFile();
    void decodeLocalText();
};

void TestSupport::extractTagValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("textAfter");

    const QString r = QStringLiteral("<r><v>1.2</v></r>");
    QTest::newRow("read keeps text") << r << "v" << false << "1.2" << r;
    QTest::newRow("read removes element") << r << "v" << true << "1.2"
                                          << "<r></r>";
    QTest::newRow("empty element removed") << "<v/>"
                                           << "v" << true << ""
                                           << "";
    QTest::newRow("empty element with space") << "<v />"
                                              << "v" << true << ""
                                              << "<v />";
    QTest::newRow("close before open") << "</v>x<v>y</v>"
                                       << "v" << true << ""
                                       << "</v>x<v>y</v>";
    QTest::newRow("no close") << "<v>y"
                              << "v" << true << ""
                              << "<v>y";
    QTest::newRow("other case") << "<V>y</V>"
                                << "v" << false << ""
                                << "<V>y</V>";
    QTest::newRow("nested") << "<a><a>x</a></a>"
                            << "a" << false << "<a>x"
                            << "<a><a>x</a></a>";
    QTest::newRow("not inside longer name") << "<newversioninfo>1</newversioninfo>"
                                            << "version" << false << ""
                                            << "<newversioninfo>1</newversioninfo>";
    QTest::newRow("attribute is not the marker") << "<v a='1'>x</v>"
                                                 << "v" << false << ""
                                                 << "<v a='1'>x</v>";
    QTest::newRow("no trimming") << "<v>  x \r\n</v>"
                                 << "v" << false << "  x \r\n"
                                 << "<v>  x \r\n</v>";
    QTest::newRow("empty content removed") << "a<v></v>b"
                                           << "v" << true << ""
                                           << "ab";
    QTest::newRow("empty text") << ""
                                << "v" << true << ""
                                << "";
    QTest::newRow("empty tag name") << "<>x</>"
                                    << "" << true << "x"
                                    << "";
}

void TestSupport::extractTagValue()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QFETCH(bool, remove);
    QFETCH(QString, value);
    QFETCH(QString, textAfter);
    QCOMPARE(ExtractTagValue(text, tag, remove), value);
    QCOMPARE(text, textAfter);
}

void TestSupport::extractTagValueWalksRepeatedElements()
{
    QString text =
        QStringLiteral("<d><device>1</device>x<device>2</device><device/><device>3</device></d>");
    QCOMPARE(ExtractTagValue(text, QStringLiteral("device"), false), QStringLiteral("1"));
    QCOMPARE(ExtractTagValue(text, QStringLiteral("device"), true), QStringLiteral("1"));
    QCOMPARE(ExtractTagValue(text, QStringLiteral("device"), true), QStringLiteral("2"));
    QCOMPARE(ExtractTagValue(text, QStringLiteral("device"), true), QStringLiteral("3"));
    // Only the self-closing one is left; it reads empty and goes away.
    QCOMPARE(ExtractTagValue(text, QStringLiteral("device"), true), QString());
    QCOMPARE(text, QStringLiteral("<d>x</d>"));
    QCOMPARE(ExtractTagValue(text, QStringLiteral("device"), true), QString());
}

void TestSupport::substituteParams_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("result");
    QTest::newRow("file exists") << "File %1 exists" << QStringList{"a.mp4", "", "", ""}
                                 << "File a.mp4 exists";
    QTest::newRow("empty values") << "%1 %2" << QStringList{"", "", "", ""} << " %2";
    QTest::newRow("first occurrence only")
        << "%1 and %1" << QStringList{"x", "", "", ""} << "x and %1";
    QTest::newRow("value holding a later marker")
        << "%1 %2" << QStringList{"%2", "b", "", ""} << "b %2";
    QTest::newRow("all four") << "%4%3%2%1" << QStringList{"a", "b", "c", "d"} << "dcba";
    QTest::newRow("no markers") << "plain" << QStringList{"a", "b", "c", "d"} << "plain";
}

void TestSupport::substituteParams()
{
    QFETCH(QString, templ);
    QFETCH(QStringList, params);
    QFETCH(QString, result);
    QCOMPARE(SubstituteParams(templ, params[0], params[1], params[2], params[3]), result);
}

void TestSupport::strToIntDef_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "42" << 42;
    QTest::newRow("leading blanks") << "   7" << 7;
    QTest::newRow("sign") << "-12" << -12;
    QTest::newRow("plus") << "+12" << 12;
    QTest::newRow("dollar hex") << "$1F" << 31;
    QTest::newRow("0x hex") << "0x10" << 16;
    QTest::newRow("negative hex") << "-$10" << -16;
    QTest::newRow("trailing blank") << "5 " << -99;
    QTest::newRow("empty") << "" << -99;
    QTest::newRow("blanks only") << "   " << -99;
    QTest::newRow("letters") << "12a" << -99;
    QTest::newRow("sign only") << "-" << -99;
    QTest::newRow("dollar only") << "$" << -99;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("min") << "-2147483648" << int(-2147483647 - 1);
    QTest::newRow("overflow") << "2147483648" << -99;
    QTest::newRow("huge") << "99999999999999999999999" << -99;
    QTest::newRow("hex wraps") << "$FFFFFFFF" << -1;
    QTest::newRow("hex too big") << "$1FFFFFFFF" << -99;
    QTest::newRow("non-ascii digit") << QString::fromUtf8("\xd9\xa3") << -99;
}

void TestSupport::strToIntDef()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(StrToIntDef(text, -99), value);
}

void TestSupport::asciiCase()
{
    const QString mixed = QString::fromUtf8("MkV Ärger ß");
    QCOMPARE(AsciiLowerCase(mixed), QString::fromUtf8("mkv Ärger ß"));
    QCOMPARE(AsciiUpperCase(mixed), QString::fromUtf8("MKV ÄRGER ß"));
}

void TestSupport::splitCommandText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("blanks") << "  -i   a.mp4 " << QStringList{"-i", "a.mp4"};
    QTest::newRow("control chars") << "a\tb\r\nc" << QStringList{"a", "b", "c"};
    QTest::newRow("quoted path") << "-i \"C D/e f.mp4\"" << QStringList{"-i", "C D/e f.mp4"};
    QTest::newRow("quote inside argument")
        << "-inName=\"/a b/c.mp4\"" << QStringList{"-inName=/a b/c.mp4"};
    QTest::newRow("whole argument quoted")
        << "\"-inName=/a b/c.mp4\"" << QStringList{"-inName=/a b/c.mp4"};
    QTest::newRow("filter") << " -vf \"yadif,scale=640:trunc(ow/a/2)*2\""
                            << QStringList{"-vf", "yadif,scale=640:trunc(ow/a/2)*2"};
    QTest::newRow("empty quotes") << "a \"\" b" << QStringList{"a", "", "b"};
    QTest::newRow("unclosed quote") << "a \"b c" << QStringList{"a", "b c"};
    QTest::newRow("no escape") << "a\\\"b c\"" << QStringList{"a\\b c"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestSupport::splitCommandText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, args);
    QCOMPARE(SplitCommandText(text), args);
}

void TestSupport::pathParts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("dir");
    QTest::newRow("file") << "/home/u/clip.mp4"
                          << "clip.mp4"
                          << ".mp4"
                          << "/home/u";
    QTest::newRow("two dots") << "/a/b.c.mkv"
                              << "b.c.mkv"
                              << ".mkv"
                              << "/a";
    QTest::newRow("dot in folder only") << "/a.mp4s/clip"
                                        << "clip"
                                        << ""
                                        << "/a.mp4s";
    QTest::newRow("root file") << "/clip.mp4"
                               << "clip.mp4"
                               << ".mp4"
                               << "/";
    QTest::newRow("folder with separator") << "/a/VIDEO_TS/"
                                           << ""
                                           << ""
                                           << "/a/VIDEO_TS";
    QTest::newRow("bare name") << "clip.avi"
                               << "clip.avi"
                               << ".avi"
                               << "";
    QTest::newRow("hidden file") << "/a/.mp4"
                                 << ".mp4"
                                 << ".mp4"
                                 << "/a";
}

void TestSupport::pathParts()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, ext);
    QFETCH(QString, dir);
    QCOMPARE(ExtractFileName(path), name);
    QCOMPARE(ExtractFileExt(path), ext);
    QCOMPARE(ExtractFileDir(path), dir);
    QCOMPARE(JoinPath(QStringLiteral("/a"), QStringLiteral("b")), QStringLiteral("/a/b"));
    QCOMPARE(JoinPath(QStringLiteral("/a/"), QStringLiteral("b")), QStringLiteral("/a/b"));
    QCOMPARE(JoinPath(QStringLiteral("/"), QStringLiteral("b")), QStringLiteral("/b"));
}

void TestSupport::normalizeDirPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("result");
    QTest::newRow("trimmed") << "  /home/Video  "
                             << "/home/Video/";
    QTest::newRow("already") << "/home/Video/"
                             << "/home/Video/";
    QTest::newRow("doubled") << "/home/a//b"
                             << "/home/a/b/";
    QTest::newRow("many doubled") << "/ho///a////b//"
                                  << "/ho/a/b/";
    QTest::newRow("leading pair stops") << "//srv/share//x"
                                        << "//srv/share//x/";
    QTest::newRow("pair at third char") << "/a//b//c"
                                        << "/a//b//c/";
    QTest::newRow("pair at third char ends it") << "/a//"
                                                << "/a/";
    QTest::newRow("leading pair with trailing pair") << "//srv//"
                                                     << "//srv/";
    QTest::newRow("only a pair") << " // "
                                 << "/";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("spaces") << "   "
                            << "";
    QTest::newRow("control chars") << "\t/x\r\n"
                                   << "/x/";
}

void TestSupport::normalizeDirPath()
{
    QFETCH(QString, path);
    QFETCH(QString, result);
    QCOMPARE(NormalizeDirPath(path), result);
}

void TestSupport::makeUniqueFileName_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("result");
    QTest::newRow("not existing") << QStringList{} << "clip.mp4"
                                  << "clip.mp4";
    QTest::newRow("existing") << QStringList{"clip.mp4"} << "clip.mp4"
                              << "clip[1].mp4";
    QTest::newRow("first taken") << QStringList{"clip.mp4", "clip[1].mp4"} << "clip.mp4"
                                 << "clip[2].mp4";
    QTest::newRow("counts on") << QStringList{"clip[4].mp4"} << "clip[4].mp4"
                               << "clip[5].mp4";
    QTest::newRow("not a number") << QStringList{"clip[x].mp4"} << "clip[x].mp4"
                                  << "clip[x][1].mp4";
    QTest::newRow("no extension") << QStringList{"clip"} << "clip"
                                  << "clip[1]";
    QTest::newRow("dotted folder") << QStringList{"a.mp4s/clip.mp4"} << "a.mp4s/clip.mp4"
                                   << "a.mp4s/clip[1].mp4";
    QTest::newRow("folder does not count") << QStringList{"dir.mp4/"} << "dir.mp4"
                                           << "dir.mp4";
    QTest::newRow("huge number") << QStringList{"c[99999999999].mp4"} << "c[99999999999].mp4"
                                 << "c[100000000000].mp4";
    QTest::newRow("18 digits") << QStringList{"c[999999999999999999].mp4"}
                               << "c[999999999999999999].mp4"
                               << "c[1000000000000000000].mp4";
    QTest::newRow("at the integer limit")
        << QStringList{"c[9223372036854775807].mp4"} << "c[9223372036854775807].mp4"
        << "c[9223372036854775807][1].mp4";
    QTest::newRow("beyond any integer")
        << QStringList{"c[18446744073709551616].mp4"} << "c[18446744073709551616].mp4"
        << "c[18446744073709551616][1].mp4";
}

void TestSupport::makeUniqueFileName()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, name);
    QFETCH(QString, result);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &e : existing) {
        const QString p = dir.filePath(e);
        if (e.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(p));
            continue;
        }
        QDir().mkpath(QFileInfo(p).path());
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(MakeUniqueFileName(dir.filePath(name)), dir.filePath(result));
}

void TestSupport::readRegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("read");
    QTest::newRow("small file") << "file" << true;
    QTest::newRow("file at the limit") << "full" << true;
    QTest::newRow("file over the limit") << "large" << false;
    QTest::newRow("link to a file") << "link" << true;
    QTest::newRow("FIFO without a writer") << "fifo" << false;
    QTest::newRow("link to an endless device") << "zero" << false;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("missing") << "missing" << false;
}

void TestSupport::readRegularFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(kind);
    const QByteArray bytes(64, 'x');
    const auto write = [](const QString &_path, const QByteArray &_bytes) {
        QFile f(_path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(_bytes);
    };
    if (kind == "file" || kind == "full")
        write(path, bytes.left(kind == "full" ? 64 : 10));
    else if (kind == "large")
        write(path, bytes + 'y');
    else if (kind == "link") {
        write(dir.filePath("target"), bytes.left(10));
        QVERIFY(QFile::link(dir.filePath("target"), path));
    } else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", path));
    else if (kind == "folder")
        QVERIFY(QDir().mkpath(path));
    QByteArray got = "stale";
    QCOMPARE(ReadRegularFile(path, 64, got), read);
    QCOMPARE(got, read ? bytes.left(kind == "full" ? 64 : 10) : QByteArray());
}

void TestSupport::heldFiles()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("progress1.txt");
    bool taken = true;
    std::unique_ptr<THeldFile> held = THeldFile::CreateNew(name, &taken);
    QVERIFY(held && !taken);
    QCOMPARE(held->FileName(), name);
    QVERIFY(held->Write("abc"));
    QVERIFY(IsHeldFile(name));
    // A second hold on the same name, even by the same process, is refused.
    QVERIFY(!THeldFile::CreateNew(name, &taken));
    QVERIFY(taken);
    held.reset();
    QVERIFY(!IsHeldFile(name));
    QCOMPARE(QFileInfo(name).size(), 3);

    // A link is taken, whether its target exists or not, and never written through.
    const QString victim = dir.filePath("victim");
    for (const QString &target : {victim, dir.filePath("nothing")}) {
        const QString link = dir.filePath("link-" + QFileInfo(target).fileName());
        if (target == victim) {
            QFile f(victim);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("mine");
        }
        QVERIFY(QFile::link(target, link));
        QVERIFY(!THeldFile::CreateNew(link, &taken));
        QVERIFY(taken);
    }
    QVERIFY(!QFileInfo::exists(dir.filePath("nothing")));
    QCOMPARE(QFileInfo(victim).size(), 4);
    // No folder: not taken, simply impossible.
    QVERIFY(!THeldFile::CreateNew(dir.filePath("absent/x.txt"), &taken));
    QVERIFY(!taken);
}

void TestSupport::playSoundFile()
{
    QStringList played;
    SetSoundPlayer([&played](const QString &f) { played << f; });
    PlaySoundFile(QStringLiteral("/nonexistent/error.wav"), false);
    QVERIFY(played.isEmpty());
    PlaySoundFile(QStringLiteral("/nonexistent/converted.wav"), true);
    QCOMPARE(played, QStringList{QStringLiteral("/nonexistent/converted.wav")});
    SetSoundPlayer({});
    // The real player ignores a missing file without blocking or failing.
    PlaySoundFile(QStringLiteral("/nonexistent/converted.wav"), true);
}

void TestSupport::decodeLocalText()
{
    QCOMPARE(DecodeLocalText(QByteArray("Duration: 00:00:01")),
             QStringLiteral("Duration: 00:00:01"));
    QCOMPARE(DecodeLocalText(QByteArray("\xd0\x9a")), QString::fromUtf8("\xd0\x9a"));
    // Invalid UTF-8 falls back to Latin-1, so the ASCII around it survives.
    const QString s = DecodeLocalText(QByteArray("a\xff: Video: h264"));
    QVERIFY(s.contains(QStringLiteral(": Video: h264")));
    QCOMPARE(s.size(), 15);
}

QTEST_GUILESS_MAIN(TestSupport)
#include "tst_support.moc"
