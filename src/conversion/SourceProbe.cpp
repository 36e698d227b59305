#include "conversion/SourceProbe.h"

#include "conversion/ChildRunner.h"
#include "conversion/CommandLine.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>

namespace {
// A wait slice of the capture loop; short, so that a flood of output is
// taken in small pieces and the limits are checked often.
constexpr int CaptureSliceMs = 100;

// A signed part ("-2") would make a garbled text shorten the total, even
// below zero; like any other part that is no time, it counts as 0.
qint64 TwoDigitPart(QStringView _t, qsizetype _at)
{
    return qMax(0, StrToIntDef(_t.mid(_at, 2).toString(), 0));
}
} // namespace

QByteArray RunAndCaptureBytes(const QString &_program, const QStringList &_arguments,
                              const QString &_workingFolder, const TCaptureLimits &_limits,
                              bool *_started)
{
    if (_started)
        *_started = false;
    QProcess process;
    process.setProgram(_program);
    process.setArguments(_arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!_workingFolder.isEmpty())
        process.setWorkingDirectory(_workingFolder);
    TieChildToParent(process);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return QByteArray();
    if (_started)
        *_started = true;

    QByteArray captured;
    QElapsedTimer silence;
    silence.start();
    bool stopped = false;
    const auto take = [&](const QByteArray &_chunk) {
        if (_chunk.isEmpty())
            return;
        silence.restart();
        const qint64 room = qMax<qint64>(0, _limits.MaxBytes - captured.size());
        captured.append(_chunk.left(room));
    };
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(CaptureSliceMs);
        take(process.readAll());
        if (stopped)
            continue;
        if (captured.size() >= _limits.MaxBytes || silence.elapsed() >= _limits.SilenceMs) {
            // A runaway or stuck child: what it printed so far is all we get.
            stopped = true;
            process.kill();
        }
    }
    take(process.readAll());
    captured.replace(QByteArray(1, '\0'), QByteArray());
    return captured;
}

QString RunAndCapture(const QString &_program, const QStringList &_arguments,
                      const QString &_workingFolder, const TCaptureLimits &_limits)
{
    return DecodeLocalText(RunAndCaptureBytes(_program, _arguments, _workingFolder, _limits));
}

qint64 ProbeTextDuration(const QString &_probeText)
{
    static const QString marker = QStringLiteral("Duration: ");
    const QStringView text(_probeText);
    qint64 total = 0, previous = 0, current = 0;
    int n = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(marker, from);
        if (at < 0)
            break;
        ++n;
        from = at + marker.size();
        // Without a comma there is no complete time (a cut-off text).
        const qsizetype comma = text.indexOf(u',', from);
        if (comma < 0 || comma - from < 11)
            continue;
        const QStringView t = text.mid(from, 11);
        previous = current;
        current =
            (TwoDigitPart(t, 0) * 3600 + TwoDigitPart(t, 3) * 60 + TwoDigitPart(t, 6)) * 1000 +
            TwoDigitPart(t, 9) * 10;
        // An input that claims more than five times the length of a long input
        // before it is taken to be misreported.
        if (n > 1 && previous > 360000 && previous * 5 < current)
            current = previous;
        total += current;
    }
    return total;
}

QString ProbeTextStreamDescription(const QString &_probeText, const QString &_marker)
{
    const qsizetype at = _probeText.indexOf(_marker);
    if (at < 0 || _marker.isEmpty())
        return QString();
    const qsizetype from = at + _marker.size();
    // The description ends at the next comma, and never runs into the next
    // line (a stream line without a comma).
    qsizetype end = from;
    while (end < _probeText.size()) {
        const QChar c = _probeText[end];
        if (c == u',' || c == u'\n' || c == u'\r')
            break;
        ++end;
    }
    return AsciiLowerCase(TrimBlanksAndControls(QStringView(_probeText).mid(from, end - from)));
}

