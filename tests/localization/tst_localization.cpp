#include "localization/Language.h"

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
};

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

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
