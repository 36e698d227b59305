// The progress readers. Input: the probed duration in milliseconds, the
// joined size and the total size (three little-endian 64-bit numbers), then
// the bytes of the progress file.
#include "FuzzCommon.h"

#include "conversion/Progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <limits>

namespace {

qint64 TakeNumber(QByteArray &_bytes)
{
    qint64 v = 0;
    if (_bytes.size() >= 8) {
        v = qFromLittleEndian<qint64>(_bytes.constData());
        _bytes.remove(0, 8);
    }
    return v;
}

void CheckRange(const TProgress &_p)
{
    FUZZ_CHECK(_p.Percent >= 0 && _p.Percent <= 100);
    FUZZ_CHECK(_p.Hundredths >= 0 && _p.Hundredths <= 10000);
}

const QString &ProgressFile()
{
    static const QString path = QDir::temp().filePath(
        QStringLiteral("fuzz_progress_%1.txt").arg(QCoreApplication::applicationPid()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = FuzzBytes(data, size);
    const qint64 duration = TakeNumber(bytes);
    const qint64 joined = TakeNumber(bytes);
    const qint64 total = TakeNumber(bytes);

    const TProgress encode = EncodeProgressFromTail(bytes, duration);
    CheckRange(encode);
    // The percentage is the hundredths rounded to a whole number.
    FUZZ_CHECK(qAbs(encode.Percent * 100 - encode.Hundredths) <= 50);
    if (duration <= 0 || !bytes.contains("out_time_ms="))
        FUZZ_CHECK(encode.Hundredths == 0 && encode.Percent == 0);
    // A longer source never shows more progress for the same position.
    if (duration > 0 && duration < std::numeric_limits<qint64>::max() / 2)
        FUZZ_CHECK(EncodeProgressFromTail(bytes, duration * 2).Hundredths <= encode.Hundredths);

    // The file reader sees exactly the last 160 bytes.
    QFile file(ProgressFile());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
        file.close();
        const TProgress fromFile = GetEncodeProgress(ProgressFile(), duration);
        CheckRange(fromFile);
        const TProgress expected =
            bytes.size() < ProgressTailBytes
                ? TProgress()
                : EncodeProgressFromTail(bytes.right(ProgressTailBytes), duration);
        FUZZ_CHECK(fromFile.Percent == expected.Percent &&
                   fromFile.Hundredths == expected.Hundredths);
    }

    const TProgress join = JoinProgressFromSizes(joined, total);
    CheckRange(join);
    FUZZ_CHECK(join.Percent == join.Hundredths / 100);
    if (joined >= total && total > 0)
        FUZZ_CHECK(join.Hundredths == 10000);
    if (joined <= 0 || total <= 0)
        FUZZ_CHECK(join.Hundredths == 0);
    if (joined > 0 && joined < std::numeric_limits<qint64>::max() / 2)
        FUZZ_CHECK(JoinProgressFromSizes(joined * 2, total).Hundredths >= join.Hundredths);
    return 0;
}
