#pragma once

#include <QByteArray>
#include <QString>

// Progress of a running step, as a whole percentage and in hundredths of a
// percent.
struct TProgress
{
    int Percent = 0;    // 0..100
    int Hundredths = 0; // 0..10000
};

// Bytes read from the end of the progress file.
inline constexpr qint64 ProgressTailBytes = 160;

// From the tail of the encoder's progress file: the first complete
// "out_time_ms=" value (microseconds) against the probed duration in
// milliseconds. Hundredths truncated and held at 10000; the percentage rounds
// half to even. Any unusable input gives 0.
TProgress EncodeProgressFromTail(const QByteArray &_tail, qint64 _totalDurationMs);
// Reads the last 160 bytes of _progressFile (a file shorter than that gives 0).
TProgress GetEncodeProgress(const QString &_progressFile, qint64 _totalDurationMs);

// The last ProgressTailBytes of the progress file; empty when the file is
// shorter than that or cannot be read.
QByteArray ReadProgressTail(const QString &_progressFile);
// The encoder's speed ("speed=3.1x") in the last complete block of a tail, as
// a multiple of real time; 0 when the tail holds none.
double EncodeSpeedFromTail(const QByteArray &_tail);
// The output time in milliseconds of the last complete "out_time_ms=" line
// of the whole progress file: how long the output came out. -1 when the file
// holds none.
qint64 FinalOutTimeMs(const QString &_progressFile);

// From the size written so far against the total; both results truncated.
TProgress JoinProgressFromSizes(qint64 _joinedSize, qint64 _totalSize);
// Reads the joined file's present size.
TProgress GetJoinProgress(const QString &_joinedFile, qint64 _totalSize);
