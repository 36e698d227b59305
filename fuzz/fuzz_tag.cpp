// The tag reader. Input: the tag name, a line feed, then the text.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList fields = FuzzFields(FuzzText(data, size), 2);
    const QString &tag = fields[0];
    const QString original = fields[1];
    const QString element = u'<' + tag + u'>';
    const QString closing = QStringLiteral("</") + tag + u'>';
    const QString empty = u'<' + tag + QStringLiteral("/>");

    QString kept = original;
    const QString value = ExtractTagValue(kept, tag, false);
    FUZZ_CHECK(kept == original);
    if (!value.isEmpty()) {
        FUZZ_CHECK(original.contains(element + value + closing));
        FUZZ_CHECK(!value.contains(closing));
    }

    QString cut = original;
    const QString removedValue = ExtractTagValue(cut, tag, true);
    FUZZ_CHECK(removedValue == value);
    FUZZ_CHECK(cut.size() <= original.size());
    if (cut.size() != original.size()) {
        // Exactly one real element went: the full element, or an empty one.
        const QString whole = element + value + closing;
        const qsizetype at = original.indexOf(element);
        const bool wholeGone = at >= 0 && original.mid(at, whole.size()) == whole &&
                               original.left(at) + original.mid(at + whole.size()) == cut;
        const qsizetype emptyAt = original.indexOf(empty);
        const bool emptyGone = value.isEmpty() && emptyAt >= 0 &&
                               original.left(emptyAt) + original.mid(emptyAt + empty.size()) == cut;
        FUZZ_CHECK(wholeGone || emptyGone);
    } else {
        FUZZ_CHECK(cut == original);
    }

    // Walking the elements with removal ends: every step shortens the text or stops.
    QString walk = original;
    for (qsizetype steps = 0;; ++steps) {
        FUZZ_CHECK(steps <= original.size());
        const qsizetype before = walk.size();
        ExtractTagValue(walk, tag, true);
        if (walk.size() == before)
            break;
    }
    return 0;
}
