#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>

// The sections a lookup can name. Only MainMenu, MainForm and GeneralMessages
// are ever loaded; the others always answer with the empty text.
enum TLanguageSections
{
    lsGeneral,
    lsMainMenu,
    lsMainForm,
    lsGeneralMessages,
    lsOptionsForm,
    lsOtherForms,
};
inline constexpr int LanguageSectionCount = 6;

// The name of a section as its tags write it ("MainMenu" for <MainMenu>).
QString LanguageSectionName(TLanguageSections _section);

// A section and a five-digit id: the name of one interface text.
struct TTextId
{
    TLanguageSections Section;
    int Id;
};

// One language file, read into lines per section.
class TLanguage
{
public:
    // Refused without reading: no real language file comes near this size.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // True when all three sections were found. A missing or unreadable file
    // changes nothing; a section the file lacks keeps the earlier texts.
    bool LoadLanguage(const QString &_fileName);
    // The same for a file's bytes already in memory.
    bool LoadLanguageFromBytes(const QByteArray &_bytes);

    // The value of the first "idStr=" in the section, or empty. A missing
    // entry and an empty value cannot be told apart.
    QString Get(TLanguageSections _tmpLanguageSection, const QString &_idStr) const;
    QString Get(TTextId _text) const;

    // The section's lines after comment removal, as loaded.
    QStringList SectionLines(TLanguageSections _section) const;

private:
    void SetSection(TLanguageSections _section, const QStringList &_lines);

    // SLGeneral, SLMainMenu, SLMainForm, SLGeneralMessages, SLOptionsForm,
    // SLOtherForms, each kept with its CR LF-joined text for lookups.
    std::array<QStringList, LanguageSectionCount> SectionList;
    std::array<QString, LanguageSectionCount> SectionText;
};

// A language file's text: a byte-order mark selects UTF-8, UTF-16 LE or
// UTF-16 BE; without one, UTF-8 falling back to Latin-1.
QString DecodeLanguageFile(const QByteArray &_bytes);
// Lines ending with CR LF, CR or LF; a line break at the very end adds no line.
QStringList SplitLanguageLines(const QString &_text);
// Every line trimmed; empty lines and lines starting with "//" dropped; in the
// rest "//" and what follows removed (what stays is not trimmed again).
void StripComments(QStringList &_lines);
// The lines between the first "<N>" + CR LF and the first "</N>" of _text, into
// _list. False, with _list unchanged, when either is missing or nothing lies
// between them.
bool ExtractSection(const QString &_text, const QString &_n, QStringList &_list);
