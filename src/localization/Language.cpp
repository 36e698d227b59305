#include "localization/Language.h"

#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QStringDecoder>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString JoinWithCrLf(const QStringList &_lines)
{
    QString text;
    for (const QString &line : _lines) {
        text += line;
        text += CrLf;
    }
    return text;
}

} // namespace

QString LanguageSectionName(TLanguageSections _section)
{
    switch (_section) {
    case lsGeneral:
        return QStringLiteral("General");
    case lsMainMenu:
        return QStringLiteral("MainMenu");
    case lsMainForm:
        return QStringLiteral("MainForm");
    case lsGeneralMessages:
        return QStringLiteral("GeneralMessages");
    case lsOptionsForm:
        return QStringLiteral("OptionsForm");
    case lsOtherForms:
        return QStringLiteral("OtherForms");
    }
    return QString();
}

QString DecodeLanguageFile(const QByteArray &_bytes)
{
    return DecodeTextWithByteOrderMark(_bytes);
}

QStringList SplitLanguageLines(const QString &_text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = _text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = _text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(_text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && _text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(_text.mid(start));
    return lines;
}

void StripComments(QStringList &_lines)
{
    QStringList kept;
    kept.reserve(_lines.size());
    for (const QString &raw : std::as_const(_lines)) {
        const QString line = TrimBlanksAndControls(raw);
        const qsizetype comment = line.indexOf(QStringLiteral("//"));
        if (line.isEmpty() || comment == 0)
            continue;
        kept.append(comment < 0 ? line : line.left(comment));
    }
    _lines = kept;
}

bool ExtractSection(const QString &_text, const QString &_n, QStringList &_list)
{
    const QString opening = u'<' + _n + u'>' + CrLf;
    const qsizetype open = _text.indexOf(opening);
    if (open < 0)
        return false;
    const qsizetype contentStart = open + opening.size();
    const qsizetype close = _text.indexOf(QStringLiteral("</") + _n + u'>');
    if (close <= contentStart)
        return false;
    _list = SplitLanguageLines(_text.mid(contentStart, close - contentStart));
    return true;
}

bool TLanguage::LoadLanguage(const QString &_fileName)
{
    // Only a regular file: a FIFO would hold the start-up for ever.
    QByteArray bytes;
    if (!ReadRegularFile(_fileName, MaxFileSize, bytes))
        return false;
    return LoadLanguageFromBytes(bytes);
}

bool TLanguage::LoadLanguageFromBytes(const QByteArray &_bytes)
{
    QStringList lines = SplitLanguageLines(DecodeLanguageFile(_bytes));
    StripComments(lines);
    const QString text = JoinWithCrLf(lines);
    bool allFound = true;
    for (const TLanguageSections section : {lsMainMenu, lsMainForm, lsGeneralMessages}) {
        QStringList sectionLines;
        if (ExtractSection(text, LanguageSectionName(section), sectionLines))
            SetSection(section, sectionLines);
        else
            allFound = false;
    }
    return allFound;
}

QString TLanguage::Get(TLanguageSections _tmpLanguageSection, const QString &_idStr) const
{
    if (_tmpLanguageSection < 0 || _tmpLanguageSection >= LanguageSectionCount)
        return QString();
    const QString &text = SectionText[_tmpLanguageSection];
    const QString key = _idStr + u'=';
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return QString();
    const qsizetype valueStart = at + key.size();
    const qsizetype end = text.indexOf(CrLf, valueStart);
    return end < 0 ? text.mid(valueStart) : text.mid(valueStart, end - valueStart);
}

QString TLanguage::Get(TTextId _text) const
{
    return Get(_text.Section, QString::number(_text.Id));
}

QStringList TLanguage::SectionLines(TLanguageSections _section) const
{
    if (_section < 0 || _section >= LanguageSectionCount)
        return QStringList();
    return SectionList[_section];
}

void TLanguage::SetSection(TLanguageSections _section, const QStringList &_lines)
{
    SectionList[_section] = _lines;
    SectionText[_section] = JoinWithCrLf(_lines);
}
