#pragma once

#include "conversion/ConversionSettings.h"

#include <QLatin1String>
#include <QString>
#include <QStringList>

class TDevicePresets;
class TVSourceInfo;

// Rows of QualityTable; columns are the quality positions 0..10.
enum TQualityRow
{
    qrVideoScale = 0,     // value of " -q:v "
    qrMp3BitRate = 1,     // kbit/s for " -ab " with mpg, avi, mp3
    qrAacBitRate = 2,     // kbit/s for " -ab " with mp4, flv, mkv, webm, wmv, mov, aac
    qrH264RateFactor = 3, // value of " -crf " with mp4, flv, mkv
    qrVp9RateFactor = 4,  // value of " -crf " with webm
};

inline constexpr int QualityTable[5][MaxQualityPosition + 1] = {
    {28, 24, 20, 16, 12, 8, 6, 5, 4, 3, 2},
    {32, 48, 64, 96, 96, 128, 160, 192, 192, 256, 320},
    {32, 48, 48, 64, 64, 96, 96, 128, 160, 160, 192},
    {36, 34, 32, 30, 28, 26, 24, 22, 20, 18, 16},
    {53, 50, 47, 44, 41, 38, 35, 32, 28, 24, 20},
};

// Keeps every sound stream of the source. The conversion run searches the
// built arguments for this exact text, so both sides use this constant.
inline constexpr QLatin1String CopySoundsMapping(" -map 0:v -c:a copy -map 0:a");

// Message ids (section GeneralMessages) of the builder's refusals.
inline constexpr int msgInvalidFrameSize = 13011;
inline constexpr int msgNoDeviceChosen = 13018;

// Told when the builder refuses; the window shows the message, tests record it.
class IRefusalSink
{
public:
    virtual ~IRefusalSink() = default;
    virtual void Refuse(int _messageId) = 0;
};

// What BuildSizeArgument returns for a size the encoder would not take.
inline constexpr QLatin1String InvalidSizeArgument("-1");

// The frame-size argument for _sizeText (OutSizeText when _sizeText is
// empty): empty for "no size argument", the literal "-1" for an invalid
// size, otherwise a text beginning with a blank (" -s WxH" or a scale filter).
QString BuildSizeArgument(const TConversionSettings &_settings,
                          const QString &_sizeText = QString());

// All encoder arguments between the input and the output file. On success
// _arguments is replaced as a whole and begins with a blank. On failure
// _arguments is left alone and a refusal may have gone to _sink (may be null).
// _presets may be null; device mode then refuses like an unknown device.
// With the probed _source, format mode also writes what that source needs to
// convert (a down-mix, an even frame size, a frame rate MPEG carries, 8-bit
// 4:2:0 H.264, subtitles in a form the container takes), names MOV's video
// codec so that the quality takes effect, and deinterlaces for every video
// format; without it the arguments are built from the settings alone.
bool BuildEncoderArguments(const TConversionSettings &_settings, const TDevicePresets *_presets,
                           QString &_arguments, IRefusalSink *_sink,
                           const TVSourceInfo *_source = nullptr);

// The whole encoder command: the program and its arguments, every path one
// argument of its own, started without a shell.
struct TEncoderCommand
{
    QString Program;
    QStringList Args;
    // The command as one line, for display and logs: paths in double quotes.
    QString Text() const;
};

// Arguments as one text, each after a blank; the value after "-i" or
// "-progress" (a path) in double quotes, shown without the "file:" guard.
QString ArgumentsText(const QStringList &_args);

// Assembles the command from the encoder's path, the progress file, the
// probed source and the text of BuildEncoderArguments.
TEncoderCommand BuildEncoderCommand(const QString &_encoderPath, const QString &_progressFileName,
                                    const TVSourceInfo &_source, const QString &_encoderArguments,
                                    const QString &_outFileName);

// A path as the encoder must receive it to read it as a plain file name: a
// relative path gets the "file:" prefix so that a leading "-" or a colon in
// it cannot be taken for an option or a protocol.
QString EncoderPathArgument(const QString &_path);