namespace {

enum class TStreamKind
{
    Video,
    Audio,
    Subtitle
};

// One stream line of the first input: "Stream #0:1[0x1c0](eng): Audio: ac3,
// 48000 Hz, 5.1(side), fltp, 448 kb/s (default)".
struct TProbeStream
{
    int Index = 0;
    TStreamKind Kind = TStreamKind::Video;
    QStringList Fields; // the description cut at its commas; the codec comes first
    bool Default = false;
    bool AttachedPicture = false;
    int Width = 0;
    int Height = 0;
    QString Layout;
    int Channels = 0;
};

// Commas inside brackets belong to their field: "yuv420p(tv, top first)".
QStringList DescriptionFields(QStringView _description)
{
    QStringList fields;
    int depth = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= _description.size(); ++i) {
        const QChar c = i < _description.size() ? _description[i] : QChar(u',');
        if (c == u'(' || c == u'[')
            ++depth;
        else if ((c == u')' || c == u']') && depth > 0)
            --depth;
        else if (c == u',' && (depth == 0 || i == _description.size())) {
            fields << TrimBlanksAndControls(_description.mid(from, i - from));
            from = i + 1;
        }
    }
    return fields;
}

// A number the encoder printed ("25", "29.97", "1k"); 0 for anything else.
double PrintedNumber(QStringView _text)
{
    double scale = 1;
    if (_text.endsWith(u'k')) {
        scale = 1000;
        _text.chop(1);
    }
    bool ok = false;
    const double value = _text.toDouble(&ok);
    return ok && value > 0 && value < 1e7 ? value * scale : 0;
}

// The field "<number> <unit>" ("25 fps"), 0 when there is none.
double UnitField(const QStringList &_fields, QLatin1String _unit)
{
    for (const QString &field : _fields) {
        const QStringView f(field);
        if (f.size() > _unit.size() + 1 && f.endsWith(_unit) &&
            f[f.size() - _unit.size() - 1] == u' ')
            return PrintedNumber(f.first(f.size() - _unit.size() - 1));
    }
    return 0;
}

// The rate the encoder takes for the stream: the base rate ("tbr"), unless
// that is a time-base artefact far above a plausible average ("fps").
double StreamFrameRate(const QStringList &_fields)
{
    const double average = UnitField(_fields, QLatin1String("fps"));
    const double base = UnitField(_fields, QLatin1String("tbr"));
    if (base <= 0 || (average > 0 && average < 70 && base > 210))
        return average;
    return base;
}

bool FrameSize(const QString &_field, int &_width, int &_height)
{
    static const QRegularExpression size(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})(?: |$)"));
    const QRegularExpressionMatch match = size.match(_field);
    if (!match.hasMatch())
        return false;
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    // No encoder makes pictures this large; such a text is garbled.
    if (width > 32768 || height > 32768)
        return false;
    _width = width;
    _height = height;
    return true;
}

// Channels of a layout name as the encoder prints it: "mono", "stereo",
// "5.1(side)" (5 + 1), "22.2", "6 channels", "3 channels (FL+FR+LFE)".
int LayoutChannels(const QString &_layout)
{
    static const QHash<QString, int> named = {
        {QStringLiteral("mono"), 1},          {QStringLiteral("stereo"), 2},
        {QStringLiteral("downmix"), 2},       {QStringLiteral("binaural"), 2},
        {QStringLiteral("quad"), 4},          {QStringLiteral("hexagonal"), 6},
        {QStringLiteral("octagonal"), 8},     {QStringLiteral("cube"), 8},
        {QStringLiteral("hexadecagonal"), 16}};
    static const QRegularExpression counted(QStringLiteral("^([0-9]{1,3}) channels?(?: |$)"));
    static const QRegularExpression dotted(QStringLiteral("^[0-9]{1,2}(?:\\.[0-9]{1,2}){1,2}$"));
    const QString base = _layout.section(u'(', 0, 0);
    if (named.contains(base))
        return named.value(base);
    const QRegularExpressionMatch match = counted.match(_layout);
    if (match.hasMatch())
        return match.captured(1).toInt();
    if (!dotted.match(base).hasMatch())
        return 0;
    int channels = 0;
    for (const QString &part : base.split(u'.'))
        channels += part.toInt();
    return channels;
}

