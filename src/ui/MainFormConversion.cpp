// The window's side of a conversion run: it hands the run its settings,
// shows what the run reports and acts on the outcome; the Stop button, the
// automatic-start timer and the sound switch.

#include "ui/MainForm.h"

#include "conversion/ConversionRun.h"
#include "integration/DownloadManager.h"
#include "integration/RunNotice.h"
#include "localization/RunTexts.h"
#include "localization/TextIds.h"
#include "support/PathUtils.h"
#include "support/Sound.h"
#include "support/TextUtils.h"
#include "ui/Dialogs.h"
#include "ui/widgets/DropFileEdit.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// The window as the run's observer: every report becomes what the user sees.
class TWindowRunObserver : public IRunObserver
{
public:
    explicit TWindowRunObserver(TMainForm *_form) : FForm(_form) {}

    void RunRefused(int _messageId, const QString &_fileName) override
    {
        const QString text = FForm->MessageText(_messageId);
        TDialogs::Information(FForm, TMainForm::AppTitle,
                              _fileName.isEmpty() ? text : SubstituteParams(text, _fileName));
    }
    void RunOutputNameChanged(const QString &_name) override
    {
        FForm->OutVideoFileBEdit->setText(_name);
    }
    void RunAccepted() override { FForm->StartQuietUpdateCheck(); }
    void RunStatus(int _messageId, const QString &_suffix) override
    {
        const QString text = FForm->MessageText(_messageId);
        FForm->InfoLabel->setText(_suffix.isEmpty() ? text : text + u' ' + _suffix);
    }
    void RunStepsStarting() override
    {
        FForm->StopConvBitBtn->setEnabled(true);
        FForm->EnableSourceControls(false);
        FForm->EnableFormatControls(false);
        // Probing holds the window; let the status text show first.
        FForm->InfoLabel->repaint();
    }
    void RunStepsEnded() override
    {
        FForm->EnableSourceControls(true);
        FForm->EnableFormatControls(true);
        FForm->StopConvBitBtn->setEnabled(false);
    }
    void RunProgress(const TRunProgress &_progress) override
    {
        FForm->ShowProgress(_progress.Percent, _progress.Join);
        FForm->ShowTimeLeft(_progress);
    }
    void RunKeepSoundDropped() override { FForm->CopySoundsPM->setChecked(false); }

private:
    TMainForm *FForm;
};

} // namespace

QString TMainForm::MessageText(int _messageId) const
{
    for (int i = 0; i < miMessageCount; ++i) {
        if (TextIds::MessageTexts[i].Id == _messageId)
            return LNGA.value(i);
    }
    return QString();
}

bool TMainForm::ConversionRunning() const
{
    return ConversionRun && ConversionRun->Running();
}

void TMainForm::ConvertBitBtnClick()
{
    // The timer or a queued click must not start a second run inside the
    // waits of the first.
    if (ConversionRunning())
        return;

    TRunRequest request;
    request.Settings = TakeConversionSettings();
    request.Presets = DevicePresets.get();
    request.AppDataDir = AppDataDir;
    request.AutoMode = isAutoMode;
    request.ShownPercent = ProgressBar->value();
    TWindowRunObserver observer(this);
    QElapsedTimer runTime;
    runTime.start();
    const bool closesWhenDone = CloseOnCompleteFlag;
    const TRunOutcome outcome = ConversionRun->Run(request, VideoSourceInfo, observer);
    LastRunOutcome = outcome;
    if (outcome == TRunOutcome::Refused)
        return;

    const QString outFileName = ConversionRun->OutFileName();
    ProgressBar->setToolTip(QString());
    InfoLabel->setText(MessageText(OutcomeMessageId(outcome)));
    // The bar keeps what it shows; the dock shows progress only while a run goes on.
    if (TaskbarList3)
        TaskbarList3->SetProgress(TTaskbarProgress::tbsNoProgress, 0);
    PlaySoundFile(JoinPath(SoundDir, OutcomeSoundName(outcome)), SoundEnabled);
    // The run may have deleted the output after the controls came back.
    UpdateOutputButtons(true);
    bool closeAfter = false;
    if (outcome == TRunOutcome::Converted) {
        if (NotifyDownloadManager(ConvertForAppName, ConvertForPM_DID, outFileName))
            ConvertForPM_DID = 0;
        if (CloseOnCompleteFlag) {
            CloseOnCompleteFlag = false;
            AutoTimerTag = atClose;
            closeAfter = true;
        }
    }

    // The program is ending on a signal: nothing may wait for an answer now.
    if (ClosingForSignal)
        return;
    // Before the update offer, whose box waits for the user.
    NotifyRunEnded(outcome, outFileName, runTime.elapsed(), closesWhenDone);
    OfferUpdate();
    // Only now: a close timer running while the offer waits for the user
    // would close the window under the offer.
    if (closeAfter)
        AutoTimer->start();
}

