#include "conversion/CommandLine.h"

#include "conversion/SourceInfo.h"
#include "presets/DevicePresets.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QDir>

namespace {

const QString kInvalidSize = InvalidSizeArgument;
const QString kDeinterlace = QStringLiteral("yadif");
// The position used under source quality and while the track bar is disabled.
constexpr int kDefaultPosition = DefaultQualityPosition;

int Quality(TQualityRow _row, int _position)
{
    return QualityTable[_row][qBound(0, _position, MaxQualityPosition)];
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

// The frame-size box read as a size: none (source size), invalid, or a
// width and height that go out as " -s WxH" or as the keep-proportions
// scale filter.
struct TFrameSize
{
    bool None = false;
    bool Invalid = false;
    bool Scale = false;
    int Width = 0;
    int Height = 0;
};

TFrameSize ReadFrameSize(const TConversionSettings &_settings, const QString &_sizeText)
{
    TFrameSize frame;
    QString size = _sizeText.isEmpty() ? _settings.OutSizeText : _sizeText;
    const qsizetype blank = size.indexOf(u' ');
    if (blank >= 0)
        size.truncate(blank);
    const qsizetype x = size.indexOf(u'x');
    if (x < 0) {
        frame.None = _settings.OutSizeIndex == 0;
        frame.Invalid = !frame.None;
        return frame;
    }
    frame.Width = StrToIntDef(size.left(x), 0);
    frame.Height = StrToIntDef(size.mid(x + 1), 0);
    frame.Invalid = !SizeInRange(frame.Width) || !SizeInRange(frame.Height);
    frame.Scale = KeepsProportions(_settings);
    return frame;
}

// The scale filter without its " -vf" and quotes, so that other filters can
// join its chain.
QString ScaleFilter(int _width)
{
    return QStringLiteral("scale=%1:trunc(ow/a/2)*2").arg(_width);
}

QString SizeArgument(const TFrameSize &_frame)
{
    if (_frame.Invalid)
        return kInvalidSize;
    if (_frame.None)
        return QString();
    if (_frame.Scale)
        return QStringLiteral(" -vf \"") + ScaleFilter(_frame.Width) + u'"';
    return QStringLiteral(" -s %1x%2").arg(_frame.Width).arg(_frame.Height);
}

// One -vf for a chain: the encoder honours only the last -vf of an output,
// so every filter has to go into the same one.
QString FilterArgument(const QStringList &_chain)
{
    if (_chain.isEmpty())
        return QString();
    if (_chain.size() == 1 && !_chain.front().contains(u'='))
        return QStringLiteral(" -vf ") + _chain.front();
    return QStringLiteral(" -vf \"") + _chain.join(u',') + u'"';
}

int EvenBelow(int _value)
{
    return _value - _value % 2;
}

// Takes the last column or row off an odd picture where the encoder needs
// that side even, so that nothing is resampled; empty when nothing is odd.
QString EvenCrop(const TVSourceInfo &_source, bool _evenWidth, bool _evenHeight)
{
    const bool cropWidth = _evenWidth && _source.vsVideoWidth % 2 != 0;
    const bool cropHeight = _evenHeight && _source.vsVideoHeight % 2 != 0;
    if (!cropWidth && !cropHeight)
        return QString();
    // The filter itself rounds an odd height of a 4:2:0 picture down unless
    // told to keep it exact.
    const bool oddHeightKept = !cropHeight && _source.vsVideoHeight % 2 != 0;
    return QStringLiteral("crop=%1:%2%3")
        .arg(cropWidth ? QStringLiteral("trunc(iw/2)*2") : QStringLiteral("iw"),
             cropHeight ? QStringLiteral("trunc(ih/2)*2") : QStringLiteral("ih"),
             oddHeightKept ? QStringLiteral(":exact=1") : QString());
}

// The video formats whose options offer deinterlacing.
bool OffersDeinterlace(const QString &_type)
{
    static const QStringList types = {
        QStringLiteral("mp4"), QStringLiteral("webm"), QStringLiteral("flv"),
        QStringLiteral("mkv"), QStringLiteral("mpg"),  QStringLiteral("avi"),
        QStringLiteral("mov"), QStringLiteral("wmv"),  QStringLiteral("3gp")};
    return types.contains(_type);
}

// Pixel formats the H.264 encoder takes as 8-bit 4:2:0, the kind every
// player decodes; any other makes it write a profile phones and TVs refuse.
bool PlaysEverywhere(const QString &_pixelFormat)
{
    static const QStringList formats = {QStringLiteral("yuv420p"), QStringLiteral("yuvj420p"),
                                        QStringLiteral("nv12"), QStringLiteral("nv21")};
    return _pixelFormat.isEmpty() || formats.contains(_pixelFormat);
}

// Layouts the Opus encoder carries; it refuses the others ("5.1(side)").
bool OpusCarries(const TVSourceInfo &_source)
{
    static const QStringList layouts = {QStringLiteral("mono"), QStringLiteral("stereo"),
                                        QStringLiteral("3.0"),  QStringLiteral("quad"),
                                        QStringLiteral("5.0"),  QStringLiteral("5.1"),
                                        QStringLiteral("6.1"),  QStringLiteral("7.1")};
    return _source.vsAudioChannels <= 2 || layouts.contains(_source.vsAudioChannelLayout);
}

// MPEG-1 carries 24000/1001 fps and up; the encoder rounds anything above
// that to a rate it carries by itself, but below it picks an unofficial rate
// ("15/1") that it then refuses.
QString MpegFrameRate(const TVSourceInfo *_source)
{
    constexpr double lowest = 24000.0 / 1001.0;
    if (!_source || _source->vsVideoFrameRate <= 0 || _source->vsVideoFrameRate + 0.01 >= lowest)
        return QString();
    return QStringLiteral(" -r 24000/1001");
}

// Subtitle codecs the encoder can turn into another text format.
bool IsTextSubtitle(const QString &_codec)
{
    static const QStringList text = {
        QStringLiteral("subrip"),    QStringLiteral("srt"),       QStringLiteral("ass"),
        QStringLiteral("ssa"),       QStringLiteral("mov_text"),  QStringLiteral("webvtt"),
        QStringLiteral("text"),      QStringLiteral("microdvd"),  QStringLiteral("mpl2"),
        QStringLiteral("jacosub"),   QStringLiteral("realtext"),  QStringLiteral("sami"),
        QStringLiteral("stl"),       QStringLiteral("pjs"),       QStringLiteral("vplayer"),
        QStringLiteral("subviewer"), QStringLiteral("subviewer1")};
    return text.contains(_codec);
}

// How a subtitle stream goes into the container of _type: the codec for
// " -c:s", or empty when the container cannot take it.
QString SubtitleCodecFor(const QString &_type, const QString &_codec)
{
    static const QStringList matroska = {
        QStringLiteral("subrip"),       QStringLiteral("ass"),
        QStringLiteral("ssa"),          QStringLiteral("webvtt"),
        QStringLiteral("dvd_subtitle"), QStringLiteral("hdmv_pgs_subtitle"),
        QStringLiteral("dvb_subtitle")};
    if (_type == u"mkv") {
        if (matroska.contains(_codec))
            return QStringLiteral("copy");
        return IsTextSubtitle(_codec) ? QStringLiteral("srt") : QString();
    }
    if (!IsTextSubtitle(_codec))
        return QString();
    if (_type == u"mp4")
        return QStringLiteral("mov_text");
    if (_type == u"webm")
        return QStringLiteral("webvtt");
    return QString();
}

// Keeping subtitles names streams, and naming any stream switches off the
// encoder's own choice of picture and sound, so they are named too: the
// streams it would have chosen, or the sound streams the mapping already
// names. Subtitles the container cannot take are left out; with none left
// the encoder chooses by itself, as without the option.
QString SubtitlePart(const QString &_type, const TConversionSettings &_settings,
                     const TVSourceInfo &_source, bool _soundsMapped)
{
    QStringList codecs;
    QList<int> kept;
    for (int i = 0; i < _source.vsSubtitleCodecs.size(); ++i) {
        const QString codec = SubtitleCodecFor(_type, _source.vsSubtitleCodecs[i]);
        if (codec.isEmpty())
            continue;
        codecs << codec;
        kept << i;
    }
    if (kept.isEmpty())
        return QString();

    QString part;
    if (!_soundsMapped) {
        if (_source.vsVideoStreamNumber >= 0)
            part += QStringLiteral(" -map 0:v:%1").arg(_source.vsVideoStreamNumber);
        if (!_settings.NoSound && _source.vsAudioStreamNumber >= 0)
            part += QStringLiteral(" -map 0:a:%1").arg(_source.vsAudioStreamNumber);
    }
    if (kept.size() == _source.vsSubtitleCodecs.size() &&
        codecs.count(codecs.front()) == codecs.size())
        return part + QStringLiteral(" -c:s ") + codecs.front() + QStringLiteral(" -map 0:s?");
    for (qsizetype k = 0; k < kept.size(); ++k)
        part += QStringLiteral(" -map 0:s:%1").arg(kept[k]);
    for (qsizetype k = 0; k < kept.size(); ++k)
        part += QStringLiteral(" -c:s:%1 ").arg(k) + codecs[k];
    return part;
}

} // namespace

QString BuildSizeArgument(const TConversionSettings &_settings, const QString &_sizeText)
{
    return SizeArgument(ReadFrameSize(_settings, _sizeText));
}

bool BuildEncoderArguments(const TConversionSettings &_settings, const TDevicePresets *_presets,
                           QString &_arguments, IRefusalSink *_sink, const TVSourceInfo *_source)
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
    TFrameSize frame = ReadFrameSize(_settings, QString());
    if (frame.Invalid)
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
    // MOV left to the encoder's choice gets H.264, which ignores " -q:v";
    // naming it with a rate factor lets the quality take effect.
    const bool movH264 = _source && type == u"mov";
    const bool x264 = h264 || movH264;
    const bool deinterlace =
        _settings.Deinterlace && (_source ? OffersDeinterlace(type) : h264 || vp9);

