// The language-file reader on any bytes.
#include "FuzzCommon.h"

#include "localization/Language.h"

namespace {

void CheckSectionLines(const QStringList &_lines)
{
    for (const QString &line : _lines) {
        FUZZ_CHECK(!line.isEmpty());
        FUZZ_CHECK(!IsBlankOrControl(line.front()));
        FUZZ_CHECK(!line.contains(QLatin1String("//")));
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);

    const QString text = DecodeLanguageFile(bytes);
    const QStringList lines = SplitLanguageLines(text);
    qsizetype breaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++breaks;
    FUZZ_CHECK(lines.size() <= breaks + 1);
    for (const QString &line : lines)
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));

    TLanguage language;
    const bool complete = language.LoadLanguageFromBytes(bytes);
    for (const TLanguageSections s : {lsGeneral, lsOptionsForm, lsOtherForms})
        FUZZ_CHECK(language.SectionLines(s).isEmpty());
    for (const TLanguageSections s : {lsMainMenu, lsMainForm, lsGeneralMessages}) {
        const QStringList sectionLines = language.SectionLines(s);
        CheckSectionLines(sectionLines);
        if (complete)
            FUZZ_CHECK(!sectionLines.isEmpty());
        // Every entry of the section can be looked up, and no value runs
        // into the next line.
        for (const QString &line : sectionLines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq < 0)
                continue;
            const QString value = language.Get(s, line.left(eq));
            FUZZ_CHECK(!value.contains(u'\r') && !value.contains(u'\n'));
        }
    }
    FUZZ_CHECK(
        language.Get(TLanguageSections(LanguageSectionCount), QStringLiteral("1")).isEmpty());

    // Loading the same bytes again changes nothing.
    const QStringList before = language.SectionLines(lsGeneralMessages);
    FUZZ_CHECK(language.LoadLanguageFromBytes(bytes) == complete);
    FUZZ_CHECK(language.SectionLines(lsGeneralMessages) == before);
    return 0;
}
