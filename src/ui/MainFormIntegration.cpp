// Help, home page and mail, the two buttons beside the output file box, the
// menu's update check and the About box. The work itself lies in the
// integration and update modules; here the window hands them what it holds.

#include "ui/MainForm.h"

#include "integration/HostLinks.h"
#include "ui/AboutForm.h"
#include "ui/widgets/DropFileEdit.h"

void TMainForm::ContentsActionExecute()
{
    HostLinks::ContentsActionExecute(ProgramDir, HELP_FILENAME);
}

void TMainForm::HomePageActionExecute()
{
    HostLinks::HomePageActionExecute(HOMEPAGE_LINK);
}

void TMainForm::EmailActionExecute()
{
    HostLinks::EmailActionExecute();
}

void TMainForm::OpenFileBitBtnClick()
{
    HostLinks::OpenFileBitBtnClick(OutVideoFileBEdit->text());
}

void TMainForm::OpenFolderBitBtnClick()
{
    HostLinks::OpenFolderBitBtnClick(OutVideoFileBEdit->text());
}

void TMainForm::CheckUpdateActionExecute()
{
    // The checker lives from start-up to close; the menu cannot reach it
    // outside that span, but a queued trigger could.
    if (UpdateFlow)
        UpdateFlow->CheckUpdateActionExecute();
}

void TMainForm::AboutActionExecute()
{
    TAboutForm box(this, HOMEPAGE_LINK, ProgramDir);
    connect(&box, &TAboutForm::HomePageLabelClick, this, &TMainForm::HomePageActionExecute);
    connect(&box, &TAboutForm::EmailLabelClick, this, &TMainForm::EmailActionExecute);
    box.exec();
}

void TMainForm::StartQuietUpdateCheck()
{
    if (UpdateFlow)
        UpdateFlow->StartQuietUpdateCheck();
}

void TMainForm::OfferUpdate()
{
    if (UpdateFlow)
        UpdateFlow->OfferUpdate();
}
