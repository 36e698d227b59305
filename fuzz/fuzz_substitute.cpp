// The message filler. Input: the template and the four values, one per line.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList f = FuzzFields(FuzzText(data, size), 5);
    const QString &t = f[0];
    const QString result = SubstituteParams(t, f[1], f[2], f[3], f[4]);

    if (!t.contains(u'%'))
        FUZZ_CHECK(result == t);
    if (!t.contains(QLatin1String("%1")) && f[2].isEmpty() && f[3].isEmpty() && f[4].isEmpty())
        FUZZ_CHECK(result == t);

    // With values free of "%", each filled marker takes one "%" away and puts
    // its value in place of two characters: some set of at most four markers
    // (with "%1" for an empty value too) explains the result exactly.
    bool plainValues = true;
    for (int i = 1; i <= 4; ++i)
        plainValues = plainValues && !f[i].contains(u'%');
    if (plainValues) {
        const qsizetype removedPercents = t.count(u'%') - result.count(u'%');
        bool explained = false;
        for (int set = 0; set < 16 && !explained; ++set) {
            qsizetype grown = 0;
            int markers = 0;
            for (int i = 0; i < 4; ++i) {
                if (!(set & (1 << i)))
                    continue;
                if (i > 0 && f[i + 1].isEmpty())
                    break;
                ++markers;
                grown += f[i + 1].size() - 2;
            }
            explained = markers == removedPercents && result.size() == t.size() + grown &&
                        markers == int(qPopulationCount(quint32(set)));
        }
        FUZZ_CHECK(explained);
    }
    return 0;
}