// The frame size of a picture and the channel layout of a sound, from the
// fields after the codec.
void ReadSizeAndLayout(TProbeStream &_stream)
{
    for (qsizetype i = 1; i < _stream.Fields.size(); ++i) {
        if (_stream.Kind == TStreamKind::Video &&
            FrameSize(_stream.Fields[i], _stream.Width, _stream.Height))
            return;
        if (_stream.Kind == TStreamKind::Audio) {
            _stream.Channels = LayoutChannels(_stream.Fields[i]);
            if (_stream.Channels > 0) {
                _stream.Layout = _stream.Fields[i];
                return;
            }
        }
    }
}

// The stream lines of input 0, each stream once (a stream that belongs to
// several programs is printed under each), in stream order.
QList<TProbeStream> FirstInputStreams(const QString &_probeText)
{
    static const QString streamMarker = QStringLiteral("Stream #0:");
    static const struct
    {
        QString Marker;
        TStreamKind Kind;
    } kinds[] = {{QStringLiteral(": Video:"), TStreamKind::Video},
                 {QStringLiteral(": Audio:"), TStreamKind::Audio},
                 {QStringLiteral(": Subtitle:"), TStreamKind::Subtitle}};
    QMap<int, TProbeStream> streams;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = _probeText.indexOf(streamMarker, from);
        if (at < 0)
            break;
        qsizetype end = at;
        while (end < _probeText.size() && _probeText[end] != u'\n' && _probeText[end] != u'\r')
            ++end;
        from = end;
        const QStringView line = QStringView(_probeText).mid(at, end - at);
        qsizetype digits = streamMarker.size();
        while (digits < line.size() && digits < streamMarker.size() + 6 && line[digits].isDigit() &&
               line[digits].unicode() < 128)
            ++digits;
        bool numbered = false;
        const int index =
            line.mid(streamMarker.size(), digits - streamMarker.size()).toInt(&numbered);
        if (!numbered || streams.contains(index))
            continue;
        for (const auto &kind : kinds) {
            const qsizetype marker = line.indexOf(kind.Marker);
            if (marker < 0)
                continue;
            const QStringView description = line.mid(marker + kind.Marker.size());
            TProbeStream stream;
            stream.Index = index;
            stream.Kind = kind.Kind;
            stream.Fields = DescriptionFields(description);
            stream.Default = description.contains(QLatin1String("(default)"));
            stream.AttachedPicture = description.contains(QLatin1String("(attached pic)"));
            ReadSizeAndLayout(stream);
            streams.insert(index, stream);
            break;
        }
    }
    return streams.values();
}

// The stream of a kind the encoder takes when no stream is named: the one
// with the highest score, the first of equals; a default stream before any
// other. Returns its number within its kind, -1 when there is none.
template <typename TScore>
int ChosenStream(const QList<TProbeStream> &_streams, TStreamKind _kind, TScore _score,
                 const TProbeStream **_chosen)
{
    int number = -1, chosenNumber = -1;
    qint64 best = -1;
    for (const TProbeStream &stream : _streams) {
        if (stream.Kind != _kind)
            continue;
        ++number;
        const qint64 score = _score(stream) + (stream.Default ? 5000000 : 0);
        if (score > best) {
            best = score;
            chosenNumber = number;
            *_chosen = &stream;
        }
    }
    return chosenNumber;
}

