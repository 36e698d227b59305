#include "conversion/OutputRules.h"
#include "localization/LanguageDefaults.h"
#include "presets/DevicePresets.h"
#include "ui/Dialogs.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

class TestOutputRules : public QObject
{
    Q_OBJECT
private slots:
    void deriveOutputFileName_data();
    void deriveOutputFileName();
    void deriveAskesVolumeOfRootOnly();
    void caption_data();
    void caption();
    void pathHint_data();
    void pathHint();
    void formatExtension_data();
    void formatExtension();
    void completeOutputFileName_data();
    void completeOutputFileName();
    void formatRules_data();
    void formatRules();
    void optionItems_data();
    void optionItems();
    void outFilterEntriesFollowFormats();
    void dialogFilter_data();
    void dialogFilter();
    void defaultLanguage_data();
    void defaultLanguage();
    void startLanguage_data();
    void startLanguage();
    void languageLinks_data();
    void languageLinks();
    void listLanguageFiles();
    void dialingCodes();
    void systemFactsInjectable();
};

namespace {

TDevPreset PocketPlayer()
{
    TDevPreset preset;
    preset.ID = 5;
    preset.Name = "Pocket Player";
    preset.idName = "pocketplayer";
    preset.Extension = "mp4";
    return preset;
}

} // namespace

void TestOutputRules::deriveOutputFileName_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("formatExt");
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("expected");

    // The output names users see for each kind of source, with Linux paths.
    QTest::newRow("file, format") << "/clips/trip.AVI" << 0 << "mp4" << false << ""
                                  << "/clips/trip.mp4";
    QTest::newRow("file, device") << "/clips/trip.AVI" << 1 << "" << true << ""
                                  << "/clips/trip(Pocket Player).mp4";
    QTest::newRow("double ext, format") << "/clips/a.avi.avi" << 0 << "mp4" << false << ""
                                        << "/clips/a.mp4.mp4";
    QTest::newRow("double ext, device") << "/clips/a.avi.avi" << 1 << "" << true << ""
                                        << "/clips/a(Pocket Player).mp4";
    QTest::newRow("root file, format") << "/trip.avi" << 0 << "mp4" << false << ""
                                       << "/trip.mp4";
    QTest::newRow("root file, device") << "/trip.avi" << 1 << "" << true << ""
                                       << "/trip(Pocket Player).mp4";
    QTest::newRow("dvd, format") << "/Movies/Film/VIDEO_TS/" << 0 << "mp4" << false << ""
                                 << "/Movies/Film.mp4";
    QTest::newRow("dvd, device") << "/Movies/Film/VIDEO_TS/" << 1 << "" << true << ""
                                 << "/Movies/Film/VIDEO_TS/(Pocket Player).mp4";
    QTest::newRow("folder, format") << "/Movies/Holiday/" << 0 << "mp4" << false << ""
                                    << "/Movies/Holiday.mp4";
    QTest::newRow("folder, device") << "/Movies/Holiday/" << 1 << "" << true << ""
                                    << "/Movies/Holiday/(Pocket Player).mp4";
    QTest::newRow("bare dvd, labelled") << "/VIDEO_TS/" << 0 << "mp4" << false << "MYDISC"
                                        << "/MYDISC.mp4";
    QTest::newRow("bare dvd, device") << "/VIDEO_TS/" << 1 << "" << true << "MYDISC"
                                      << "/VIDEO_TS/(Pocket Player).mp4";
    QTest::newRow("root, no label") << "/" << 0 << "mp4" << false << ""
                                    << "/DVD_video.mp4";

    // Further cases of the rule.
    QTest::newRow("no format") << "/clips/trip.avi" << 0 << "" << false << ""
                               << "";
    QTest::newRow("device page, none") << "/clips/trip.avi" << 1 << "" << false << ""
                                       << "";
    QTest::newRow("other page") << "/clips/trip.avi" << 2 << "mp4" << true << ""
                                << "";
    QTest::newRow("no extension keeps name") << "/clips/trip" << 0 << "mp4" << false << ""
                                             << "/clips/trip";
    QTest::newRow("ext in the middle too") << "/c/x.avi.old.avi" << 0 << "mkv" << false << ""
                                           << "/c/x.mkv.old.mkv";
    QTest::newRow("folder part has the ext") << "/a.avi/b.avi" << 0 << "mp4" << false << ""
                                             << "/a.avi/b.mp4";
    QTest::newRow("video_ts not at end") << "/m/VIDEO_TS/x/" << 0 << "mp4" << false << ""
                                         << "/m/VIDEO_TS/x.mp4";
    QTest::newRow("lower video_ts is a folder") << "/m/Film/video_ts/" << 0 << "mp4" << false << ""
                                                << "/m/Film/video_ts.mp4";
    QTest::newRow("relative name") << "trip.avi" << 0 << "webm" << false << ""
                                   << "trip.webm";
    QTest::newRow("folder without slash is a file") << "/Movies/Holiday" << 1 << "" << true << ""
                                                    << "/Movies/Holiday(Pocket Player).mp4";
}

