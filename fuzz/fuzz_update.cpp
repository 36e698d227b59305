// The update document and the version comparison. Input: a version on the
// first line, the document after it.
#include "FuzzCommon.h"

#include "update/CheckUpdate.h"

namespace {

void CheckOrder(const QString &_a, const QString &_b)
{
    const TVersionOrder ab = CompareVersions(_a, _b);
    const TVersionOrder ba = CompareVersions(_b, _a);
    FUZZ_CHECK((ab == TVersionOrder::Incomparable) == (ba == TVersionOrder::Incomparable));
    FUZZ_CHECK(!(ab == TVersionOrder::Newer && ba == TVersionOrder::Newer));
    FUZZ_CHECK(CompareVersions(_a, _a) != TVersionOrder::Newer);
}

void CheckDocument(const QString &_reply, const QString &_current)
{
    const TUpdateParseResult r = ParseUpdateDocument(_reply, _current);
    FUZZ_CHECK(r.needUpdateFlag >= -1 && r.needUpdateFlag <= 1);
    if (r.needUpdateFlag == -1) {
        FUZZ_CHECK(r.comparable);
        FUZZ_CHECK(r.info.version.isEmpty() && r.info.downloadUrl.isEmpty());
    }
    if (r.needUpdateFlag == 1) {
        FUZZ_CHECK(IsWebDownloadUrl(r.info.downloadUrl));
        FUZZ_CHECK(CompareVersions(r.info.version, _current) == TVersionOrder::Newer);
        FUZZ_CHECK(_reply.contains(r.info.downloadUrl));
    }
    if (!r.comparable)
        FUZZ_CHECK(r.needUpdateFlag == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList fields = FuzzFields(FuzzText(data, size), 2);
    const QString &version = fields[0];
    const QString &reply = fields[1];

    CheckOrder(version, QString(FrobnikVersion));
    CheckDocument(reply, QString(FrobnikVersion));
    CheckDocument(reply, version);

    QString copy = reply;
    const QString offered = ExtractTagValue(copy, QStringLiteral("version"), false);
    CheckOrder(version, offered);

    // A URL the program would open contains nothing that splits or quotes it.
    if (IsWebDownloadUrl(version)) {
        for (const QChar c : version)
            FUZZ_CHECK(!c.isSpace() && c != u'"' && c != u'\'' && c.unicode() >= 0x20);
    }
    return 0;
}
