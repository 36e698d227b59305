// The conversion run. PLACEHOLDER: this file only keeps the window usable
// until the conversion run is written; it is to be replaced as a whole.

#include "ui/MainForm.h"

#include "ui/widgets/DropFileEdit.h"

#include <QProgressBar>
#include <QPushButton>

void TMainForm::ConvertBitBtnClick()
{
    // PLACEHOLDER: no conversion is started yet.
}

void TMainForm::StopConvBitBtnClick()
{
    StopConvFlag = true;
}

void TMainForm::AutoTimerTimer()
{
    AutoTimer->stop();
    if (AutoTimerTag == 1)
        ConvertBitBtnClick();
    if (AutoTimerTag == 4)
        close();
    else
        AutoTimerTag = 0;
}

void TMainForm::ShowProgress(int Percent, bool)
{
    ProgressBar->setValue(Percent);
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
}

void TMainForm::SoundActionUpdate()
{
    SoundAction->setChecked(SoundEnabled);
}