    // H.264 in 4:2:0 needs both sides even, WMV's encoder an even width. A
    // typed size is made even too, rounding down as for the source.
    const bool evenWidth = _source && (x264 || type == u"wmv");
    const bool evenHeight = _source && x264;
    if (evenWidth)
        frame.Width = EvenBelow(frame.Width);
    if (evenHeight)
        frame.Height = EvenBelow(frame.Height);

    QStringList filters;
    if (deinterlace)
        filters << kDeinterlace;
    if (frame.None && _source) {
        const QString crop = EvenCrop(*_source, evenWidth, evenHeight);
        if (!crop.isEmpty())
            filters << crop;
    }
    QString args;
    if (frame.Scale) {
        filters << ScaleFilter(frame.Width);
        args = FilterArgument(filters);
        filters.clear();
    } else {
        args = SizeArgument(frame);
    }
    args += QStringLiteral(" -err_detect ignore_err");

    if (h264)
        args += QStringLiteral(" -crf %1").arg(Quality(qrH264RateFactor, videoPosition));
    else if (vp9)
        args += QStringLiteral(" -crf %1").arg(Quality(qrVp9RateFactor, videoPosition));
    else if (type != u"mp3" && type != u"aac" && type != u"flac")
        args += QStringLiteral(" -q:v %1").arg(Quality(qrVideoScale, videoPosition));
    args += FilterArgument(filters);

