// The readers of the encoder's probe text.
#include "FuzzCommon.h"

#include "conversion/SourceInfo.h"
#include "conversion/SourceProbe.h"

namespace {

// The most one "Duration: HH:MM:SS.CC," can add: two digits in every part.
constexpr qint64 MaxOneDuration = (99 * 3600 + 99 * 60 + 99) * 1000 + 99 * 10;

void CheckDescription(const QString &_text, const QString &_marker)
{
    const QString d = ProbeTextStreamDescription(_text, _marker);
    if (!_text.contains(_marker))
        FUZZ_CHECK(d.isEmpty());
    FUZZ_CHECK(!d.contains(u',') && !d.contains(u'\r') && !d.contains(u'\n'));
    FUZZ_CHECK(d.isEmpty() || (!IsBlankOrControl(d.front()) && !IsBlankOrControl(d.back())));
    FUZZ_CHECK(d == AsciiLowerCase(d));
    FUZZ_CHECK(d.size() <= _text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzText(data, size);

    const qint64 duration = ProbeTextDuration(text);
    FUZZ_CHECK(duration >= 0);
    FUZZ_CHECK(duration <= text.count(QLatin1String("Duration: ")) * MaxOneDuration);

    CheckDescription(text, QStringLiteral(": Video:"));
    CheckDescription(text, QStringLiteral(": Audio:"));
    FUZZ_CHECK(ProbeTextStreamDescription(text, QString()).isEmpty());

    TVSourceInfo info;
    info.vsFileName = QStringLiteral("/kept");
    info.vsTotalSourceSize = 7;
    ParseProbeText(text, info);
    FUZZ_CHECK(info.vsTotalSourceDuration == duration);
    FUZZ_CHECK(info.vsSubtitle == text.contains(QLatin1String(": Subtitle:")));
    FUZZ_CHECK(info.vsFileName == QLatin1String("/kept") && info.vsTotalSourceSize == 7);

    // The first input's streams: numbers within their kind, sizes and rates
    // that are never negative, one codec per subtitle line at most.
    const qsizetype streamLines = text.count(QLatin1String("Stream #0:"));
    FUZZ_CHECK(info.vsVideoStreamNumber >= -1 && info.vsVideoStreamNumber < streamLines);
    FUZZ_CHECK(info.vsAudioStreamNumber >= -1 && info.vsAudioStreamNumber < streamLines);
    FUZZ_CHECK(info.vsVideoWidth >= 0 && info.vsVideoWidth <= 32768);
    FUZZ_CHECK(info.vsVideoHeight >= 0 && info.vsVideoHeight <= 32768);
    FUZZ_CHECK(info.vsVideoFrameRate >= 0 && info.vsVideoFrameRate < 1e10);
    FUZZ_CHECK(info.vsAudioChannels >= 0 && info.vsAudioChannels < 1000);
    FUZZ_CHECK(info.vsAudioChannelLayout.isEmpty() == (info.vsAudioChannels == 0));
    FUZZ_CHECK(info.vsSubtitleCodecs.size() <= text.count(QLatin1String(": Subtitle:")));
    if (info.vsVideoStreamNumber < 0)
        FUZZ_CHECK(info.vsVideoPixelFormat.isEmpty() && info.vsVideoWidth == 0);
    if (!info.vsSubtitleCodecs.isEmpty())
        FUZZ_CHECK(info.vsSubtitle);

    // Only a text with a second input can need a join.
    const bool join = NeedBinaryJoin(text);
    if (!text.contains(QLatin1String("Input #1,")))
        FUZZ_CHECK(!join);
    return 0;
}