void TMainForm::ShowProgress(int _percent, bool _isJoin)
{
    ProgressBar->setValue(_percent);
    if (!TaskbarList3)
        return;
    // The join is the first fifth of the way on the taskbar button.
    const int value = _isJoin ? qRound(_percent / 5.0) : _percent;
    if (value > 0)
        TaskbarList3->SetProgress(TTaskbarProgress::tbsNormal, value);
    else
        TaskbarList3->SetProgress(TTaskbarProgress::tbsNoProgress, 0);
}

void TMainForm::ShowTimeLeft(const TRunProgress &_progress)
{
    ProgressBar->setToolTip(_progress.Join || _progress.OutTimeMs < 0
                                ? QString()
                                : TimeLeftText(_progress.OutTimeMs, _progress.TotalMs,
                                               _progress.Speed, Language,
                                               LanguageLocale(CurrentLanguage)));
}

void TMainForm::NotifyRunEnded(TRunOutcome _outcome, const QString &_outFileName, qint64 _elapsedMs,
                               bool _closesWhenDone)
{
    // Without a display there is no desktop to tell; tests ask for it.
    if (!Notifier || TDialogs::Headless() || (TDialogs::TestMode() && !RunNoticesInTests))
        return;
    if (!RunNoticeWanted(_elapsedMs, isActiveWindow(), _closesWhenDone, RunNoticeMinMs))
        return;
    Notifier->Show(BuildRunNotice(MessageText(OutcomeMessageId(_outcome)),
                                  _outcome == TRunOutcome::Converted, _outFileName, _elapsedMs,
                                  Language));
}

void TMainForm::StopConvBitBtnClick()
{
    if (ConversionRun)
        ConversionRun->Cancel();
}

void TMainForm::CloseForSignal()
{
    ClosingForSignal = true;
    StopConvBitBtnClick();
    // A box or menu open now is answered as if cancelled; its routine must
    // return before the window may close.
    bool waiting = ConversionRunning();
    if (QWidget *popup = QApplication::activePopupWidget()) {
        popup->close();
        waiting = true;
    }
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->close();
        waiting = true;
    }
    // Closing from inside a wait (the run's, a box's) would free what the
    // waiting routine still uses: the window closes once every wait is left.
    if (waiting || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(10, this, &TMainForm::CloseForSignal);
        return;
    }
    ExitActionExecute();
}

void TMainForm::AutoTimerTimer()
{
    AutoTimer->stop();
    const bool started = AutoTimerTag == atStartConversion;
    if (started) {
        LastRunOutcome = TRunOutcome::Refused;
        ConvertBitBtnClick();
    }
    if (AutoTimerTag == atClose) {
        close();
        return;
    }
    AutoTimerTag = atNothing;
    // Without a display nobody can ever use or close the window, so an
    // automatic run ends the program whatever its outcome; the status tells
    // the caller whether the file was made.
    if (started && TDialogs::Headless()) {
        // A refusal before the run has already been written out by its box.
        const QString outcome = MessageText(OutcomeMessageId(LastRunOutcome));
        if (!outcome.isEmpty())
            std::fprintf(stderr, "frobnik: %s\n", qUtf8Printable(outcome));
        // After a signal the window closes as on Exit, and the signal gives the status.
        if (!ClosingForSignal)
            QCoreApplication::exit(LastRunOutcome == TRunOutcome::Converted ? 0 : 1);
    }
}

void TMainForm::EnableSourceControls(bool _enable)
{
    SourceFilenameEdit->setEnabled(_enable);
    OpenBitBtn->setEnabled(_enable);
    DropDownBitBtn->setEnabled(_enable);
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
