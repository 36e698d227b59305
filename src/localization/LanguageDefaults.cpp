#include "localization/LanguageDefaults.h"

#include "support/TextUtils.h"

#include <QDir>
#include <QLocale>

#include <algorithm>

bool IsRussianFamily(const QString &_language)
{
    return _language == QLatin1String("Ukrainian") || _language == QLatin1String("Russian") ||
           _language == QLatin1String("Belarusian");
}

TLanguageLinks LanguageLinks(const QString &_language)
{
    const QString site = QStringLiteral("http://") + WebHost;
    if (IsRussianFamily(_language))
        return {QStringLiteral("frobnik_ru.chm"), site + QStringLiteral("/ru/"),
                site + QStringLiteral("/download/update_ru.php")};
    return {QStringLiteral("frobnik.chm"), site + u'/',
            site + QStringLiteral("/download/update.php")};
}

QStringList ListLanguageFiles(const QString &_languagesFolder)
{
    QStringList names;
    if (_languagesFolder.isEmpty())
        return names;
    // Hidden files and folders are left out, as a plain directory listing does.
    const QStringList files = QDir(_languagesFolder).entryList(QDir::Files, QDir::Name);
    for (const QString &file : files) {
        if (!file.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive))
            continue;
        names.append(file.left(file.indexOf(QLatin1String(".lng"), 0, Qt::CaseInsensitive)));
    }
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

namespace {

std::optional<TLocaleFacts> &InjectedFacts()
{
    static std::optional<TLocaleFacts> facts;
    return facts;
}

struct TDialingEntry
{
    int deCode;
    const char16_t *deLanguage;
};

// Only the codes that name a language of ours.
constexpr TDialingEntry DialingLanguages[] = {
    {7, u"Russian"},   {30, u"Greek"},       {31, u"Dutch"},       {33, u"French"},
    {34, u"Spanish"},  {36, u"Hungarian"},   {39, u"Italian"},     {46, u"Swedish"},
    {48, u"Polish"},   {49, u"German"},      {81, u"Japanese"},    {86, u"Chinese(Simplified)"},
    {90, u"Turkish"},  {351, u"Portuguese"}, {375, u"Belarusian"}, {380, u"Ukrainian"},
    {381, u"Serbian"}, {385, u"Croatian"},   {386, u"Slovenian"},  {420, u"Czech"},
    {421, u"Slovak"}};

struct TTerritoryCode
{
    QLocale::Territory tcTerritory;
    int tcCode;
};

constexpr TTerritoryCode TerritoryCodes[] = {{QLocale::Russia, 7},
                                             {QLocale::Kazakhstan, 7},
                                             {QLocale::Greece, 30},
                                             {QLocale::Netherlands, 31},
                                             {QLocale::Belgium, 32},
                                             {QLocale::France, 33},
                                             {QLocale::Spain, 34},
                                             {QLocale::Hungary, 36},
                                             {QLocale::Italy, 39},
                                             {QLocale::Romania, 40},
                                             {QLocale::Switzerland, 41},
                                             {QLocale::Austria, 43},
                                             {QLocale::UnitedKingdom, 44},
                                             {QLocale::Denmark, 45},
                                             {QLocale::Sweden, 46},
                                             {QLocale::Norway, 47},
                                             {QLocale::Poland, 48},
                                             {QLocale::Germany, 49},
                                             {QLocale::UnitedStates, 1},
                                             {QLocale::Canada, 1},
                                             {QLocale::Brazil, 55},
                                             {QLocale::Japan, 81},
                                             {QLocale::SouthKorea, 82},
                                             {QLocale::China, 86},
                                             {QLocale::India, 91},
                                             {QLocale::Turkey, 90},
                                             {QLocale::Portugal, 351},
                                             {QLocale::Finland, 358},
                                             {QLocale::Bulgaria, 359},
                                             {QLocale::Lithuania, 370},
                                             {QLocale::Latvia, 371},
                                             {QLocale::Estonia, 372},
                                             {QLocale::Moldova, 373},
                                             {QLocale::Armenia, 374},
                                             {QLocale::Belarus, 375},
                                             {QLocale::Ukraine, 380},
                                             {QLocale::Serbia, 381},
                                             {QLocale::Montenegro, 382},
                                             {QLocale::Croatia, 385},
                                             {QLocale::Slovenia, 386},
                                             {QLocale::BosniaAndHerzegowina, 387},
                                             {QLocale::Macedonia, 389},
                                             {QLocale::CzechRepublic, 420},
                                             {QLocale::Slovakia, 421},
                                             {QLocale::Georgia, 995},
                                             {QLocale::Uzbekistan, 998},
                                             {QLocale::Azerbaijan, 994},
                                             {QLocale::Kyrgyzstan, 996},
                                             {QLocale::Tajikistan, 992},
                                             {QLocale::Turkmenistan, 993},
                                             {QLocale::Israel, 972},
                                             {QLocale::Australia, 61}};

} // namespace

std::optional<int> DialingCodeOfTerritory(int _territory)
{
    for (const TTerritoryCode &entry : TerritoryCodes)
        if (entry.tcTerritory == _territory)
            return entry.tcCode;
    return std::nullopt;
}

QString LanguageOfDialingCode(int _code)
{
    for (const TDialingEntry &entry : DialingLanguages)
        if (entry.deCode == _code)
            return QString::fromUtf16(entry.deLanguage);
    return QString();
}

void SetLocaleFactsForTest(const std::optional<TLocaleFacts> &_facts)
{
    InjectedFacts() = _facts;
}

TLocaleFacts SystemLocaleFacts()
{
    if (InjectedFacts())
        return *InjectedFacts();
    TLocaleFacts facts;
    const QLocale locale = QLocale::system();
    // The "C" locale names no language, so it answers nothing.
    if (locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage)
        facts.lfLanguageName = QLocale::languageToString(locale.language());
    if (const std::optional<int> code = DialingCodeOfTerritory(locale.territory()))
        facts.lfDialingCode = QString::number(*code);
    return facts;
}

QString DefaultLanguageFrom(const QStringList &_languages, const QString &_installLanguage,
                            const TLocaleFacts &_facts)
{
    const QString fallback = QStringLiteral("English");
    if (_languages.isEmpty())
        return fallback;
    if (!_installLanguage.isEmpty() && _installLanguage != fallback)
        return _installLanguage;
    if (_facts.lfLanguageName) {
        const QString wanted = _facts.lfLanguageName->trimmed().toLower();
        if (!wanted.isEmpty())
            for (const QString &name : _languages)
                if (name.toLower().startsWith(wanted))
                    return name;
    }
    if (_facts.lfDialingCode) {
        int code = 0;
        if (TryStrToInt(_facts.lfDialingCode->trimmed(), code)) {
            const QString name = LanguageOfDialingCode(code);
            return name.isEmpty() ? fallback : name;
        }
    }
    return fallback;
}

QString StartLanguageFor(const QString &_proposal)
{
    return IsRussianFamily(_proposal) ? QStringLiteral("Russian") : QStringLiteral("English");
}
