#include "conversion/ConversionRun.h"

#include "conversion/CommandLine.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "conversion/Progress.h"
#include "conversion/SourceProbe.h"
#include "support/PathUtils.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>

#include <memory>

namespace {

constexpr int PollsPerUpdate = 5;
constexpr int UpdatesPerStallCheck = 20;
constexpr int AllNumberedNames = 10000;

// Remembers the builder's refusal, which the observer then shows.
class TRefusal : public IRefusalSink
{
public:
    void Refuse(int _messageId) override { MessageId = _messageId; }
    int MessageId = 0;
};

void DeleteIfExists(const QString &_fileName)
{
    if (FileExists(_fileName))
        QFile::remove(_fileName);
}

bool MissingOrEmpty(const QString &_fileName)
{
    return !FileExists(_fileName) || GetFileSizeByOpening(_fileName) == 0;
}

// The name by which two copies of the program find that they write the same
// file: the folder with its links resolved, so that a folder and a link to
// it give one key.
QString OutputKey(const QString &_outFileName)
{
    const QFileInfo info(_outFileName);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : JoinPath(folder, info.fileName());
}

// Two copies of the program started on the same download at the same moment
// both find the output name free, and the copy whose encoder then refuses
// the other's file would delete it as its own failed output. A run holds its
// output name for its whole length; another copy takes a held name as taken.
// False when another copy holds the name; a name that cannot be held at all
// (no data folder) counts as free.
bool HoldOutputName(const QString &_appDataDir, const QString &_outFileName,
                    std::unique_ptr<QLockFile> &_hold)
{
    const QByteArray key =
        QCryptographicHash::hash(OutputKey(_outFileName).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    auto lock = std::make_unique<QLockFile>(
        JoinPath(_appDataDir,
                 QStringLiteral("output-") + QString::fromLatin1(key) + QStringLiteral(".lock")));
    // A run may take hours; only a holder that has died leaves a stale lock.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        _hold = std::move(lock);
        return true;
    }
    return lock->error() != QLockFile::LockFailedError;
}

// The name after _fileName in the numbering of MakeUniqueFileName, whether or
// not _fileName exists: "clip.mp4" gives "clip[1].mp4", "clip[4].mp4" "clip[5].mp4".
QString NextNumberedName(const QString &_fileName)
{
    QString base;
    QString ext;
    qint64 number = 0;
    if (SplitNumberedName(_fileName, base, number, ext))
        return base + u'[' + QString::number(number + 1) + u']' + ext;
    return base + QStringLiteral("[1]") + ext;
}

TChildCommand ChildOf(const TEncoderCommand &_command)
{
    TChildCommand child;
    child.Program = _command.Program;
    child.Arguments = _command.Args;
    return child;
}

} // namespace

int OutcomeMessageId(TRunOutcome _outcome)
{
    switch (_outcome) {
    case TRunOutcome::Refused:
        return 0;
    case TRunOutcome::Cancelled:
        return msgCancelled;
    case TRunOutcome::EmptyOutput:
        return msgEmptyOutput;
    case TRunOutcome::NoOutput:
        return msgNoOutput;
    case TRunOutcome::IncompleteOutput:
        return msgIncompleteOutput;
    case TRunOutcome::Converted:
        return msgConverted;
    }
    return 0;
}

QString OutcomeSoundName(TRunOutcome _outcome)
{
    switch (_outcome) {
    case TRunOutcome::Refused:
        return QString();
    case TRunOutcome::Converted:
        return QStringLiteral("converted.wav");
    default:
        return QStringLiteral("error.wav");
    }
}

bool IsIncompleteOutput(qint64 _sourceMs, qint64 _outputMs)
{
    if (_sourceMs <= 0 || _outputMs < 0)
        return false;
    const qint64 missing = _sourceMs - _outputMs;
    return missing * 20 > _sourceMs && missing > 1000;
}

TConversionRun::TConversionRun() = default;
TConversionRun::~TConversionRun() = default;

void TConversionRun::Cancel()
{
    if (!FRunning)
        return;
    FCancelRequested = true;
    if (FStep)
        FStep->RequestStop();
}

void TConversionRun::ShowProgress(IRunObserver &_observer, const TRunProgress &_progress)
{
    FShownPercent = _progress.Percent;
    _observer.RunProgress(_progress);
}

void TConversionRun::BeginStep(int _shownPercent)
{
    FUpdates = 0;
    FStalled = false;
    FLastPosition = _shownPercent;
    FShownPercent = _shownPercent;
}

