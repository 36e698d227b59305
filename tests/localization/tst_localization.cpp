#include "localization/Language.h"
#include "localization/QtTranslations.h"
#include "localization/RunTexts.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray Join(const QStringList &lines, const char *lineEnd = "\r\n")
{
    QByteArray out;
    for (const QString &line : lines)
        out += line.toUtf8() + lineEnd;
    return out;
}

// A complete file around the given section contents.
QStringList Wrap(const QStringList &menu, const QStringList &form, const QStringList &messages)
{
    return QStringList{QStringLiteral("// test")}
           << QStringLiteral("<MainMenu>") << menu << QStringLiteral("</MainMenu>")
           << QStringLiteral("<MainForm>") << form << QStringLiteral("</MainForm>")
           << QStringLiteral("<GeneralMessages>") << messages
           << QStringLiteral("</GeneralMessages>");
}

QByteArray Valid()
{
    return Join(Wrap({QStringLiteral("11010=File")}, {QStringLiteral("12014=Open")},
                     {QStringLiteral("13017=Done")}));
}

} // namespace

class TestLocalization : public QObject
{
    Q_OBJECT
private slots:
    void loadFromBytes_data();
    void loadFromBytes();
    void encodings_data();
    void encodings();
    void stripComments_data();
    void stripComments();
    void splitLines_data();
    void splitLines();
    void extractSection_data();
    void extractSection();
    void emptyBeforeLoading();
    void missingFileChangesNothing();
    void missingSectionKeepsEarlierTexts();
    void unreadableOrHugeFileChangesNothing();
    void unusedSectionsStayEmpty();
    void textIdLookup();
    void randomBytesNeverCrash();
    void timeLeft_data();
    void timeLeft();
    void durations_data();
    void durations();
    void languageLocale();
    void qtTextsFollowLanguage();
};

namespace {

TLanguage Shipped(const QString &_name)
{
    TLanguage language;
    language.LoadLanguage(qEnvironmentVariable("FROBNIK_SOURCE_DIR") +
                          QStringLiteral("/data/Languages/") + _name + QStringLiteral(".lng"));
    return language;
}

} // namespace