void TestOutputRules::deriveOutputFileName()
{
    QFETCH(QString, source);
    QFETCH(int, page);
    QFETCH(QString, formatExt);
    QFETCH(bool, device);
    QFETCH(QString, label);
    QFETCH(QString, expected);
    const TDevPreset preset = PocketPlayer();
    const QString result = DeriveOutputFileName(source, page, formatExt, device ? &preset : nullptr,
                                                [&label](const QString &) { return label; });
    QCOMPARE(result, expected);
}

void TestOutputRules::deriveAskesVolumeOfRootOnly()
{
    QStringList asked;
    const auto label = [&asked](const QString &_root) {
        asked << _root;
        return QString("DISC");
    };
    QCOMPARE(DeriveOutputFileName("/VIDEO_TS/", 0, "mkv", nullptr, label), QString("/DISC.mkv"));
    QCOMPARE(asked, QStringList{"/"});
    asked.clear();
    DeriveOutputFileName("/Movies/Film/VIDEO_TS/", 0, "mkv", nullptr, label);
    DeriveOutputFileName("/clips/a.avi", 0, "mkv", nullptr, label);
    QVERIFY(asked.isEmpty());
}

void TestOutputRules::caption_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("formatExt");
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("expected"); // "<keep>" = leave the caption alone

    QTest::newRow("format page") << "/clips/trip.avi" << 0 << "mp4" << false
                                 << "Frobnik  (AVI -> MP4)";
    QTest::newRow("device page") << "/clips/trip.avi" << 1 << "" << true
                                 << "Frobnik  (AVI -> Pocket Player [mp4])";
    QTest::newRow("device page, no device") << "/clips/trip.avi" << 1 << "" << false << "<keep>";
    QTest::newRow("empty source") << "" << 1 << "" << false << "Frobnik";
    QTest::newRow("no extension") << "/clips/trip" << 0 << "mp4" << false << "Frobnik";
    QTest::newRow("dot in folder only") << "/cl.ips/trip" << 0 << "mp4" << false << "Frobnik";
    QTest::newRow("folder source") << "/Movies/Holiday/" << 0 << "mp4" << false << "Frobnik";
    QTest::newRow("no format") << "/clips/trip.mkv" << 0 << "" << false << "Frobnik  (MKV -> )";
    QTest::newRow("non-ascii ext kept")
        << "/c/a.ävi" << 0 << "mp4" << false << "Frobnik  (äVI -> MP4)";
    QTest::newRow("prompt with a dot")
        << "Drop a file here..." << 0 << "flac" << false << "Frobnik  ( -> FLAC)";
}

void TestOutputRules::caption()
{
    QFETCH(QString, source);
    QFETCH(int, page);
    QFETCH(QString, formatExt);
    QFETCH(bool, device);
    QFETCH(QString, expected);
    const TDevPreset preset = PocketPlayer();
    const std::optional<QString> caption =
        ConversionCaption("Frobnik", source, page, formatExt, device ? &preset : nullptr);
    QCOMPARE(caption.value_or("<keep>"), expected);
}

