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

namespace {
QByteArray ReadTail(const QString &_file, qint64 _bytes, bool _shorterToo)
{
    if (!FileExists(_file))
        return QByteArray();
    QFile file(_file);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const qint64 size = file.size();
    if (size < _bytes && !_shorterToo)
        return QByteArray();
    if (!file.seek(qMax<qint64>(0, size - _bytes)))
        return QByteArray();
    return file.read(_bytes);
}

// The value of the last complete "_key" line of _text, or an empty array.
QByteArray LastValue(const QByteArray &_text, const QByteArray &_key)
{
    qsizetype end = _text.size();
    for (;;) {
        const qsizetype at = _text.lastIndexOf(_key, end - 1);
        if (at < 0)
            return QByteArray();
        // A key must start its line, and its value must be ended.
        const qsizetype from = at + _key.size();
        const qsizetype lineEnd = _text.indexOf('\n', from);
        if ((at == 0 || _text[at - 1] == '\n') && lineEnd >= 0)
            return _text.mid(from, lineEnd - from);
        if (at == 0)
            return QByteArray();
        end = at;
    }
}
} // namespace

QByteArray ReadProgressTail(const QString &_progressFile)
{
    return ReadTail(_progressFile, ProgressTailBytes, false);
}

TProgress GetEncodeProgress(const QString &_progressFile, qint64 _totalDurationMs)
{
    if (_totalDurationMs <= 0)
        return TProgress();
    return EncodeProgressFromTail(ReadProgressTail(_progressFile), _totalDurationMs);
}

double EncodeSpeedFromTail(const QByteArray &_tail)
{
    QByteArray value = LastValue(_tail, QByteArrayLiteral("speed=")).trimmed();
    if (!value.endsWith('x'))
        return 0;
    value.chop(1);
    bool ok = false;
    const double speed = value.toDouble(&ok);
    return ok && speed > 0 ? speed : 0;
}

qint64 FinalOutTimeMs(const QString &_progressFile)
{
    // Blocks are a few hundred bytes; the last complete one lies well within this.
    constexpr qint64 FinalTailBytes = 4096;
    QByteArray value =
        LastValue(ReadTail(_progressFile, FinalTailBytes, true), QByteArrayLiteral("out_time_ms="));
    if (value.isEmpty())
        return -1;
    bool ok = false;
    const qint64 microseconds = value.toLongLong(&ok, 10);
    return ok && microseconds >= 0 ? microseconds / 1000 : -1;
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
