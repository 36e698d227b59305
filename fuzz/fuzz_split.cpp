// The one splitting rule for command texts.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzText(data, size);
    const QStringList args = SplitCommandText(text);
    const bool quoted = text.contains(u'"');

    qsizetype kept = 0;
    for (const QString &a : args) {
        FUZZ_CHECK(!a.contains(u'"'));
        kept += a.size();
        if (!quoted) {
            FUZZ_CHECK(!a.isEmpty());
            for (const QChar c : a)
                FUZZ_CHECK(!IsBlankOrControl(c));
        }
    }
    // Only quotes and separators are dropped; nothing is added.
    FUZZ_CHECK(kept <= text.size() - text.count(u'"'));
    FUZZ_CHECK(args.size() <= text.size());

    // Quoting every argument and splitting again gives the same arguments back.
    QString joined;
    for (const QString &a : args)
        joined += QStringLiteral(" \"") + a + u'"';
    FUZZ_CHECK(SplitCommandText(joined) == args);
    return 0;
}