void TConversionRun::Poll(TStepKind _kind, const TVSourceInfo &_source, IRunObserver &_observer)
{
    if (_kind == TStepKind::Encoder)
        NoteOutputIdentity();
    if (++FPolls % PollsPerUpdate != 0)
        return;
    FPolls = 0;
    if (++FUpdates == UpdatesPerStallCheck) {
        FUpdates = 0;
        FStalled = FShownPercent == FLastPosition;
        FLastPosition = FShownPercent;
    }
    const bool join = _kind == TStepKind::Join;
    TRunProgress shown;
    shown.Join = join;
    int hundredths = 0;
    if (join) {
        const TProgress progress = GetJoinProgress(FCopyVOBFileName, _source.vsTotalSourceSize);
        shown.Percent = progress.Percent;
        hundredths = progress.Hundredths;
    } else {
        const QByteArray tail = ReadProgressTail(FProgressFileName);
        const TProgress progress = EncodeProgressFromTail(tail, _source.vsTotalSourceDuration);
        shown.Percent = progress.Percent;
        hundredths = progress.Hundredths;
        shown.TotalMs = _source.vsTotalSourceDuration;
        shown.OutTimeMs = _source.vsTotalSourceDuration > 0
                              ? progress.Hundredths * _source.vsTotalSourceDuration / 10000
                              : -1;
        shown.Speed = EncodeSpeedFromTail(tail);
    }
    ShowProgress(_observer, shown);
    // While the bar stands still, tenths show that the work goes on.
    const QString number =
        FStalled ? QLocale().toString(hundredths / 100.0, 'f', 1) : QString::number(FShownPercent);
    _observer.RunStatus(join ? msgJoining : msgConverting, number + u'%');
}

int TConversionRun::RunWithProgress(const TChildCommand &_command, TStepKind _kind,
                                    const TVSourceInfo &_source, IRunObserver &_observer,
                                    bool *_started)
{
    if (_started)
        *_started = false;
    // A stop asked between two steps stops the next one before it starts.
    if (FCancelRequested)
        return StepCancelledResult;
    BeginStep(FShownPercent);
    TChildRunner runner;
    runner.SetTerminateGraceMs(FGraceMs);
    FStep = &runner;
    const int result = runner.Run(_command, _kind, [&](TStepKind _step) {
        Poll(_step, _source, _observer);
        return false;
    });
    FStep = nullptr;
    if (_started)
        *_started = runner.LastStarted();
    if (!runner.LastStarted())
        return 0;
    TRunProgress end;
    end.Join = _kind == TStepKind::Join;
    end.Percent = runner.LastCancelled() ? 0 : 100;
    ShowProgress(_observer, end);
    return result;
}

int TConversionRun::RunEncoder(const QString &_arguments, const TVSourceInfo &_source,
                               IRunObserver &_observer, bool *_started)
{
    FEncoderArguments << _arguments;
    const int result =
        RunWithProgress(ChildOf(BuildEncoderCommand(EncoderProgramPath(), FProgressFileName,
                                                    _source, _arguments, FOutFileName)),
                        TStepKind::Encoder, _source, _observer, _started);
    NoteOutputIdentity();
    return result;
}

void TConversionRun::NoteOutputIdentity()
{
    if (FOutputIdentity.isEmpty() && FOutputMayBeOurs)
        FOutputIdentity = FileIdentity(FOutFileName);
}

void TConversionRun::DeleteOwnOutput()
{
    // The next encoder start makes a new file of its own.
    if (RemoveIfSameFile(FOutFileName, FOutputIdentity))
        FOutputIdentity.clear();
}