void TestOutputRules::pathHint_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    const QString forty(40, 'a');
    QTest::newRow("empty") << ""
                           << "Source";
    QTest::newRow("40 chars") << forty << "Source";
    QTest::newRow("41 chars") << "/" + forty << "Source: \r\n" + forty;
    QTest::newRow("long path") << "/home/someone/Videos/holidays/2023/beach-day.mkv"
                               << "Source: \r\nbeach-day.mkv";
    QTest::newRow("long folder") << "/home/someone/Videos/holidays/2023/summer/"
                                 << "Source: \r\n";
}

void TestOutputRules::pathHint()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(PathHint("Source", path), expected);
}

void TestOutputRules::formatExtension_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("MP4") << "MP4"
                         << "mp4";
    QTest::newRow("FLAC") << "FLAC"
                          << "flac";
    QTest::newRow("3GP") << "3GP"
                         << "3gp";
    QTest::newRow("blank") << "MP4 (H.264)"
                           << "mp4";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("non-ascii kept") << "ÄVI"
                                    << "Ävi";
}

void TestOutputRules::formatExtension()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(FormatExtension(format), expected);
}

void TestOutputRules::completeOutputFileName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("expected");
    QTest::newRow("appended") << "/clips/out"
                              << "mp4"
                              << "/clips/out.mp4";
    QTest::newRow("has ext") << "/clips/out.avi"
                             << "mp4"
                             << "/clips/out.avi";
    QTest::newRow("empty") << ""
                           << "mp4"
                           << "";
    QTest::newRow("no format") << "/clips/out"
                               << ""
                               << "/clips/out";
    QTest::newRow("dot in folder") << "/cl.ips/out"
                                   << "mkv"
                                   << "/cl.ips/out.mkv";
    QTest::newRow("trailing dot") << "/clips/out."
                                  << "mkv"
                                  << "/clips/out.";
}

void TestOutputRules::completeOutputFileName()
{
    QFETCH(QString, text);
    QFETCH(QString, ext);
    QFETCH(QString, expected);
    QCOMPARE(CompleteOutputFileName(text, ext), expected);
}

void TestOutputRules::formatRules_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("sizeBox");
    QTest::addColumn<bool>("sameAspect");
    QTest::addColumn<bool>("optionsLink");
    QTest::addColumn<bool>("sourceQualityOnly");
    const int free = int(TSizeBoxRule::Free), fixed = int(TSizeBoxRule::Fixed176),
              hidden = int(TSizeBoxRule::HiddenSource);
    for (const char *video : {"MP4", "WEBM", "FLV", "MKV", "MPG", "AVI", "MOV", "WMV", ""})
        QTest::newRow(*video ? video : "none") << video << free << true << true << false;
    QTest::newRow("3GP") << "3GP" << fixed << false << true << false;
    QTest::newRow("MP3") << "MP3" << hidden << true << false << false;
    QTest::newRow("AAC") << "AAC" << hidden << true << false << false;
    QTest::newRow("FLAC") << "FLAC" << hidden << true << false << true;
    QTest::newRow("lower case is not a format") << "flac" << free << true << true << false;
}

void TestOutputRules::formatRules()
{
    QFETCH(QString, format);
    const TFormatRules rules = FormatRules(format);
    QTEST(int(rules.frSizeBox), "sizeBox");
    QTEST(rules.frSameAspectEnabled, "sameAspect");
    QTEST(rules.frOptionsLink, "optionsLink");
    QTEST(rules.frSourceQualityOnly, "sourceQualityOnly");
}

void TestOutputRules::optionItems_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("keepStreams");
    for (const char *f : {"MP4", "FLV", "MKV"})
        QTest::newRow(f) << f << true;
    for (const char *f : {"WEBM", "MPG", "AVI", "MOV", "WMV", "3GP"})
        QTest::newRow(f) << f << false;
}

void TestOutputRules::optionItems()
{
    QFETCH(QString, format);
    QFETCH(bool, keepStreams);
    const TOptionItemsVisible items = OptionItemsFor(format);
    QVERIFY(items.ovNoSound);
    QVERIFY(items.ovDeinterlace);
    QVERIFY(items.ovSameAspect);
    QCOMPARE(items.ovCopySounds, keepStreams);
    QCOMPARE(items.ovCopySubtitles, keepStreams);
}