    const QString pixelFormat = x264 && _source && !PlaysEverywhere(_source->vsVideoPixelFormat)
                                    ? QStringLiteral(" -pix_fmt yuv420p")
                                    : QString();
    // Only what the source holds is mapped; without a source the option keeps
    // its old form.
    auto subtitles = [&](bool soundsMapped) {
        if (!_settings.CopySubtitles)
            return QString();
        if (!_source)
            return QStringLiteral(" -c:s copy -map 0:s?");
        return SubtitlePart(type, _settings, *_source, soundsMapped);
    };
    const bool downmix = _source && !_settings.NoSound && _source->vsAudioChannels > 2;

    if (h264) {
        args += QStringLiteral(" -vcodec libx264") + pixelFormat;
        const bool soundsMapped = !_settings.NoSound && _settings.CopySounds;
        if (_settings.NoSound)
            args += QStringLiteral(" -an");
        else if (_settings.CopySounds)
            args += CopySoundsMapping;
        else
            args += QStringLiteral(" -c:a aac -ac 2") + bitRate(qrAacBitRate);
        args += subtitles(soundsMapped);
    } else if (vp9) {
        const QString opusDownmix =
            downmix && !OpusCarries(*_source) ? QStringLiteral(" -ac 2") : QString();
        args += QStringLiteral(" -vcodec libvpx-vp9 -b:v 0");
        args += noSoundOr(QStringLiteral(" -c:a libopus") + opusDownmix + bitRate(qrAacBitRate));
        args += subtitles(false);
    } else if (type == u"mpg") {
        args +=
            QStringLiteral(" -f vcd") + MpegFrameRate(_source) + noSoundOr(bitRate(qrMp3BitRate));
    } else if (type == u"avi") {
        args += QStringLiteral(" -f avi") + noSoundOr(QStringLiteral(" -acodec libmp3lame") +
                                                      audioQuality + bitRate(qrMp3BitRate));
    } else if (type == u"wmv") {
        // The WMA encoder takes two channels at most.
        const QString wmaDownmix = downmix ? QStringLiteral(" -ac 2") : QString();
        args += QStringLiteral(" -vcodec wmv2") +
                noSoundOr(QStringLiteral(" -acodec wmav2") + wmaDownmix + bitRate(qrAacBitRate));
    } else if (type == u"mov") {
        args += QStringLiteral(" -f mov");
        if (movH264)
            args += QStringLiteral(" -vcodec libx264 -crf %1")
                        .arg(Quality(qrH264RateFactor, videoPosition)) +
                    pixelFormat;
        args += noSoundOr(QStringLiteral(" -c:a aac") + bitRate(qrAacBitRate));
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

namespace {
QString QuotedPath(const QString &_argument)
{
    const QString guard = QStringLiteral("file:");
    return u'"' + (_argument.startsWith(guard) ? _argument.mid(guard.size()) : _argument) + u'"';
}
} // namespace

QString ArgumentsText(const QStringList &_args)
{
    QString text;
    for (qsizetype i = 0; i < _args.size(); ++i) {
        const bool path = i > 0 && (_args[i - 1] == u"-i" || _args[i - 1] == u"-progress");
        text += u' ' + (path ? QuotedPath(_args[i]) : _args[i]);
    }
    return text;
}

QString TEncoderCommand::Text() const
{
    if (Args.isEmpty())
        return Program;
    // The last argument is the output file.
    return Program + ArgumentsText(Args.mid(0, Args.size() - 1)) + u' ' + QuotedPath(Args.last());
}

TEncoderCommand BuildEncoderCommand(const QString &_encoderPath, const QString &_progressFileName,
                                    const TVSourceInfo &_source, const QString &_encoderArguments,
                                    const QString &_outFileName)
{
    TEncoderCommand command;
    command.Program = _encoderPath;
    command.Args << QStringLiteral("-progress") << EncoderPathArgument(_progressFileName);
    command.Args << _source.vsFFMpegInputArgs;
    command.Args << SplitCommandText(_encoderArguments);
    command.Args << EncoderPathArgument(_outFileName);
    return command;
}