void ParseFirstInputStreams(const QString &_probeText, TVSourceInfo &_info)
{
    const QList<TProbeStream> streams = FirstInputStreams(_probeText);
    _info.vsVideoPixelFormat.clear();
    _info.vsVideoWidth = _info.vsVideoHeight = 0;
    _info.vsVideoFrameRate = 0;
    _info.vsAudioChannelLayout.clear();
    _info.vsAudioChannels = 0;
    _info.vsSubtitleCodecs.clear();

    const TProbeStream *video = nullptr;
    _info.vsVideoStreamNumber = ChosenStream(
        streams, TStreamKind::Video,
        [](const TProbeStream &_stream) {
            return _stream.AttachedPicture ? 1 : qint64(_stream.Width) * _stream.Height;
        },
        &video);
    if (video) {
        _info.vsVideoWidth = video->Width;
        _info.vsVideoHeight = video->Height;
        // The pixel format follows the codec, unless the encoder could not tell it.
        static const QRegularExpression pixelFormat(QStringLiteral("^[a-z][a-z0-9_]*$"));
        const QString format = video->Fields.value(1).section(u'(', 0, 0);
        if (pixelFormat.match(format).hasMatch() && format != QLatin1String("none"))
            _info.vsVideoPixelFormat = format;
        _info.vsVideoFrameRate = StreamFrameRate(video->Fields);
    }

    const TProbeStream *audio = nullptr;
    _info.vsAudioStreamNumber = ChosenStream(
        streams, TStreamKind::Audio,
        [](const TProbeStream &_stream) { return qint64(_stream.Channels); }, &audio);
    if (audio) {
        _info.vsAudioChannelLayout = audio->Layout;
        _info.vsAudioChannels = audio->Channels;
    }

    for (const TProbeStream &stream : streams) {
        if (stream.Kind == TStreamKind::Subtitle)
            _info.vsSubtitleCodecs
                << AsciiLowerCase(stream.Fields.value(0).section(u' ', 0, 0).section(u'(', 0, 0));
    }
}

} // namespace

void ParseProbeText(const QString &_probeText, TVSourceInfo &_info)
{
    _info.vsTotalSourceDuration = ProbeTextDuration(_probeText);
    _info.vsVideoCodecLC = ProbeTextStreamDescription(_probeText, QStringLiteral(": Video:"));
    _info.vsAudioCodecLC = ProbeTextStreamDescription(_probeText, QStringLiteral(": Audio:"));
    _info.vsSubtitle = _probeText.contains(QStringLiteral(": Subtitle:"));

    ParseFirstInputStreams(_probeText, _info);
}

namespace {
// True when every input of the probe text is an MPEG program or transport
// stream ("Input #1, mpeg, from ..."): only those can be joined byte by byte,
// and only their stream lines carry the bracketed identifier looked at below.
// Other containers print it too ("Stream #0:0[0x1](und)" for MP4 tracks) and
// joined by bytes would be read as their first file alone.
bool AllInputsAreMpegStreams(const QString &_probeText)
{
    static const QRegularExpression header(QStringLiteral("Input #\\d+, ([^,\\r\\n]*),"));
    bool any = false;
    for (const QRegularExpressionMatch &m : header.globalMatch(_probeText)) {
        const QStringView format = m.capturedView(1);
        if (format != u"mpeg" && format != u"mpegts")
            return false;
        any = true;
    }
    return any;
}
} // namespace

bool NeedBinaryJoin(const QString &_probeText)
{
    if (!AllInputsAreMpegStreams(_probeText))
        return false;
    static const QString input0 = QStringLiteral("Stream #0:");
    for (int i = 0; i <= 10; ++i) {
        const QString streamText = input0 + QString::number(i) + u'[';
        const qsizetype at = _probeText.indexOf(streamText);
        if (at < 0)
            continue;
        const QString piece = _probeText.mid(at, 40);
        if (!piece.contains(QStringLiteral(" Video:")))
            continue;
        for (int j = 1; j <= 100; ++j) {
            if (!_probeText.contains(QStringLiteral("Input #") + QString::number(j) + u','))
                break;
            QString other = piece;
            other.replace(input0, QStringLiteral("Stream #") + QString::number(j) + u':');
            if (!_probeText.contains(other))
                return true;
        }
    }
    return false;
}