void TestOutputRules::outFilterEntriesFollowFormats()
{
    // Entries 4 to 15 (from 1) hold the formats in the format box's order.
    const QStringList parts = OutOpenDialogFilter().split('|');
    QCOMPARE(parts.size(), 2 * 16);
    const QStringList formats = OutputFormatNames();
    QCOMPARE(formats.size(), 12);
    for (int i = 0; i < formats.size(); ++i)
        QCOMPARE(parts.at(2 * (i + 3) + 1), "*." + formats.at(i).toLower());
}

void TestOutputRules::dialogFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two") << "Video (mp4, avi)|*.mp4;*.avi|All files (*.*)|*.*"
                         << QStringList{"Video (mp4, avi) (*.mp4 *.avi)", "All files (*.*) (*)"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("odd entry dropped") << "A|*.a|B" << QStringList{"A (*.a)"};
    QTest::newRow("blank masks") << "A| ; |" << QStringList{"A (*)"};
}

void TestOutputRules::dialogFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(DialogFilterToNameFilters(filter), expected);
}

void TestOutputRules::defaultLanguage_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QString>("install");
    QTest::addColumn<QString>("name");    // "<none>" = the system does not answer
    QTest::addColumn<QString>("dialing"); // "<none>" = the system does not answer
    QTest::addColumn<QString>("expected");

    const QStringList two{"English", "Russian"};
    QTest::newRow("no files") << QStringList{} << "German"
                              << "Russian"
                              << "7"
                              << "English";
    QTest::newRow("installer wins") << two << "Ukrainian"
                                    << "German"
                                    << "49"
                                    << "Ukrainian";
    QTest::newRow("installer English does not force") << two << "English"
                                                      << "Russian"
                                                      << "<none>"
                                                      << "Russian";
    QTest::newRow("by name") << two << ""
                             << "Russian"
                             << "49"
                             << "Russian";
    QTest::newRow("name trimmed, any case") << two << ""
                                            << "  rUSSIAN "
                                            << "<none>"
                                            << "Russian";
    QTest::newRow("name is a prefix") << QStringList{"Chinese(Simplified)", "English"} << ""
                                      << "Chinese"
                                      << "<none>"
                                      << "Chinese(Simplified)";
    QTest::newRow("German system, German file") << QStringList{"English", "German", "Russian"} << ""
                                                << "German"
                                                << "49"
                                                << "German";
    QTest::newRow("by dialling code") << two << ""
                                      << "Klingon"
                                      << "380"
                                      << "Ukrainian";
    QTest::newRow("code trimmed") << two << ""
                                  << "<none>"
                                  << " 7 "
                                  << "Russian";
    QTest::newRow("code not ours") << two << ""
                                   << "<none>"
                                   << "44"
                                   << "English";
    QTest::newRow("code not a number") << two << ""
                                       << "<none>"
                                       << "7a"
                                       << "English";
    QTest::newRow("empty name matches nothing") << two << ""
                                                << ""
                                                << "39"
                                                << "Italian";
    QTest::newRow("nothing answers") << two << ""
                                     << "<none>"
                                     << "<none>"
                                     << "English";
}

void TestOutputRules::defaultLanguage()
{
    QFETCH(QStringList, languages);
    QFETCH(QString, install);
    QFETCH(QString, name);
    QFETCH(QString, dialing);
    QFETCH(QString, expected);
    TLocaleFacts facts;
    if (name != "<none>")
        facts.lfLanguageName = name;
    if (dialing != "<none>")
        facts.lfDialingCode = dialing;
    QCOMPARE(DefaultLanguageFrom(languages, install, facts), expected);
}

void TestOutputRules::startLanguage_data()
{
    QTest::addColumn<QString>("proposal");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Ukrainian") << "Ukrainian"
                               << "Russian";
    QTest::newRow("Belarusian") << "Belarusian"
                                << "Russian";
    QTest::newRow("Russian") << "Russian"
                             << "Russian";
    QTest::newRow("lower russian") << "russian"
                                   << "English";
    QTest::newRow("German") << "German"
                            << "English";
    QTest::newRow("empty") << ""
                           << "English";
}