void TestLocalization::loadFromBytes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("value");

    const auto form = [](const QStringList &lines) {
        return Join(Wrap({QStringLiteral("11010=File")}, lines, {QStringLiteral("13017=Done")}));
    };
    QTest::newRow("valid menu") << Valid() << true << int(lsMainMenu) << "11010"
                                << "File";
    QTest::newRow("valid form") << Valid() << true << int(lsMainForm) << "12014"
                                << "Open";
    QTest::newRow("valid messages") << Valid() << true << int(lsGeneralMessages) << "13017"
                                    << "Done";
    QTest::newRow("id of another section") << Valid() << true << int(lsMainForm) << "11010"
                                           << "";
    QTest::newRow("comment keeps blanks before it")
        << form({QStringLiteral("  12011=Source file:   // note")}) << true << int(lsMainForm)
        << "12011"
        << "Source file:   ";
    QTest::newRow("web address cut at its slashes")
        << form({QStringLiteral("12011=Visit http://example.org/x")}) << true << int(lsMainForm)
        << "12011"
        << "Visit http:";
    QTest::newRow("blanks around equals not found")
        << form({QStringLiteral("12011 = text")}) << true << int(lsMainForm) << "12011"
        << "";
    QTest::newRow("value keeps leading blanks")
        << form({QStringLiteral("12011=  x")}) << true << int(lsMainForm) << "12011"
        << "  x";
    QTest::newRow("line trimmed at the end")
        << form({QStringLiteral("12011=x \t ")}) << true << int(lsMainForm) << "12011"
        << "x";
    QTest::newRow("no-break space is text")
        << form({QStringLiteral("12011=x\u00A0")}) << true << int(lsMainForm) << "12011"
        << QStringLiteral("x\u00A0");
    QTest::newRow("equals in value")
        << form({QStringLiteral("12011=a=b")}) << true << int(lsMainForm) << "12011"
        << "a=b";
    QTest::newRow("empty value") << form({QStringLiteral("12011=")}) << true << int(lsMainForm)
                                 << "12011"
                                 << "";
    QTest::newRow("longer id before wins")
        << Join(Wrap({QStringLiteral("11010=File")}, {QStringLiteral("12014=Open")},
                     {QStringLiteral("113011=abc"), QStringLiteral("13011=xyz")}))
        << true << int(lsGeneralMessages) << "13011"
        << "abc";
    QTest::newRow("first of two counts")
        << form({QStringLiteral("12011=one"), QStringLiteral("12011=two")}) << true
        << int(lsMainForm) << "12011"
        << "one";
    QTest::newRow("comment line inside section")
        << form({QStringLiteral("// 12011=no"), QStringLiteral("12011=yes")}) << true
        << int(lsMainForm) << "12011"
        << "yes";
    QTest::newRow("closing tag at line end")
        << Join({QStringLiteral("<MainMenu>"), QStringLiteral("11010=File</MainMenu>"),
                 QStringLiteral("<MainForm>"), QStringLiteral("1=a"), QStringLiteral("</MainForm>"),
                 QStringLiteral("<GeneralMessages>"), QStringLiteral("2=b"),
                 QStringLiteral("</GeneralMessages>")})
        << true << int(lsMainMenu) << "11010"
        << "File";
    QTest::newRow("text before opening tag")
        << Join({QStringLiteral("x <MainMenu>"), QStringLiteral("11010=File"),
                 QStringLiteral("</MainMenu>"), QStringLiteral("<MainForm>"), QStringLiteral("1=a"),
                 QStringLiteral("</MainForm>"), QStringLiteral("<GeneralMessages>"),
                 QStringLiteral("2=b"), QStringLiteral("</GeneralMessages>")})
        << true << int(lsMainMenu) << "11010"
        << "File";
    QTest::newRow("text after opening tag")
        << Join({QStringLiteral("<MainMenu>11010=File"), QStringLiteral("</MainMenu>"),
                 QStringLiteral("<MainForm>"), QStringLiteral("1=a"), QStringLiteral("</MainForm>"),
                 QStringLiteral("<GeneralMessages>"), QStringLiteral("2=b"),
                 QStringLiteral("</GeneralMessages>")})
        << false << int(lsMainMenu) << "11010"
        << "";
    QTest::newRow("sections in any order")
        << Join({QStringLiteral("<GeneralMessages>"), QStringLiteral("13017=Done"),
                 QStringLiteral("</GeneralMessages>"), QStringLiteral("<MainForm>"),
                 QStringLiteral("12014=Open"), QStringLiteral("</MainForm>"),
                 QStringLiteral("<MainMenu>"), QStringLiteral("11010=File"),
                 QStringLiteral("</MainMenu>")})
        << true << int(lsGeneralMessages) << "13017"
        << "Done";
    QTest::newRow("tag names are case-sensitive")
        << Valid().replace("<MainMenu>", "<mainmenu>") << false << int(lsMainMenu) << "11010"
        << "";
    QTest::newRow("empty section not found")
        << Join(Wrap({}, {QStringLiteral("12014=Open")}, {QStringLiteral("13017=Done")})) << false
        << int(lsMainForm) << "12014"
        << "Open";
    QTest::newRow("closing tag before opening")
        << Join(QStringList{QStringLiteral("</MainForm>")} + Wrap({QStringLiteral("11010=File")},
                                                                  {QStringLiteral("12014=Open")},
                                                                  {QStringLiteral("13017=Done")}))
        << false << int(lsMainForm) << "12014"
        << "";
    QTest::newRow("messages without closing tag")
        << Join({QStringLiteral("<MainMenu>"), QStringLiteral("11010=File"),
                 QStringLiteral("</MainMenu>"), QStringLiteral("<MainForm>"),
                 QStringLiteral("12014=Open"), QStringLiteral("</MainForm>"),
                 QStringLiteral("<GeneralMessages>"), QStringLiteral("13017=Done")})
        << false << int(lsMainForm) << "12014"
        << "Open";
    QTest::newRow("opening tag only on the last line")
        << QByteArray("<MainMenu>") << false << int(lsMainMenu) << "11010"
        << "";
    QTest::newRow("commented-out section")
        << Join(Wrap({QStringLiteral("11010=File")}, {QStringLiteral("12014=Open")},
                     {QStringLiteral("13017=Done")}))
               .replace("<MainMenu>", "// <MainMenu>")
        << false << int(lsMainMenu) << "11010"
        << "";
    QTest::newRow("CR line ends") << Join(Wrap({QStringLiteral("11010=File")},
                                               {QStringLiteral("12014=Open")},
                                               {QStringLiteral("13017=Done")}),
                                          "\r")
                                  << true << int(lsMainForm) << "12014"
                                  << "Open";
    QTest::newRow("LF line ends") << Join(Wrap({QStringLiteral("11010=File")},
                                               {QStringLiteral("12014=Open")},
                                               {QStringLiteral("13017=Done")}),
                                          "\n")
                                  << true << int(lsGeneralMessages) << "13017"
                                  << "Done";
    QTest::newRow("LF CR is two breaks")
        << Join(Wrap({QStringLiteral("11010=File")}, {QStringLiteral("12014=Open")},
                     {QStringLiteral("13017=Done")}),
                "\n\r")
        << true << int(lsMainMenu) << "11010"
        << "File";
    QTest::newRow("no line break at the end")
        << Join(Wrap({QStringLiteral("11010=File")}, {QStringLiteral("12014=Open")},
                     {QStringLiteral("13017=Done")}))
               .chopped(2)
        << true << int(lsGeneralMessages) << "13017"
        << "Done";
    QTest::newRow("NUL bytes are trimmed")
        << Join(Wrap({QStringLiteral("11010=File")}, {QStringLiteral("12014=Open")},
                     {QStringLiteral("13017=Done")}))
               .replace("12014=Open", QByteArray("12014=Open\0\0", 12))
        << true << int(lsMainForm) << "12014"
        << "Open";
    QTest::newRow("empty file") << QByteArray() << false << int(lsMainMenu) << "11010"
                                << "";
    QTest::newRow("only a byte-order mark")
        << QByteArray("\xEF\xBB\xBF") << false << int(lsMainMenu) << "11010"
        << "";
    QTest::newRow("binary") << QByteArray("\x00\xff<MainMenu\x00>\r\n\xfe", 16) << false
                            << int(lsMainMenu) << ""
                            << "";
}