qint64 GetFileSizeByOpening(const QString &_fileName)
{
    // Opening a FIFO for reading would wait for a writer for ever.
    if (!RegularFileExists(_fileName))
        return -1;
    QFile file(_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.size();
}

qint64 GetFileSizeByAttributes(const QString &_fileName)
{
    if (_fileName.isEmpty())
        return -1;
    const QFileInfo info(_fileName);
    if (!info.exists())
        return -1;
    return info.isDir() ? 0 : info.size();
}

void DiscardConcatList(TVSourceInfo &_info)
{
    if (!_info.vsConcatTXTFileName.isEmpty() && FileExists(_info.vsConcatTXTFileName))
        QFile::remove(_info.vsConcatTXTFileName);
    _info.vsConcatTXTFileName.clear();
    _info.vsConcatHold.reset();
}

bool ProbeSource(const QString &_path, TVSourceInfo &_info, const QString &_appDataDir)
{
    // The record owns the list its last probe wrote; a new probe writes a new
    // one, so the old one would otherwise stay in the data folder for good.
    DiscardConcatList(_info);
    _info.Clear();
    _info.vsFileName = _path;
    bool listWritten = true;
    if (!ExtractFileName(_path).isEmpty()) {
        // The encoder gets the path made absolute against our own working
        // folder: the probe runs in the program folder, and a relative name
        // with a colon ("ab:c.avi") would be read as a protocol.
        _info.vsFFMpegInputArgs = QStringList{QStringLiteral("-i"), AbsolutePath(_path)};
        _info.vsProbeInputArgs = _info.vsFFMpegInputArgs;
        _info.vsTotalSourceSize = GetFileSizeByAttributes(_path);
    } else {
        _info.vsIsDVD = AsciiUpperCase(_path).contains(PathDelim + QStringLiteral("VIDEO_TS"));
        // The concat list names the files by full path; the encoder would
        // read relative ones against the list's own folder.
        const TFolderFiles files = CollectFolderFiles(
            IncludeTrailingPathDelimiter(AbsolutePath(_path)), _info.vsIsDVD, _appDataDir);
        listWritten = !files.ListWriteFailed;
        _info.vsConcatTXTFileName = files.ConcatListFileName;
        _info.vsConcatHold = files.ConcatListHold;
        _info.vsTotalSourceSize = files.TotalSize;
        _info.vsCopyConcatFiles = files.Files;
        _info.vsProbeInputArgs = files.ProbeInputArgs;
        _info.vsFFMpegInputArgs =
            QStringList{QStringLiteral("-f"), QStringLiteral("concat"), QStringLiteral("-safe"),
                        QStringLiteral("0"),  QStringLiteral("-i"),     _info.vsConcatTXTFileName};
        _info.vsIsFolderToConcat = true;
    }
    // The encoder would wait for ever on a FIFO, or read a device without
    // end: only regular files are probed.
    if (!_info.vsIsFolderToConcat && FileExists(_path) && !RegularFileExists(_path))
        return listWritten;
    _info.vsFFMpegOutText =
        RunAndCapture(EncoderProgramPath(), _info.vsProbeInputArgs, ProgramFolder());
    if (!_info.vsFFMpegOutText.isEmpty())
        ParseProbeText(_info.vsFFMpegOutText, _info);
    return listWritten;
}

QString TVSourceInfo::vsFFMpegIsrcStr() const
{
    return ArgumentsText(vsFFMpegInputArgs);
}

QString TVSourceInfo::vsStrForCopyConcatCommand() const
{
    return CopyConcatText(vsCopyConcatFiles);
}
