// Format, size and quality controls, the options menu and the window caption.

#include "ui/MainForm.h"

#include "conversion/OutputRules.h"
#include "localization/TextIds.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"
#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/DropFileEdit.h"
#include "ui/widgets/PageScroller.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

QString TMainForm::FormatExtension() const
{
    if (OutFormatComboBox->currentIndex() < 0)
        return QString();
    return ::FormatExtension(OutFormatComboBox->currentText());
}

namespace {

// A control's own enabled flag, whatever its parents say.
bool OwnEnabled(const QWidget *_widget)
{
    return !_widget->testAttribute(Qt::WA_ForceDisabled);
}

} // namespace

int TMainForm::OutSizeItemIndex() const
{
    return OutSizeComboBox->findText(OutSizeComboBox->currentText(), Qt::MatchExactly);
}

void TMainForm::SelectOutSizeItem(int _index)
{
    OutSizeComboBox->setCurrentIndex(_index);
    // The box may show a typed text while its last item is still current.
    OutSizeComboBox->setEditText(OutSizeComboBox->itemText(_index));
}

void TMainForm::UpdateOutputButtons(bool _enable)
{
    const QString outText = OutVideoFileBEdit->text();
    OpenFileBitBtn->setEnabled(_enable && FileExists(outText));
    OpenFolderBitBtn->setEnabled(_enable && DirectoryExists(ExtractFileDir(outText)));
}

void TMainForm::EnableFormatControls(bool _enable)
{
    OutFormatComboBox->setEnabled(_enable);
    SameAspectRationPMenu->setEnabled(true);

    const QString format =
        OutFormatComboBox->currentIndex() >= 0 ? OutFormatComboBox->currentText() : QString();
    const TFormatRules rules = FormatRules(format);
    bool sizeShown = true;
    bool sizeEnabled = false;
    switch (rules.frSizeBox) {
    case TSizeBoxRule::Fixed176:
        OutSizeComboBoxTag = OutSizeItemIndex();
        SelectOutSizeItem(Size176x144Index);
        break;
    case TSizeBoxRule::HiddenSource:
        sizeShown = false;
        SelectOutSizeItem(0);
        break;
    case TSizeBoxRule::Free:
        sizeEnabled = _enable;
        if (OutSizeComboBoxTag >= 0) {
            SelectOutSizeItem(OutSizeComboBoxTag);
            OutSizeComboBoxTag = -1;
        }
        break;
    }
    OutSizeComboBox->setVisible(sizeShown);
    OutSizeComboBox->setEnabled(sizeEnabled);
    SameAspectRationPMenu->setEnabled(rules.frSameAspectEnabled);
    AdditionLabel->setEnabled(rules.frOptionsLink && _enable);

    UpdateOutputButtons(_enable);

    if (rules.frSourceQualityOnly) {
        QualityComboBox->setEnabled(false);
        if (QualityComboBox->currentIndex() != 0) {
            QualityComboBoxTag = QualityComboBox->currentIndex();
            QualityComboBox->setCurrentIndex(0);
        }
    } else {
        if (QualityComboBoxTag >= 0 && QualityComboBoxTag != QualityComboBox->currentIndex()) {
            QualityComboBox->setCurrentIndex(QualityComboBoxTag);
            QualityComboBoxTag = -1;
        }
        QualityComboBox->setEnabled(_enable);
    }

    for (QWidget *control :
         {static_cast<QWidget *>(OutVideoFileBEdit), static_cast<QWidget *>(OpenOutSpeedButton),
          static_cast<QWidget *>(ConvertBitBtn), static_cast<QWidget *>(VideoPageControl),
          FormatTabSheet, DeviceButtonsPanel})
        control->setEnabled(_enable);

    int position = 0;
    for (TDeviceButton *button : std::as_const(DeviceButtons)) {
        button->setEnabled(_enable);
        if (button->Tag() == SelectedDeviceID) {
            button->setChecked(true);
            position = button->x() - 2;
        }
    }
    if (_enable && isFirstEnableOutBox) {
        DevicePageScroller->SetPosition(position);
        isFirstEnableOutBox = false;
    }

    for (QLabel *label : {OutFormatLabel, QualityLabel, LowQLabel, HiQLabel, OutFileLabel})
        label->setEnabled(_enable);
    OutSizeLabel->setVisible(sizeShown);
    OutSizeLabel->setEnabled(sizeEnabled);

    QualityComboBoxChange();
}