void TestLocalization::loadFromBytes()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, loaded);
    QFETCH(int, section);
    QFETCH(QString, id);
    QFETCH(QString, value);
    TLanguage language;
    QCOMPARE(language.LoadLanguageFromBytes(file), loaded);
    QCOMPARE(language.Get(TLanguageSections(section), id), value);
}

void TestLocalization::encodings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");

    const QString russian = QStringLiteral("Конвертировать");
    const QByteArray utf8 =
        Join(Wrap({QStringLiteral("11010=File")}, {QStringLiteral("12100=") + russian},
                  {QStringLiteral("13017=Done")}));
    const auto utf16 = [&](QStringConverter::Encoding encoding, const QByteArray &bom) {
        QStringEncoder encoder(encoding);
        return bom + QByteArray(encoder.encode(QString::fromUtf8(utf8)));
    };
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") + utf8 << russian;
    QTest::newRow("UTF-8 without mark") << utf8 << russian;
    QTest::newRow("UTF-16 LE") << utf16(QStringConverter::Utf16LE, "\xFF\xFE") << russian;
    QTest::newRow("UTF-16 BE") << utf16(QStringConverter::Utf16BE, "\xFE\xFF") << russian;
    QByteArray latin1 = utf8;
    latin1.replace(russian.toUtf8(), "Caf\xE9");
    QTest::newRow("not UTF-8 reads as Latin-1") << latin1 << QStringLiteral("Caf\u00E9");
    QByteArray truncated = utf16(QStringConverter::Utf16LE, "\xFF\xFE");
    truncated.append('x'); // an odd byte at the end
    QTest::newRow("UTF-16 with odd length") << truncated << russian;
    QByteArray badUtf8 = QByteArray("\xEF\xBB\xBF") + utf8;
    badUtf8.replace("File", "F\xC3");
    QTest::newRow("broken UTF-8 after mark") << badUtf8 << russian;
}

