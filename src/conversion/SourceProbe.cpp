#include "conversion/SourceProbe.h"

#include "conversion/ChildRunner.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

void ParseProbeText(const QString &_probeText, TVSourceInfo &_info)
{
    _info.vsTotalSourceDuration = ProbeTextDuration(_probeText);
    _info.vsVideoCodecLC = ProbeTextStreamDescription(_probeText, QStringLiteral(": Video:"));
    _info.vsAudioCodecLC = ProbeTextStreamDescription(_probeText, QStringLiteral(": Audio:"));
    _info.vsSubtitle = _probeText.contains(QStringLiteral(": Subtitle:"));
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
    if (_fileName.isEmpty() || QFileInfo(_fileName).isDir())
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
        _info.vsFFMpegIsrcStr = QStringLiteral(" -i \"") + _path + u'"';
        // The encoder gets the path made absolute against our own working
        // folder: the probe runs in the program folder, and a relative name
        // with a colon ("ab:c.avi") would be read as a protocol.
        _info.vsFFMpegInputArgs =
            QStringList{QStringLiteral("-i"), QFileInfo(_path).absoluteFilePath()};
        _info.vsProbeInputArgs = _info.vsFFMpegInputArgs;
        _info.vsTotalSourceSize = GetFileSizeByAttributes(_path);
    } else {
        _info.vsIsDVD = AsciiUpperCase(_path).contains(PathDelim + QStringLiteral("VIDEO_TS"));
        // The concat list names the files by full path; the encoder would
        // read relative ones against the list's own folder.
        const TFolderFiles files =
            CollectFolderFiles(IncludeTrailingPathDelimiter(QFileInfo(_path).absoluteFilePath()),
                               _info.vsIsDVD, _appDataDir);
        listWritten = !files.ListWriteFailed;
        _info.vsConcatTXTFileName = files.ConcatListFileName;
        _info.vsTotalSourceSize = files.TotalSize;
        _info.vsStrForCopyConcatCommand = files.CopyConcatText;
        _info.vsCopyConcatFiles = files.Files;
        _info.vsProbeInputArgs = files.ProbeInputArgs;
        _info.vsFFMpegIsrcStr =
            QStringLiteral(" -f concat -safe 0 -i \"") + _info.vsConcatTXTFileName + u'"';
        _info.vsFFMpegInputArgs =
            QStringList{QStringLiteral("-f"), QStringLiteral("concat"), QStringLiteral("-safe"),
                        QStringLiteral("0"),  QStringLiteral("-i"),     _info.vsConcatTXTFileName};
        _info.vsIsFolderToConcat = true;
    }
    _info.vsFFMpegOutText =
        RunAndCapture(EncoderProgramPath(), _info.vsProbeInputArgs, ProgramFolder());
    if (!_info.vsFFMpegOutText.isEmpty())
        ParseProbeText(_info.vsFFMpegOutText, _info);
    return listWritten;
}