void TMainForm::OutFormatComboBoxChange()
{
    OutVideoFileBEdit->setText(DeriveOutputFileName(SourceFilenameEdit->text()));
    EnableFormatControls(true);
    UpdateWindowCaption();
}

void TMainForm::QualityComboBoxChange()
{
    const int index = QualityComboBox->currentIndex();
    if (index < 0)
        return;
    const bool other = index == 1;
    const bool enabled = other && OwnEnabled(OutFormatComboBox);
    for (QWidget *control : {static_cast<QWidget *>(QualityTrackBar),
                             static_cast<QWidget *>(LowQLabel), static_cast<QWidget *>(HiQLabel)}) {
        control->setVisible(other);
        control->setEnabled(enabled);
    }
}

void TMainForm::QualityTrackBarChange()
{
    QualityTrackBar->setToolTip(SubstituteParams(LNGA.value(miQualityPositionHint),
                                                 QString::number(QualityTrackBar->value())));
}

void TMainForm::AdditionLabelClick()
{
    AdditionPopupMenu->popup(QCursor::pos());
}

void TMainForm::AdditionLabelMouseEnter()
{
    QFont font = AdditionLabel->font();
    font.setUnderline(true);
    AdditionLabel->setFont(font);
}

void TMainForm::AdditionLabelMouseLeave()
{
    QFont font = AdditionLabel->font();
    font.setUnderline(false);
    font.setBold(false);
    font.setItalic(false);
    font.setStrikeOut(false);
    AdditionLabel->setFont(font);
}

void TMainForm::AdditionPopupMenuPopup()
{
    const TOptionItemsVisible items = OptionItemsFor(OutFormatComboBox->currentText());
    NoSoundPopupMenu->setVisible(items.ovNoSound);
    CopySoundsPM->setVisible(items.ovCopySounds);
    CopySubtitlesPM->setVisible(items.ovCopySubtitles);
    DeinterlacePM->setVisible(items.ovDeinterlace);
    SameAspectRationPMenu->setVisible(items.ovSameAspect);
}

void TMainForm::NoSoundPopupMenuClick()
{
    if (NoSoundPopupMenu->isChecked())
        CopySoundsPM->setChecked(false);
}

void TMainForm::CopySoundsPMClick()
{
    if (CopySoundsPM->isChecked())
        NoSoundPopupMenu->setChecked(false);
}

void TMainForm::UpdateWindowCaption()
{
    // The caption shows the device as the device page names it.
    std::optional<TDevPreset> shown;
    if (const TDevPreset *device = DevicePresets ? SelectedDevice() : nullptr) {
        shown = *device;
        shown->Name = device->DisplayName(CurrentLanguage);
    }
    const std::optional<QString> caption =
        ConversionCaption(AppTitle, SourceFilenameEdit->text(), VideoPageControl->currentIndex(),
                          FormatExtension(), shown ? &*shown : nullptr);
    if (caption)
        setWindowTitle(*caption);
}

TConversionSettings TMainForm::TakeConversionSettings() const
{
    TConversionSettings s;
    s.VideoPageIndex = VideoPageControl->currentIndex();
    s.SelectedDeviceID = SelectedDeviceID;
    s.OutFormatIndex = OutFormatComboBox->currentIndex();
    s.OutSizeText = OutSizeComboBox->currentText();
    // A typed text that is not one of the items counts as no item.
    s.OutSizeIndex = OutSizeItemIndex();
    s.OutQualityType = QualityComboBox->currentIndex();
    s.OutQuality = QualityTrackBar->value();
    s.OutQualityEnabled = OwnEnabled(QualityTrackBar);
    s.NoSound = NoSoundPopupMenu->isChecked();
    s.CopySounds = CopySoundsPM->isChecked();
    s.CopySubtitles = CopySubtitlesPM->isChecked();
    s.Deinterlace = DeinterlacePM->isChecked();
    s.SameAspect = SameAspectRationPMenu->isChecked();
    s.SameAspectEnabled = SameAspectRationPMenu->isEnabled();
    s.SourceFileName = SourceFilenameEdit->text();
    s.OutFileName = OutVideoFileBEdit->text();
    return s;
}