void TestLocalization::encodings()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    TLanguage language;
    QVERIFY(language.LoadLanguageFromBytes(file));
    QCOMPARE(language.Get(lsMainForm, QStringLiteral("12100")), value);
}

void TestLocalization::stripComments_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty list") << QStringList() << QStringList();
    QTest::newRow("trim and drop")
        << QStringList{" a ", "", "  ", "\t//c", "b//c", "//", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("comment keeps inner blanks") << QStringList{"x  // y"} << QStringList{"x  "};
    QTest::newRow("only slashes after text") << QStringList{"a//"} << QStringList{"a"};
    QTest::newRow("single slash stays") << QStringList{"a/b"} << QStringList{"a/b"};
    QTest::newRow("control characters trimmed") << QStringList{QString::fromLatin1("\x01\x1f"
                                                                                   "a\x7f")}
                                                << QStringList{"a\x7f"};
}

void TestLocalization::stripComments()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);
    StripComments(lines);
    QCOMPARE(lines, expected);
}

void TestLocalization::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("one without break") << "a" << QStringList{"a"};
    QTest::newRow("trailing break adds nothing") << "a\r\n" << QStringList{"a"};
    QTest::newRow("mixed") << "a\rb\nc\r\nd" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("empty lines kept") << "\r\n\n\r" << QStringList{"", "", ""};
}

void TestLocalization::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(SplitLanguageLines(text), expected);
}

void TestLocalization::extractSection_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QStringList>("lines");
    const QStringList before{"old"};
    QTest::newRow("found") << "<S>\r\na\r\nb\r\n</S>\r\n" << true << QStringList{"a", "b"};
    QTest::newRow("nothing between") << "<S>\r\n</S>\r\n" << false << before;
    QTest::newRow("no opening break") << "<S></S>\r\n" << false << before;
    QTest::newRow("no closing") << "<S>\r\na\r\n" << false << before;
    QTest::newRow("closing inside content line") << "<S>\r\na</S>" << true << QStringList{"a"};
    QTest::newRow("opening nested in text") << "x<S>\r\na\r\n</S>" << true << QStringList{"a"};
    QTest::newRow("empty text") << "" << false << before;
}

void TestLocalization::extractSection()
{
    QFETCH(QString, text);
    QFETCH(bool, found);
    QFETCH(QStringList, lines);
    QStringList list{"old"};
    QCOMPARE(ExtractSection(text, QStringLiteral("S"), list), found);
    QCOMPARE(list, lines);
}

void TestLocalization::emptyBeforeLoading()
{
    TLanguage language;
    QCOMPARE(language.Get(lsMainMenu, QStringLiteral("11010")), QString());
    QCOMPARE(language.Get(lsGeneralMessages, QString()), QString());
}

void TestLocalization::missingFileChangesNothing()
{
    TLanguage language;
    QVERIFY(language.LoadLanguageFromBytes(Valid()));
    QVERIFY(!language.LoadLanguage(QStringLiteral("/nonexistent/Languages/English.lng")));
    QVERIFY(!language.LoadLanguage(QString()));
    QTemporaryDir dir;
    QVERIFY(!language.LoadLanguage(dir.path())); // a folder is not a file
    QCOMPARE(language.Get(lsMainMenu, QStringLiteral("11010")), QStringLiteral("File"));
}

void TestLocalization::missingSectionKeepsEarlierTexts()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("English.lng"));
    const QString second = dir.filePath(QStringLiteral("Broken.lng"));
    {
        QFile f(first);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Valid());
        QFile g(second);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write(Join({QStringLiteral("<MainMenu>"), QStringLiteral("11010=Datei"),
                      QStringLiteral("</MainMenu>"), QStringLiteral("<GeneralMessages>"),
                      QStringLiteral("13017=Fertig")}));
    }
    TLanguage language;
    QVERIFY(language.LoadLanguage(first));
    QVERIFY(!language.LoadLanguage(second));
    QCOMPARE(language.Get(lsMainMenu, QStringLiteral("11010")), QStringLiteral("Datei"));
    QCOMPARE(language.Get(lsMainForm, QStringLiteral("12014")), QStringLiteral("Open"));
    QCOMPARE(language.Get(lsGeneralMessages, QStringLiteral("13017")), QStringLiteral("Done"));
    QCOMPARE(language.SectionLines(lsMainMenu), QStringList{QStringLiteral("11010=Datei")});
}

