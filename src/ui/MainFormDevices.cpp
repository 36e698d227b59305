// The device page: one picture button per device preset in a scrolling strip.

#include "ui/MainForm.h"

#include "support/PathUtils.h"
#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/DropFileEdit.h"
#include "ui/widgets/PageScroller.h"

#include <QButtonGroup>
#include <QTabWidget>

namespace {

constexpr int DeviceButtonSize = 70;
constexpr int DeviceButtonPitch = 78;

} // namespace

const TDevPreset *TMainForm::SelectedDevice() const
{
    if (!DevicePresets || SelectedDeviceID <= 0)
        return nullptr;
    return DevicePresets->GetDeviceByID(SelectedDeviceID);
}

void TMainForm::BuildDeviceButtons()
{
    if (!DevicePresets)
        return;
    const int count = DevicePresets->Count();
    DeviceButtonsPanel->resize(count * DeviceButtonPitch, DeviceButtonsPanel->height());
    const QString images = JoinPath(ProgramDir, QStringLiteral("images"));
    const QString shared = JoinPath(images, QStringLiteral("device1_4state.bmp"));
    for (int i = 0; i < count; ++i) {
        const TDevPreset *preset = DevicePresets->Device(i);
        if (!preset)
            continue;
        auto *button = new TDeviceButton(DeviceButtonsPanel);
        button->setObjectName(QStringLiteral("DeviceButton%1").arg(i));
        button->setGeometry(i * DeviceButtonPitch, 1, DeviceButtonSize, DeviceButtonSize);
        button->SetTag(preset->ID);
        // Two presets may share an id; the name comes from the button's own.
        button->setProperty("presetIndex", i);
        // The picture's key is the name without blanks, lowered: the preset's idName.
        const QString own =
            JoinPath(images, QStringLiteral("device_") + preset->idName + QStringLiteral(".bmp"));
        button->LoadPicture({FileExists(own) ? own : shared, shared});
        connect(button, &TDeviceButton::clicked, this,
                [this, button]() { DeviceButtonClick(button); });
        DeviceButtonGroup->addButton(button);
        button->setEnabled(DeviceButtonsPanel->isEnabled());
        button->show();
        DeviceButtons.append(button);
    }
    ShowDeviceNames();
}

void TMainForm::ShowDeviceNames()
{
    for (TDeviceButton *button : DeviceButtons) {
        const TDevPreset *preset =
            DevicePresets ? DevicePresets->Device(button->property("presetIndex").toInt())
                          : nullptr;
        const QString name = preset ? preset->DisplayName(CurrentLanguage) : QString();
        button->setToolTip(name);
        button->SetFallbackText(name);
    }
}

void TMainForm::DeviceButtonClick(TDeviceButton *_sender)
{
    SelectedDeviceID = _sender->Tag();
    VideoPageControlChange();
}

void TMainForm::VideoPageControlChange()
{
    UpdateWindowCaption();
    OutVideoFileBEdit->setText(DeriveOutputFileName(SourceFilenameEdit->text()));
    SourceFilenameEditChange();
}

void TMainForm::DevicePageScrollerScroll(int &_delta)
{
    _delta = 13;
}