void TestOutputRules::startLanguage()
{
    QFETCH(QString, proposal);
    QFETCH(QString, expected);
    QCOMPARE(StartLanguageFor(proposal), expected);
}

void TestOutputRules::languageLinks_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("help");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("update");
    const QString site = "http://www.frobnik.example.org";
    for (const char *ru : {"Russian", "Ukrainian", "Belarusian"})
        QTest::newRow(ru) << ru << "frobnik_ru.chm" << site + "/ru/"
                          << site + "/download/update_ru.php";
    for (const char *other : {"English", "German", "russian", ""})
        QTest::newRow(*other ? other : "empty")
            << other << "frobnik.chm" << site + "/" << site + "/download/update.php";
}

void TestOutputRules::languageLinks()
{
    QFETCH(QString, language);
    const TLanguageLinks links = LanguageLinks(language);
    QTEST(links.llHelpFileName, "help");
    QTEST(links.llHomePageLink, "home");
    QTEST(links.llUpdateUrl, "update");
}

void TestOutputRules::listLanguageFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto touch = [&dir](const QString &_name) {
        QFile file(dir.filePath(_name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    };
    touch("english.lng");
    touch("Russian.LNG");
    touch("Deutsch.lng");
    touch("notes.txt");
    touch("x.lng.bak");
    touch(".Hidden.lng");
    QVERIFY(QDir(dir.path()).mkdir("Folder.lng"));
    QCOMPARE(ListLanguageFiles(dir.path()), (QStringList{"Deutsch", "english", "Russian"}));
    QCOMPARE(ListLanguageFiles(dir.filePath("missing")), QStringList{});
    QCOMPARE(ListLanguageFiles(QString()), QStringList{});
}

void TestOutputRules::dialingCodes()
{
    QCOMPARE(DialingCodeOfTerritory(QLocale::Russia).value_or(-1), 7);
    QCOMPARE(DialingCodeOfTerritory(QLocale::Ukraine).value_or(-1), 380);
    QCOMPARE(DialingCodeOfTerritory(QLocale::Germany).value_or(-1), 49);
    QCOMPARE(DialingCodeOfTerritory(QLocale::CzechRepublic).value_or(-1), 420);
    QVERIFY(!DialingCodeOfTerritory(QLocale::AnyTerritory));
    const QList<QPair<int, QString>> table = {
        {7, "Russian"},   {30, "Greek"},       {31, "Dutch"},       {33, "French"},
        {34, "Spanish"},  {36, "Hungarian"},   {39, "Italian"},     {46, "Swedish"},
        {48, "Polish"},   {49, "German"},      {81, "Japanese"},    {86, "Chinese(Simplified)"},
        {90, "Turkish"},  {351, "Portuguese"}, {375, "Belarusian"}, {380, "Ukrainian"},
        {381, "Serbian"}, {385, "Croatian"},   {386, "Slovenian"},  {420, "Czech"},
        {421, "Slovak"}};
    for (const auto &[code, name] : table)
        QCOMPARE(LanguageOfDialingCode(code), name);
    QCOMPARE(LanguageOfDialingCode(1), QString());
    QCOMPARE(LanguageOfDialingCode(0), QString());
}

void TestOutputRules::systemFactsInjectable()
{
    SetLocaleFactsForTest(TLocaleFacts{QString("Russian"), QString("7")});
    QCOMPARE(SystemLocaleFacts().lfLanguageName.value_or(""), QString("Russian"));
    QCOMPARE(SystemLocaleFacts().lfDialingCode.value_or(""), QString("7"));
    SetLocaleFactsForTest(std::nullopt);
    // The tests run in the C locale, which names no language.
    if (QLocale::system().language() == QLocale::C)
        QVERIFY(!SystemLocaleFacts().lfLanguageName);
}

QTEST_MAIN(TestOutputRules)
#include "tst_outputrules.moc"