void TestLocalization::unreadableOrHugeFileChangesNothing()
{
    QTemporaryDir dir;
    const QString huge = dir.filePath(QStringLiteral("Huge.lng"));
    {
        QFile f(huge);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Join(Wrap({QStringLiteral("11010=Huge")}, {QStringLiteral("12014=Huge")},
                          {QStringLiteral("13017=Huge")})));
        QVERIFY(f.resize(TLanguage::MaxFileSize + 1)); // sparse: costs no disk space
    }
    TLanguage language;
    QVERIFY(language.LoadLanguageFromBytes(Valid()));
    QVERIFY(!language.LoadLanguage(huge));
    QCOMPARE(language.Get(lsMainMenu, QStringLiteral("11010")), QStringLiteral("File"));

    // At the limit the file still loads (padding after the sections is ignored).
    {
        QFile f(huge);
        QVERIFY(f.resize(TLanguage::MaxFileSize));
    }
    QVERIFY(language.LoadLanguage(huge));
    QCOMPARE(language.Get(lsMainMenu, QStringLiteral("11010")), QStringLiteral("Huge"));
}

void TestLocalization::unusedSectionsStayEmpty()
{
    TLanguage language;
    QByteArray file =
        Join(QStringList{QStringLiteral("<General>"), QStringLiteral("CHARSET=204"),
                         QStringLiteral("</General>"), QStringLiteral("<OptionsForm>"),
                         QStringLiteral("14000=x"), QStringLiteral("</OptionsForm>")});
    file += Valid();
    QVERIFY(language.LoadLanguageFromBytes(file));
    for (const TLanguageSections section : {lsGeneral, lsOptionsForm, lsOtherForms}) {
        QCOMPARE(language.Get(section, QStringLiteral("CHARSET")), QString());
        QCOMPARE(language.Get(section, QStringLiteral("14000")), QString());
        QCOMPARE(language.SectionLines(section), QStringList());
    }
    QCOMPARE(language.Get(TLanguageSections(-1), QStringLiteral("11010")), QString());
    QCOMPARE(language.Get(TLanguageSections(99), QStringLiteral("11010")), QString());
}

void TestLocalization::textIdLookup()
{
    TLanguage language;
    QVERIFY(language.LoadLanguageFromBytes(Valid()));
    QCOMPARE(language.Get(TTextId{lsMainForm, 12014}), QStringLiteral("Open"));
    QCOMPARE(language.Get(TTextId{lsMainMenu, 12014}), QString());
    QCOMPARE(LanguageSectionName(lsGeneralMessages), QStringLiteral("GeneralMessages"));
}

void TestLocalization::randomBytesNeverCrash()
{
    // Pieces of real files shuffled with noise, so the parser meets its
    // markers in every broken arrangement. Fixed seed: the same bytes each run.
    const QList<QByteArray> pieces{"<MainMenu>",
                                   "</MainMenu>",
                                   "<MainForm>",
                                   "</MainForm>",
                                   "<GeneralMessages>",
                                   "</GeneralMessages>",
                                   "\r\n",
                                   "\r",
                                   "\n",
                                   "//",
                                   "=",
                                   "11010",
                                   "\xEF\xBB\xBF",
                                   "\xFF\xFE",
                                   "\xFE\xFF",
                                   QByteArray(1, '\0'),
                                   "\xC3",
                                   " ",
                                   "<",
                                   ">"};
    QRandomGenerator random(20240611);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int count = random.bounded(40);
        for (int i = 0; i < count; ++i) {
            if (random.bounded(4) == 0)
                bytes.append(char(random.bounded(256)));
            else
                bytes.append(pieces[random.bounded(int(pieces.size()))]);
        }
        TLanguage language;
        const bool loaded = language.LoadLanguageFromBytes(bytes);
        const QString value = language.Get(lsMainMenu, QStringLiteral("11010"));
        if (!loaded)
            QVERIFY(language.SectionLines(lsMainMenu).isEmpty() ||
                    language.SectionLines(lsMainForm).isEmpty() ||
                    language.SectionLines(lsGeneralMessages).isEmpty());
        QVERIFY(!value.contains(u'\r') && !value.contains(u'\n'));
    }
}

