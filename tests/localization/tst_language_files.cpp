#include "localization/Language.h"
#include "localization/TextIds.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

// The language files that ship with the program: complete, consistent and
// readable by the reader exactly as written.
class TestLanguageFiles : public QObject
{
    Q_OBJECT
private slots:
    void shippedFile_data();
    void everyIdPresentAndNonEmpty();
    void everyIdPresentAndNonEmpty_data() { shippedFile_data(); }
    void placeholders();
    void placeholders_data() { shippedFile_data(); }
    void entriesAreKnownUniqueAndFoundAsWritten();
    void entriesAreKnownUniqueAndFoundAsWritten_data() { shippedFile_data(); }
    void noValueIsCutByAComment();
    void noValueIsCutByAComment_data() { shippedFile_data(); }
    void scriptMatchesLanguage();
    void scriptMatchesLanguage_data() { shippedFile_data(); }
    void accelerators();
    void accelerators_data() { shippedFile_data(); }

private:
    static QString FilePath(const QString &language)
    {
        return qEnvironmentVariable("FROBNIK_SOURCE_DIR") + QStringLiteral("/data/Languages/") +
               language + QStringLiteral(".lng");
    }
    static QList<TTextId> AllIds()
    {
        QList<TTextId> ids;
        for (const TTextId id : TextIds::MainMenuTexts)
            ids.append(id);
        for (const TTextId id : TextIds::MainFormTexts)
            ids.append(id);
        for (const TTextId id : TextIds::MessageTexts)
            ids.append(id);
        for (const TTextId id : TextIds::OwnTexts)
            ids.append(id);
        return ids;
    }
    static QString Name(TTextId id)
    {
        return LanguageSectionName(id.Section) + u' ' + QString::number(id.Id);
    }
};

void TestLanguageFiles::shippedFile_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "English";
    QTest::newRow("Russian") << "Russian";
}

void TestLanguageFiles::everyIdPresentAndNonEmpty()
{
    QFETCH(QString, language);
    QFile file(FilePath(language));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QVERIFY(file.read(3) == "\xEF\xBB\xBF");

    TLanguage lang;
    QVERIFY(lang.LoadLanguage(FilePath(language)));
    QCOMPARE(AllIds().size(), 62 + 9);
    for (const TTextId id : AllIds()) {
        const QString value = lang.Get(id);
        QVERIFY2(!value.trimmed().isEmpty(), qPrintable(Name(id)));
        QVERIFY2(value == value.trimmed(), qPrintable(Name(id)));
    }
}

void TestLanguageFiles::placeholders()
{
    QFETCH(QString, language);
    TLanguage lang;
    QVERIFY(lang.LoadLanguage(FilePath(language)));
    for (const TTextId id : AllIds()) {
        const QString value = lang.Get(id);
        bool wanted = false;
        for (const TTextId p : TextIds::TextsWithPlaceholder)
            wanted = wanted || (p.Section == id.Section && p.Id == id.Id);
        // Two markers where the caller fills two; any other would show as it is.
        const bool two = id.Id == TextIds::TimeLeft.Id || id.Id == TextIds::HoursMinutes.Id ||
                         id.Id == TextIds::MinutesSeconds.Id;
        QVERIFY2(value.count(QStringLiteral("%1")) == (wanted ? 1 : 0), qPrintable(Name(id)));
        QVERIFY2(value.count(QStringLiteral("%2")) == (two ? 1 : 0), qPrintable(Name(id)));
        QVERIFY2(!value.contains(QRegularExpression(QStringLiteral("%[03-9]"))),
                 qPrintable(Name(id)));
    }
}

void TestLanguageFiles::entriesAreKnownUniqueAndFoundAsWritten()
{
    QFETCH(QString, language);
    TLanguage lang;
    QVERIFY(lang.LoadLanguage(FilePath(language)));
    const QList<TTextId> known = AllIds();
    int entries = 0;
    for (const TLanguageSections section : {lsMainMenu, lsMainForm, lsGeneralMessages}) {
        QSet<QString> seen;
        for (const QString &line : lang.SectionLines(section)) {
            const qsizetype eq = line.indexOf(u'=');
            QVERIFY2(eq > 0, qPrintable(line));
            const QString id = line.left(eq);
            QVERIFY2(!seen.contains(id), qPrintable(QStringLiteral("duplicate ") + id));
            seen.insert(id);
            bool isKnown = false;
            for (const TTextId k : known)
                isKnown = isKnown || (k.Section == section && QString::number(k.Id) == id);
            QVERIFY2(isKnown, qPrintable(LanguageSectionName(section) + u' ' + id));
            // The lookup finds the first "id=" anywhere, so no earlier text may contain it.
            QCOMPARE(lang.Get(section, id), line.mid(eq + 1));
            ++entries;
        }
    }
    QCOMPARE(entries, known.size());
}

void TestLanguageFiles::noValueIsCutByAComment()
{
    QFETCH(QString, language);
    QFile file(FilePath(language));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = SplitLanguageLines(DecodeLanguageFile(file.readAll()));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QStringLiteral("//")))
            QVERIFY2(!trimmed.contains(QStringLiteral("//")), qPrintable(line));
    }
}

void TestLanguageFiles::scriptMatchesLanguage()
{
    QFETCH(QString, language);
    TLanguage lang;
    QVERIFY(lang.LoadLanguage(FilePath(language)));
    const QRegularExpression cyrillic(QStringLiteral("[\u0400-\u04FF]"));
    for (const TTextId id : AllIds()) {
        const bool hasCyrillic = lang.Get(id).contains(cyrillic);
        QVERIFY2(hasCyrillic == (language == QStringLiteral("Russian")), qPrintable(Name(id)));
    }
}

void TestLanguageFiles::accelerators()
{
    QFETCH(QString, language);
    TLanguage lang;
    QVERIFY(lang.LoadLanguage(FilePath(language)));
    // Menu captions carry one accelerator; the window's texts carry none, since
    // labels, hints and dialog titles would show the "&".
    QSet<QChar> topLevel;
    for (const TTextId id : AllIds()) {
        const QString value = lang.Get(id);
        const int expected = id.Section == lsMainMenu ? 1 : 0;
        QVERIFY2(value.count(u'&') == expected, qPrintable(Name(id)));
    }
    for (const TTextId id : {TextIds::FileMenu, TextIds::ViewMenu, TextIds::HelpMenu}) {
        const QString value = lang.Get(id);
        const QChar key = value.at(value.indexOf(u'&') + 1).toLower();
        QVERIFY2(!topLevel.contains(key), qPrintable(Name(id)));
        topLevel.insert(key);
    }
}

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "tst_language_files.moc"