TRunOutcome TConversionRun::Run(const TRunRequest &_request, TVSourceInfo &_source,
                                IRunObserver &_observer)
{
    if (FRunning)
        return TRunOutcome::Refused;
    TConversionSettings settings = _request.Settings;
    FCancelRequested = false;
    FEncoderArguments.clear();
    FOutputIdentity.clear();
    FOutputMayBeOurs = false;
    FShownPercent = _request.ShownPercent;

    QString out = settings.OutFileName;
    FOutFileName = out;
    std::unique_ptr<QLockFile> outputHold;
    if (FileExists(out) || !HoldOutputName(_request.AppDataDir, out, outputHold)) {
        if (!_request.AutoMode) {
            _observer.RunRefused(msgOutputExists, ExtractFileName(out));
            return TRunOutcome::Refused;
        }
        // A name another copy is converting to counts as taken, like a file.
        out = MakeUniqueFileName(out);
        for (int attempt = 0;
             attempt < AllNumberedNames && !HoldOutputName(_request.AppDataDir, out, outputHold);
             ++attempt)
            out = MakeUniqueFileName(NextNumberedName(out));
        _observer.RunOutputNameChanged(out);
    }
    settings.OutFileName = out;
    FOutFileName = out;
    _observer.RunAccepted();
    _observer.RunStatus(msgPreparing, QString());

    TRefusal refusal;
    QString arguments;
    if (!BuildEncoderArguments(settings, _request.Presets, arguments, &refusal)) {
        if (refusal.MessageId != 0)
            _observer.RunRefused(refusal.MessageId, QString());
        return TRunOutcome::Refused;
    }

    FRunning = true;
    _observer.RunStepsStarting();

    const QString source = settings.SourceFileName;
    // A folder's concat list lives only until the end of the run that used
    // it, so a second run on the same folder writes it again.
    const bool concatListGone =
        _source.vsIsFolderToConcat && !FileExists(_source.vsConcatTXTFileName);
    if (!source.isEmpty() && (source != _source.vsFileName || concatListGone))
        ProbeSource(source, _source, _request.AppDataDir);
    // What the probe learned (sound layout, frame size and rate, subtitle
    // kinds) decides what the source needs on top of the plain arguments.
    BuildEncoderArguments(settings, _request.Presets, arguments, nullptr, &_source);

    // A FIFO, device or socket is refused like a missing source: the
    // encoder would wait on it for ever.
    int r = !_source.vsIsFolderToConcat && !RegularFileExists(_source.vsFileName) ? -1 : 0;
    FCopyVOBFileName.clear();
    if (r == 0 && _source.vsIsFolderToConcat &&
        (_source.vsIsDVD || NeedBinaryJoin(_source.vsFFMpegOutText))) {
        FCopyVOBFileName = out + QStringLiteral(".VOB");
        // A file of that name was not written by this run: it may be the
        // user's, or the unfinished join of a run that was killed. It is
        // neither read nor deleted; the join goes to a free name beside it.
        if (FileExists(FCopyVOBFileName))
            FCopyVOBFileName = MakeUniqueFileName(FCopyVOBFileName);
        r = RunWithProgress(JoinCommand(_source.vsCopyConcatFiles, FCopyVOBFileName),
                            TStepKind::Join, _source, _observer, nullptr);
        if (FCancelRequested) {
            DeleteIfExists(FCopyVOBFileName);
            FCopyVOBFileName.clear();
        } else if (r == 0 && FileExists(FCopyVOBFileName)) {
            _source.vsFFMpegInputArgs =
                QStringList{QStringLiteral("-i"), EncoderPathArgument(FCopyVOBFileName)};
        }
    }

    // The encoder never replaces a file, so one that is there before it
    // starts (another program's, made during the join) is never this run's.
    FOutputMayBeOurs = !FileExists(out);
    qint64 outputMs = -1;
    // Only a progress file we have just made ourselves is handed to the
    // encoder; without one there is no encoder step.
    std::unique_ptr<THeldFile> progressFile;
    if (r == 0 && !FCancelRequested) {
        progressFile = NewProgressFile(_request.AppDataDir);
        FProgressFileName = progressFile ? progressFile->FileName() : QString();
        if (!progressFile)
            r = -1;
    }
    if (r == 0 && !FCancelRequested) {
        r = RunEncoder(arguments, _source, _observer, nullptr);

        if (settings.CopySounds && arguments.contains(CopySoundsMapping) && !FCancelRequested &&
            MissingOrEmpty(out)) {
            // Some sources carry sound the output container cannot take as
            // it is; the second try converts it to the format's own sound,
            // at the quality the user chose.
            settings.CopySounds = false;
            _observer.RunKeepSoundDropped();
            if (BuildEncoderArguments(settings, _request.Presets, arguments, nullptr, &_source)) {
                DeleteOwnOutput();
                r = RunEncoder(arguments, _source, _observer, nullptr);
            }
        }
        if (settings.CopySubtitles && !FCancelRequested && MissingOrEmpty(out)) {
            // Subtitles the probe could not judge (or the container refused
            // after all) must not cost the user the picture and the sound.
            settings.CopySubtitles = false;
            if (BuildEncoderArguments(settings, _request.Presets, arguments, nullptr, &_source)) {
                DeleteOwnOutput();
                r = RunEncoder(arguments, _source, _observer, nullptr);
            }
        }
        outputMs = FinalOutTimeMs(FProgressFileName);
        DeleteIfExists(FProgressFileName);
    }

    // The name is forgotten with the file: another copy of the program may
    // draw it next, and a later probe must not delete that copy's list.
    DiscardConcatList(_source);
    if (!FCopyVOBFileName.isEmpty())
        DeleteIfExists(FCopyVOBFileName);

    FRunning = false;
    _observer.RunStepsEnded();

    TRunOutcome outcome = TRunOutcome::Converted;
    const bool outputExists = FileExists(out);
    if (FCancelRequested) {
        outcome = TRunOutcome::Cancelled;
        DeleteOwnOutput();
    } else if (outputExists && GetFileSizeByOpening(out) == 0) {
        outcome = TRunOutcome::EmptyOutput;
        DeleteOwnOutput();
    } else if (!outputExists || r != 0) {
        // An encoder that ended with an error (or died) leaves at best a
        // truncated file, which must not be handed on as converted.
        outcome = TRunOutcome::NoOutput;
        DeleteOwnOutput();
    } else if (IsIncompleteOutput(_source.vsTotalSourceDuration, outputMs)) {
        // Kept: a damaged source may convert only in part, and the part may
        // be all the user can get.
        outcome = TRunOutcome::IncompleteOutput;
    }
    if (outcome != TRunOutcome::Converted) {
        TRunProgress none;
        ShowProgress(_observer, none);
    }
    return outcome;
}
