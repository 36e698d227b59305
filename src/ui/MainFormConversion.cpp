// The conversion run: checking the output name, the join and encoder steps
// with their progress, the clean-up of temporary files and the outcome; the
// Stop button, the automatic-start timer and the sound switch.

#include "ui/MainForm.h"

#include "conversion/ChildRunner.h"
#include "conversion/CommandLine.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "conversion/Progress.h"
#include "conversion/SourceProbe.h"
#include "integration/DownloadManager.h"
#include "localization/TextIds.h"
#include "support/PathUtils.h"
#include "support/Sound.h"
#include "support/TextUtils.h"
#include "ui/Dialogs.h"
#include "ui/widgets/DropFileEdit.h"

#include <QAction>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

namespace {

constexpr int PollsPerUpdate = 5;
constexpr int UpdatesPerStallCheck = 20;

// The builder's refusals, shown in a plain message box.
class TWindowRefusals : public IRefusalSink
{
public:
    explicit TWindowRefusals(TMainForm *_form) : FForm(_form) {}
    void Refuse(int _messageId) override
    {
        const TMessageIndex index =
            _messageId == msgNoDeviceChosen ? miNoDeviceChosen : miInvalidFrameSize;
        TDialogs::Information(FForm, TMainForm::AppTitle, FForm->LNGA.value(index));
    }

private:
    TMainForm *FForm;
};

void DeleteIfExists(const QString &_fileName)
{
    if (FileExists(_fileName))
        QFile::remove(_fileName);
}

// Two copies of the program started on the same download at the same moment
// both find the output name free, and the copy whose encoder then refuses
// the other's file would delete it as its own failed output. A run holds its
// output name for its whole length; another copy takes a held name as taken.
// False when another copy holds the name; a name that cannot be held at all
// (no data folder) counts as free, as it did before names were held.
bool HoldOutputName(const QString &_appDataDir, const QString &_outFileName,
                    std::unique_ptr<QLockFile> &_hold)
{
    const QByteArray key =
        QCryptographicHash::hash(QFileInfo(_outFileName).absoluteFilePath().toUtf8(),
                                 QCryptographicHash::Sha1)
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
    const QString ext = ExtractFileExt(_fileName);
    const QString base = _fileName.left(_fileName.size() - ext.size());
    static const QRegularExpression numbered(QStringLiteral("^(.*)\\[(\\d{1,9})\\]$"));
    const QRegularExpressionMatch m = numbered.match(base);
    if (m.hasMatch() && !m.captured(1).contains(u'[') && !m.captured(1).contains(u']'))
        return m.captured(1) + u'[' + QString::number(m.captured(2).toLongLong() + 1) + u']' + ext;
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

void TMainForm::ConvertBitBtnClick()
{
    // The timer or a queued click must not start a second run inside the
    // waits of the first.
    if (ConversionRunning)
        return;

    std::unique_ptr<QLockFile> outputName;
    if (FileExists(OutVideoFileBEdit->text()) ||
        !HoldOutputName(AppDataDir, OutVideoFileBEdit->text(), outputName)) {
        if (!isAutoMode) {
            TDialogs::Information(this, AppTitle,
                                  SubstituteParams(LNGA.value(miOutputExists),
                                                   ExtractFileName(OutVideoFileBEdit->text())));
            return;
        }
        // A name another copy is converting to counts as taken, like a file.
        QString name = MakeUniqueFileName(OutVideoFileBEdit->text());
        for (int attempt = 0; attempt < 10000 && !HoldOutputName(AppDataDir, name, outputName);
             ++attempt)
            name = MakeUniqueFileName(NextNumberedName(name));
        OutVideoFileBEdit->setText(name);
    }

    StartQuietUpdateCheck();
    InfoLabel->setText(LNGA.value(miPreparing));

    TWindowRefusals refusals(this);
    QString arguments;
    if (!BuildEncoderArguments(TakeConversionSettings(), DevicePresets.get(), arguments, &refusals))
        return;

    ConversionRunning = true;
    // A stop asked for outside any step belongs to no step of this run.
    StopConvFlag = false;
    StopConvBitBtn->setEnabled(true);
    EnableSourceControls(false);
    EnableFormatControls(false);
    const QString outFileName = OutVideoFileBEdit->text();

    // Probing holds the window; let the status text show first.
    InfoLabel->repaint();
    const QString source = SourceFilenameEdit->text();
    // A folder's concat list lives only until the end of the run that used
    // it, so a second run on the same folder writes it again.
    const bool concatListGone =
        VideoSourceInfo.vsIsFolderToConcat && !FileExists(VideoSourceInfo.vsConcatTXTFileName);
    if (!source.isEmpty() && (source != VideoSourceInfo.vsFileName || concatListGone))
        ProbeSource(source, VideoSourceInfo, AppDataDir);

    int r = 0;
    CopyVOBFileName.clear();
    if (VideoSourceInfo.vsIsFolderToConcat &&
        (VideoSourceInfo.vsIsDVD || NeedBinaryJoin(VideoSourceInfo.vsFFMpegOutText))) {
        CopyVOBFileName = outFileName + QStringLiteral(".VOB");
        // A file of that name was not written by this run: it may be the
        // user's, or the unfinished join of a run that was killed. It is
        // neither read nor deleted; the join goes to a free name beside it.
        if (FileExists(CopyVOBFileName))
            CopyVOBFileName = MakeUniqueFileName(CopyVOBFileName);
        r = RunWithProgress(JoinCommand(VideoSourceInfo.vsCopyConcatFiles, CopyVOBFileName),
                            TStepKind::Join);
        if (r == StepCancelledResult) {
            DeleteIfExists(CopyVOBFileName);
            CopyVOBFileName.clear();
        } else if (FileExists(CopyVOBFileName)) {
            VideoSourceInfo.vsFFMpegIsrcStr = QStringLiteral(" -i \"") + CopyVOBFileName + u'"';
            VideoSourceInfo.vsFFMpegInputArgs =
                QStringList{QStringLiteral("-i"), EncoderPathArgument(CopyVOBFileName)};
        }
    }

    // Whether the output file at the end is this run's own writing. The
    // encoder never replaces a file, so one that is there before it starts
    // (another program's, made during the join) is never this run's.
    bool encoderStarted = false;
    const bool outputWasThere = FileExists(outFileName);
    if (r == 0) {
        ProgressFileName = NewProgressFileName(AppDataDir);
        r = RunWithProgress(ChildOf(BuildEncoderCommand(EncoderProgramPath(), ProgressFileName,
                                                        VideoSourceInfo, arguments, outFileName)),
                            TStepKind::Encoder, &encoderStarted);

        if (CopySoundsPM->isChecked() && arguments.contains(CopySoundsMapping) &&
            r != StepCancelledResult &&
            (!FileExists(outFileName) || GetFileSizeByOpening(outFileName) == 0)) {
            // Some sources carry sound the output container cannot take as
            // it is; the second try converts it to the format's own sound.
            CopySoundsPM->setChecked(false);
            if (BuildEncoderArguments(TakeConversionSettings(), DevicePresets.get(), arguments,
                                      &refusals)) {
                if (!outputWasThere)
                    DeleteIfExists(outFileName);
                bool started = false;
                r = RunWithProgress(
                    ChildOf(BuildEncoderCommand(EncoderProgramPath(), ProgressFileName,
                                                VideoSourceInfo, arguments, outFileName)),
                    TStepKind::Encoder, &started);
                encoderStarted = encoderStarted || started;
            }
        }
        DeleteIfExists(ProgressFileName);
    }

    // The name is forgotten with the file: another copy of the program may
    // draw it next, and a later probe must not delete that copy's list.
    DiscardConcatList(VideoSourceInfo);
    if (!CopyVOBFileName.isEmpty())
        DeleteIfExists(CopyVOBFileName);

    EnableSourceControls(true);
    EnableFormatControls(true);
    StopConvBitBtn->setEnabled(false);
    ConversionRunning = false;

    const QString errorSound = JoinPath(SoundDir, QStringLiteral("error.wav"));
    const bool outputExists = FileExists(outFileName);
    // Only a file the encoder of this run wrote is ever deleted.
    const auto deleteOutput = [&]() {
        if (encoderStarted && !outputWasThere)
            DeleteIfExists(outFileName);
    };
    if (r == StepCancelledResult) {
        InfoLabel->setText(LNGA.value(miCancelled));
        PlaySoundFile(errorSound, SoundEnabled);
        deleteOutput();
    } else if (outputExists && GetFileSizeByOpening(outFileName) == 0) {
        InfoLabel->setText(LNGA.value(miEmptyOutput));
        ShowProgress(0, false);
        PlaySoundFile(errorSound, SoundEnabled);
        deleteOutput();
    } else if (!outputExists || r != 0) {
        // An encoder that ended with an error (or died) leaves at best a
        // truncated file, which must not be handed on as converted.
        InfoLabel->setText(LNGA.value(miNoOutput));
        ShowProgress(0, false);
        PlaySoundFile(errorSound, SoundEnabled);
        deleteOutput();
    } else {
        InfoLabel->setText(LNGA.value(miConverted));
        PlaySoundFile(JoinPath(SoundDir, QStringLiteral("converted.wav")), SoundEnabled);
        if (NotifyDownloadManager(ConvertForAppName, ConvertForPM_DID, outFileName))
            ConvertForPM_DID = 0;
        if (CloseOnCompleteFlag) {
            CloseOnCompleteFlag = false;
            AutoTimerTag = 4;
            AutoTimer->start();
        }
    }

    OfferUpdate();
}

int TMainForm::RunWithProgress(const TChildCommand &_command, TStepKind _kind, bool *_started)
{
    StepFollow = TStepFollow();
    StepFollow.LastPosition = ProgressBar->value();
    TChildRunner runner;
    const int result =
        runner.Run(_command, _kind, [this](TStepKind _step) { return RunWithProgressPoll(_step); });
    if (_started)
        *_started = runner.LastStarted();
    if (!runner.LastStarted())
        return 0;
    if (result == StepCancelledResult)
        ShowProgress(0, false);
    else
        ShowProgress(100, _kind == TStepKind::Join);
    return result;
}

bool TMainForm::RunWithProgressPoll(TStepKind _kind)
{
    if (++counterForUpdProgress % PollsPerUpdate == 0) {
        counterForUpdProgress = 0;
        if (++StepFollow.Updates == UpdatesPerStallCheck) {
            StepFollow.Updates = 0;
            StepFollow.Stalled = ProgressBar->value() == StepFollow.LastPosition;
            StepFollow.LastPosition = ProgressBar->value();
        }
        const bool join = _kind == TStepKind::Join;
        const TProgress progress =
            join ? GetJoinProgress(CopyVOBFileName, VideoSourceInfo.vsTotalSourceSize)
                 : GetEncodeProgress(ProgressFileName, VideoSourceInfo.vsTotalSourceDuration);
        ShowProgress(progress.Percent, join);
        // While the bar stands still, tenths show that the work goes on.
        const QString number = StepFollow.Stalled
                                   ? QLocale().toString(progress.Hundredths / 100.0, 'f', 1)
                                   : QString::number(ProgressBar->value());
        InfoLabel->setText(LNGA.value(join ? miJoining : miConverting) + u' ' + number + u'%');
    }
    QCoreApplication::processEvents();
    if (!StopConvFlag)
        return false;
    StopConvFlag = false;
    return true;
}

void TMainForm::ShowProgress(int Percent, bool IsJoin)
{
    ProgressBar->setValue(Percent);
    if (!TaskbarList3)
        return;
    // The join is the first fifth of the way on the taskbar button.
    const int value = IsJoin ? qRound(Percent / 5.0) : Percent;
    if (value > 0)
        TaskbarList3->SetProgress(TTaskbarProgress::tbsNormal, value);
    else
        TaskbarList3->SetProgress(TTaskbarProgress::tbsNoProgress, 0);
}

void TMainForm::StopConvBitBtnClick()
{
    StopConvFlag = true;
}

void TMainForm::AutoTimerTimer()
{
    AutoTimer->stop();
    const bool started = AutoTimerTag == 1;
    if (started)
        ConvertBitBtnClick();
    if (AutoTimerTag == 4) {
        close();
        return;
    }
    AutoTimerTag = 0;
    // Without a display nobody can ever use or close the window, so an
    // automatic run ends the program whatever its outcome; the status tells
    // the caller whether the file was made.
    if (started && TDialogs::headless()) {
        const QString outcome = InfoLabel->text();
        // A refusal before the run has already been written out by its box.
        if (outcome != LNGA.value(miPreparing))
            std::fprintf(stderr, "frobnik: %s\n", qUtf8Printable(outcome));
        QCoreApplication::exit(outcome == LNGA.value(miConverted) ? 0 : 1);
    }
}

void TMainForm::EnableSourceControls(bool Enable)
{
    SourceFilenameEdit->setEnabled(Enable);
    OpenBitBtn->setEnabled(Enable);
    DropDownBitBtn->setEnabled(Enable);
}

void TMainForm::SoundActionExecute()
{
    SoundEnabled = !SoundEnabled;
    // The action toggles its own mark when triggered; keep it in step.
    SoundActionUpdate();
}

void TMainForm::SoundActionUpdate()
{
    SoundAction->setChecked(SoundEnabled);
}
