#pragma once

#include "conversion/SourceInfo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Probing a source: the encoder is run with input options only and what it
// prints is read for durations, stream descriptions and subtitles.

// Deletes the concat list the record's last folder probe wrote, if any.
void DiscardConcatList(TVSourceInfo &_info);

// Fills _info for _path (a file, or a folder path ending in a separator).
// Folder sources write their concat list into _appDataDir (ending in a
// separator). Returns false only when a folder's concat list could not be
// written; the folder then counts as holding no chosen files.
bool ProbeSource(const QString &_path, TVSourceInfo &_info, const QString &_appDataDir);

// Limits of a capture, so that a child that prints without end or never ends
// cannot eat all memory or block the caller for ever.
struct TCaptureLimits
{
    qint64 MaxBytes = 32 * 1024 * 1024; // the child is stopped once it has printed this much
    int SilenceMs = 60000;              // the child is stopped after this long without output
};

// Runs _program with _arguments (no shell; each element one argument) in
// _workingFolder, standard input the null device, and returns everything it
// wrote to standard output and standard error in the order written, decoded
// by DecodeLocalText. Empty when the program cannot be started.
QString RunAndCapture(const QString &_program, const QStringList &_arguments,
                      const QString &_workingFolder, const TCaptureLimits &_limits = {});
// The raw bytes of the same capture (NUL bytes dropped); _started tells
// whether the program ran at all.
QByteArray RunAndCaptureBytes(const QString &_program, const QStringList &_arguments,
                              const QString &_workingFolder, const TCaptureLimits &_limits,
                              bool *_started = nullptr);

// Pure readers of a probe text; they accept any text.
// Sum of the "Duration: HH:MM:SS.CC," values in milliseconds, with the
// five-times rule for an input that claims far more than the one before it.
qint64 ProbeTextDuration(const QString &_probeText);
// Lower-cased description after the first _marker (": Video:", ": Audio:")
// up to the next comma; empty when the marker is absent.
QString ProbeTextStreamDescription(const QString &_probeText, const QString &_marker);
// Sets the duration, the video and audio descriptions and the subtitle flag
// of _info from _probeText (the rest of _info is left alone).
void ParseProbeText(const QString &_probeText, TVSourceInfo &_info);

// True when the inputs of a multi-input probe text do not all show the same
// video stream line as input 0.
bool NeedBinaryJoin(const QString &_probeText);

// Size in bytes by opening the file for reading; -1 when it cannot be opened.
qint64 GetFileSizeByOpening(const QString &_fileName);
// Size in bytes from the file's attributes (works while another process
// writes it); 0 for a folder; -1 when the attributes cannot be read.
qint64 GetFileSizeByAttributes(const QString &_fileName);
