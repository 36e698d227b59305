#include "conversion/CommandLine.h"

#include "conversion/SourceInfo.h"
#include "presets/DevicePresets.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QDir>

namespace {

const QString kInvalidSize = QStringLiteral("-1");
const QString kDeinterlace = QStringLiteral("yadif");
// The position used under source quality and while the track bar is disabled.
constexpr int kDefaultPosition = 7;

int Quality(TQualityRow _row, int _position)
{
    return QualityTable[_row][qBound(0, _position, 10)];
}

QString BitRate(TQualityRow _row, int _position)
{
    return QStringLiteral(" -ab %1K").arg(Quality(_row, _position));
}

bool SizeInRange(int _value)
{
    return _value > 50 && _value <= 5000;
}

bool KeepsProportions(const TConversionSettings &_settings)
{
    return _settings.SameAspect && _settings.SameAspectEnabled;
}

// Deinterlacing merged into the keep-proportions scale filter: the encoder
// honours only the last -vf of an output, so a separate " -vf yadif" after
// the scale filter would silently drop the scaling.
QString SizeArgumentWithDeinterlace(const QString &_size)
{
    const QString filterStart = QStringLiteral(" -vf \"");
    if (!_size.startsWith(filterStart))
        return _size;
    return filterStart + kDeinterlace + u',' + _size.mid(filterStart.size());
}

} // namespace

QString BuildSizeArgument(const TConversionSettings &_settings, const QString &_sizeText)
{
    QString size = _sizeText.isEmpty() ? _settings.OutSizeText : _sizeText;
    const qsizetype blank = size.indexOf(u' ');
    if (blank >= 0)
        size.truncate(blank);
    const qsizetype x = size.indexOf(u'x');
    if (x < 0)
        return _settings.OutSizeIndex == 0 ? QString() : kInvalidSize;

    const int width = StrToIntDef(size.left(x), 0);
    const int height = StrToIntDef(size.mid(x + 1), 0);
    if (!SizeInRange(width) || !SizeInRange(height))
        return kInvalidSize;
    if (KeepsProportions(_settings))
        return QStringLiteral(" -vf \"scale=%1:trunc(ow/a/2)*2\"").arg(width);
    return QStringLiteral(" -s %1x%2").arg(width).arg(height);
}

