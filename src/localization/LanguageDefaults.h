#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Everything that depends on the interface language besides its texts: the
// web addresses, the help file, the language list and the first-start choice.

// The one web host of the program.
inline constexpr QLatin1StringView WebHost("www.frobnik.example.org");

struct TLanguageLinks
{
    QString llHelpFileName; // "frobnik.chm" or "frobnik_ru.chm"
    QString llHomePageLink;
    QString llUpdateUrl;
};

// True for "Ukrainian", "Russian" and "Belarusian", exactly as written.
bool IsRussianFamily(const QString &_language);

// The help file, home page and update address for a language.
TLanguageLinks LanguageLinks(const QString &_language);

// The language names of the *.lng files in _languagesFolder (regular files
// only), the part before the first ".lng" (case ignored), sorted without
// regard to case.
QStringList ListLanguageFiles(const QString &_languagesFolder);

// What the system tells about the user's language and country; a member is
// absent when the system has no answer.
struct TLocaleFacts
{
    std::optional<QString> lfLanguageName; // English name, e.g. "Russian"
    std::optional<QString> lfDialingCode;  // e.g. "7", as text
};

// The facts of the system locale, or the ones a test injected.
TLocaleFacts SystemLocaleFacts();
// Replaces the system's answer (tests); nullopt restores it.
void SetLocaleFactsForTest(const std::optional<TLocaleFacts> &_facts);

// The international dialling code of a territory (a QLocale::Territory
// value); nullopt for one we do not know.
std::optional<int> DialingCodeOfTerritory(int _territory);

// The language name a dialling code stands for; empty when the code is not
// one of ours.
QString LanguageOfDialingCode(int _code);

// The proposal for a first start: from the installer's choice, the system's
// language name, or its dialling code; "English" when nothing decides.
QString DefaultLanguageFrom(const QStringList &_languages, const QString &_installLanguage,
                            const TLocaleFacts &_facts);

// The start language for a proposal: "Russian" for the Russian family,
// "English" for every other name.
QString StartLanguageFor(const QString &_proposal);