void TestLocalization::timeLeft_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<qint64>("outTime");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<double>("speed");
    QTest::addColumn<QString>("text");
    // 600 s of source at 3.1 times real time: 193.5 s of work.
    QTest::newRow("minutes") << "English" << qint64(0) << qint64(600000) << 3.1
                             << "About 3 min left, 3.1x";
    QTest::newRow("Russian") << "Russian" << qint64(0) << qint64(600000) << 3.1
                             << "Осталось около 3 мин, скорость 3,1×";
    QTest::newRow("seconds, in steps of five")
        << "English" << qint64(580000) << qint64(600000) << 1.0 << "About 20 s left, 1.0x";
    QTest::newRow("nearly done") << "English" << qint64(599000) << qint64(600000) << 2.0
                                 << "About 5 s left, 2.0x";
    QTest::newRow("past the end") << "English" << qint64(700000) << qint64(600000) << 2.0
                                  << "About 5 s left, 2.0x";
    QTest::newRow("slower than real time")
        << "English" << qint64(50000) << qint64(140000) << 0.5 << "About 3 min left, 0.5x";
    QTest::newRow("hours") << "English" << qint64(0) << qint64(7500000) << 1.0
                           << "About 2 h 5 min left, 1.0x";
    QTest::newRow("fast, no decimals")
        << "English" << qint64(0) << qint64(600000) << 25.4 << "About 25 s left, 25x";
    QTest::newRow("length unknown")
        << "English" << qint64(5000) << qint64(0) << 1.5 << "Converting at 1.5x";
    QTest::newRow("no speed yet") << "English" << qint64(0) << qint64(600000) << 0.0 << "";
    QTest::newRow("speed not a number") << "English" << qint64(0) << qint64(600000)
                                        << std::numeric_limits<double>::quiet_NaN() << "";
}

void TestLocalization::timeLeft()
{
    QFETCH(QString, language);
    QFETCH(qint64, outTime);
    QFETCH(qint64, total);
    QFETCH(double, speed);
    QTEST(TimeLeftText(outTime, total, speed, Shipped(language), LanguageLocale(language)), "text");
}

void TestLocalization::durations_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::newRow("nothing") << qint64(0) << "0 s"
                             << "0 с";
    QTest::newRow("seconds") << qint64(59400) << "59 s"
                             << "59 с";
    QTest::newRow("rounds up to a minute") << qint64(59600) << "1 min 0 s"
                                           << "1 мин 0 с";
    QTest::newRow("minutes") << qint64(125000) << "2 min 5 s"
                             << "2 мин 5 с";
    QTest::newRow("hours") << qint64(3725000) << "1 h 2 min"
                           << "1 ч 2 мин";
}

void TestLocalization::durations()
{
    QFETCH(qint64, ms);
    QTEST(DurationText(ms, Shipped(QStringLiteral("English"))), "english");
    QTEST(DurationText(ms, Shipped(QStringLiteral("Russian"))), "russian");
}

void TestLocalization::languageLocale()
{
    QCOMPARE(LanguageLocale(QStringLiteral("Russian")).language(), QLocale::Russian);
    QCOMPARE(LanguageLocale(QStringLiteral("Ukrainian")).language(), QLocale::Ukrainian);
    QCOMPARE(LanguageLocale(QStringLiteral("English")).language(), QLocale::English);
    QCOMPARE(LanguageLocale(QStringLiteral("Klingon")).language(), QLocale::C);
}

// Qt's own texts (here a message box's button) follow the switches.
void TestLocalization::qtTextsFollowLanguage()
{
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    TQtTranslations texts;
    QVERIFY2(texts.Switch(QStringLiteral("Russian"), QString()),
             "no Qt translations (scripts/setup.sh installs qt6-translations-l10n)");
    QCOMPARE(cancel(), QStringLiteral("Отмена"));
    QVERIFY(!texts.Switch(QStringLiteral("English"), QString()));
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
    QVERIFY(texts.Switch(QStringLiteral("Russian"), QString()));
    QVERIFY(!texts.Switch(QStringLiteral("Klingon"), QString()));
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
}

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