bool BuildEncoderArguments(const TConversionSettings &_settings, const TDevicePresets *_presets,
                           QString &_arguments, IRefusalSink *_sink)
{
    auto refuse = [_sink](int messageId) {
        if (_sink)
            _sink->Refuse(messageId);
        return false;
    };

    if (_settings.VideoPageIndex == 1) {
        // An id no preset carries (kept from an older presets.xml) is refused
        // like no choice at all.
        const TDevPreset *preset = _settings.SelectedDeviceID != 0 && _presets
                                       ? _presets->GetDeviceByID(_settings.SelectedDeviceID)
                                       : nullptr;
        if (!preset)
            return refuse(msgNoDeviceChosen);
        _arguments = u' ' + preset->Params;
        return true;
    }
    if (_settings.VideoPageIndex != 0)
        return false;

    const bool sourceQuality = _settings.OutQualityType == 0;
    const QString audioQuality = sourceQuality ? QStringLiteral(" -q:a 1") : QString();
    const QString size = BuildSizeArgument(_settings, QString());
    if (size == kInvalidSize)
        return refuse(msgInvalidFrameSize);

    const QString type = AsciiLowerCase(ExtractFileExt(_settings.OutFileName).mid(1));
    const int position = _settings.OutQualityEnabled ? _settings.OutQuality : kDefaultPosition;
    const int videoPosition = sourceQuality ? kDefaultPosition : position;
    auto bitRate = [&](TQualityRow row) {
        return sourceQuality ? QString() : BitRate(row, position);
    };
    auto noSoundOr = [&](const QString &sound) {
        return _settings.NoSound ? QStringLiteral(" -an") : sound;
    };

    const bool h264 = type == u"mp4" || type == u"flv" || type == u"mkv";
    const bool vp9 = type == u"webm";
    const bool deinterlaceInScale =
        (h264 || vp9) && _settings.Deinterlace && size.startsWith(u" -vf");
    QString args = deinterlaceInScale ? SizeArgumentWithDeinterlace(size) : size;
    args += QStringLiteral(" -err_detect ignore_err");

    if (h264)
        args += QStringLiteral(" -crf %1").arg(Quality(qrH264RateFactor, videoPosition));
    else if (vp9)
        args += QStringLiteral(" -crf %1").arg(Quality(qrVp9RateFactor, videoPosition));
    else if (type != u"mp3" && type != u"aac" && type != u"flac")
        args += QStringLiteral(" -q:v %1").arg(Quality(qrVideoScale, videoPosition));

    const QString subtitles =
        _settings.CopySubtitles ? QStringLiteral(" -c:s copy -map 0:s?") : QString();
    const QString deinterlace = _settings.Deinterlace && !deinterlaceInScale
                                    ? QStringLiteral(" -vf ") + kDeinterlace
                                    : QString();

    if (h264) {
        args += deinterlace + QStringLiteral(" -vcodec libx264");
        if (_settings.NoSound)
            args += QStringLiteral(" -an");
        else if (_settings.CopySounds)
            args += CopySoundsMapping;
        else
            args += QStringLiteral(" -c:a aac -ac 2") + bitRate(qrAacBitRate);
        args += subtitles;
    } else if (vp9) {
        args += deinterlace + QStringLiteral(" -vcodec libvpx-vp9 -b:v 0");
        args += noSoundOr(QStringLiteral(" -c:a libopus") + bitRate(qrAacBitRate));
        args += subtitles;
    } else if (type == u"mpg") {
        args += QStringLiteral(" -f vcd") + noSoundOr(bitRate(qrMp3BitRate));
    } else if (type == u"avi") {
        args += QStringLiteral(" -f avi") + noSoundOr(QStringLiteral(" -acodec libmp3lame") +
                                                      audioQuality + bitRate(qrMp3BitRate));
    } else if (type == u"wmv") {
        args += QStringLiteral(" -vcodec wmv2") +
                noSoundOr(QStringLiteral(" -acodec wmav2") + bitRate(qrAacBitRate));
    } else if (type == u"mov") {
        args += QStringLiteral(" -f mov") +
                noSoundOr(QStringLiteral(" -c:a aac") + bitRate(qrAacBitRate));
    } else if (type == u"3gp") {
        args += QStringLiteral(" -vcodec h263") +
                noSoundOr(QStringLiteral(" -c:a aac -ac 1 -ar 8000 -ab 32K"));
    } else if (type == u"mp3") {
        if (sourceQuality)
            args += QStringLiteral(" -vn -acodec libmp3lame") + audioQuality;
        else
            args += QStringLiteral(" -vn -c:a libmp3lame") + BitRate(qrMp3BitRate, position);
    } else if (type == u"aac") {
        // Source quality takes position 8 here, not 7.
        args += QStringLiteral(" -c:a aac") + BitRate(qrAacBitRate, sourceQuality ? 8 : position);
    } else if (type == u"flac") {
        args += QStringLiteral(" -vn  -acodec flac");
    } else {
        args += noSoundOr(QStringLiteral(" -acodec copy"));
    }

    _arguments = args;
    return true;
}

QString EncoderPathArgument(const QString &_path)
{
    if (_path.isEmpty() || QDir::isAbsolutePath(_path))
        return _path;
    return QStringLiteral("file:") + _path;
}

TEncoderCommand BuildEncoderCommand(const QString &_encoderPath, const QString &_progressFileName,
                                    const TVSourceInfo &_source, const QString &_encoderArguments,
                                    const QString &_outFileName)
{
    TEncoderCommand command;
    command.Text = _encoderPath + QStringLiteral(" -progress \"") + _progressFileName + u'"' +
                   _source.vsFFMpegIsrcStr + _encoderArguments + QStringLiteral(" \"") +
                   _outFileName + u'"';
    command.Program = _encoderPath;
    command.Args << QStringLiteral("-progress") << EncoderPathArgument(_progressFileName);
    command.Args << _source.vsFFMpegInputArgs;
    command.Args << SplitCommandText(_encoderArguments);
    command.Args << EncoderPathArgument(_outFileName);
    return command;
}
