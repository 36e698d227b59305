#include "conversion/Progress.h"

#include "conversion/SourceProbe.h"
#include "support/PathUtils.h"

#include <QFile>

namespace {
constexpr int FullHundredths = 10000;

int HundredthsOf(qint64 _part, qint64 _whole)
{
    if (_part <= 0 || _whole <= 0)
        return 0;
    const double hundredths = double(_part) / double(_whole) * 100.0 * 100.0;
    return hundredths >= FullHundredths ? FullHundredths : int(hundredths);
}
} // namespace

TProgress EncodeProgressFromTail(const QByteArray &_tail, qint64 _totalDurationMs)
{
    static const QByteArray key = QByteArrayLiteral("out_time_ms=");
    TProgress result;
    if (_totalDurationMs <= 0)
        return result;
    const qsizetype at = _tail.indexOf(key);
    if (at < 0)
        return result;
    const qsizetype from = at + key.size();
    const qsizetype lineEnd = _tail.indexOf('\n', from);
    if (lineEnd < 0)
        return result;
    // Microseconds become milliseconds by dropping three digits.
    QByteArray value = _tail.mid(from, lineEnd - from);
    value.chop(3);
    bool ok = false;
    const qint64 outTimeMs = value.toLongLong(&ok, 10);
    if (!ok || outTimeMs <= 0)
        return result;
    result.Hundredths = HundredthsOf(outTimeMs, _totalDurationMs);
    int percent = result.Hundredths / 100;
    const int rest = result.Hundredths % 100;
    if (rest > 50 || (rest == 50 && percent % 2 == 1))
        ++percent;
    result.Percent = percent;
    return result;
}

TProgress GetEncodeProgress(const QString &_progressFile, qint64 _totalDurationMs)
{
    if (_totalDurationMs <= 0 || !FileExists(_progressFile))
        return TProgress();
    QFile file(_progressFile);
    if (!file.open(QIODevice::ReadOnly))
        return TProgress();
    const qint64 size = file.size();
    if (size < ProgressTailBytes || !file.seek(size - ProgressTailBytes))
        return TProgress();
    return EncodeProgressFromTail(file.read(ProgressTailBytes), _totalDurationMs);
}

TProgress JoinProgressFromSizes(qint64 _joinedSize, qint64 _totalSize)
{
    TProgress result;
    result.Hundredths = HundredthsOf(_joinedSize, _totalSize);
    result.Percent = result.Hundredths / 100;
    return result;
}

TProgress GetJoinProgress(const QString &_joinedFile, qint64 _totalSize)
{
    if (_totalSize <= 0 || !FileExists(_joinedFile))
        return TProgress();
    return JoinProgressFromSizes(GetFileSizeByAttributes(_joinedFile), _totalSize);
}
