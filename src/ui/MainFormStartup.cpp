// Creation and closing of the main window.

#include "ui/MainForm.h"

#include "app/settings/SettingNames.h"
#include "conversion/CommandLine.h"
#include "conversion/EncoderProgram.h"
#include "localization/LanguageDefaults.h"
#include "support/PathUtils.h"
#include "ui/widgets/DropFileEdit.h"
#include "ui/widgets/PageScroller.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

void TMainForm::FormCreate()
{
    ProgramDir = IncludeTrailingPathDelimiter(ProgramFolder());
    SoundDir = JoinPath(ProgramDir, QStringLiteral("Sounds")) + PathDelim;
    const QString appData = GetSpecialFolderPath(CSIDL_APPDATA);
    AppDataDir = appData.isEmpty() ? ProgramDir : NormalizeDirPath(appData) + AppTitle + PathDelim;
    if (!DirectoryExists(AppDataDir))
        QDir().mkpath(AppDataDir);

    VideoSourceInfo.Clear();
    MyReg = std::make_unique<TQBXRegistry>(AppTitle);
    if (MyReg->ReadIntPar(Settings::Build, Settings::BuildDefault) != Settings::CurrentBuild)
        MyReg->WriteIntPar(Settings::Build, Settings::CurrentBuild);

    StopConvFlag = false;
    StopConvBitBtn->setEnabled(false);
    isFirstEnableOutBox = true;
    CloseOnCompleteFlag = false;
    ConvertForPM_DID = 0;
    isAutoMode = false;
    counterForUpdProgress = 0;

    CurrentLanguage = MyReg->ReadStringPar(Settings::Language);
    if (CurrentLanguage.isEmpty())
        CurrentLanguage = StartLanguageFor(GetDefaultLanguage());
    Language.LoadLanguage(JoinPath(JoinPath(ProgramDir, QStringLiteral("Languages")),
                                   CurrentLanguage + QStringLiteral(".lng")));
    BuildLanguageMenu();
    ApplyLanguage();

    DevicePresets =
        std::make_unique<TDevicePresets>(JoinPath(ProgramDir, QStringLiteral("presets.xml")));
    BuildDeviceButtons();

    // The saved output settings, without running any change handler.
    const QSignalBlocker blockFormat(OutFormatComboBox);
    OutFormatComboBox->setCurrentIndex(
        MyReg->ReadIntPar(Settings::IOutFormat, Settings::IOutFormatDefault));
    const QString savedSize = MyReg->ReadStringPar(Settings::IOutSize);
    TConversionSettings sizeCheck;
    sizeCheck.OutSizeIndex = -1;
    const QString sizeArgument = BuildSizeArgument(sizeCheck, savedSize);
    if (!savedSize.isEmpty() && !sizeArgument.isEmpty() && sizeArgument != QLatin1String("-1")) {
        const int item = OutSizeComboBox->findText(savedSize, Qt::MatchExactly);
        if (item >= 0)
            SelectOutSizeItem(item);
        else
            OutSizeComboBox->setEditText(savedSize);
    } else {
        SelectOutSizeItem(0);
    }
    QualityComboBox->setCurrentIndex(
        MyReg->ReadIntPar(Settings::IOutQualityType, Settings::IOutQualityTypeDefault));
    MyReg->WriteStringPar(Settings::IOutSize, OutSizeComboBox->currentText());
    QualityTrackBar->setValue(
        std::clamp(MyReg->ReadIntPar(Settings::IOutQuality, Settings::IOutQualityDefault), 0, 10));
    QualityTrackBarChange();
    SoundEnabled = MyReg->ReadBoolPar(Settings::SoundEnabled, Settings::SoundEnabledDefault);
    SelectPage(MyReg->ReadIntPar(Settings::VideoPageIndex, Settings::VideoPageIndexDefault));
    SelectedDeviceID =
        MyReg->ReadIntPar(Settings::SelectedDeviceID, Settings::SelectedDeviceIDDefault);

    SameAspectRationPMenu->setChecked(true);
    SetOpenAsFolder(
        MyReg->ReadIntPar(Settings::ISrcOpenAsFolder, Settings::ISrcOpenAsFolderDefault) == 1);

    QualityComboBoxChange();
}

bool TMainForm::FormCloseQuery()
{
    return !StopConvBitBtn->isEnabled();
}

void TMainForm::FormClose()
{
    if (MyReg && AutoTimerTag != 4) {
        MyReg->WriteIntPar(Settings::IOutFormat, OutFormatComboBox->currentIndex());
        MyReg->WriteStringPar(Settings::IOutSize, OutSizeComboBox->currentText());
        MyReg->WriteIntPar(Settings::IOutQuality, QualityTrackBar->value());
        MyReg->WriteIntPar(Settings::IOutQualityType, QualityComboBox->currentIndex());
        MyReg->WriteBoolPar(Settings::SoundEnabled, SoundEnabled);
        MyReg->WriteIntPar(Settings::VideoPageIndex, VideoPageControl->currentIndex());
        MyReg->WriteIntPar(Settings::DevPageScr, DevicePageScroller->Position());
        if (SelectedDeviceID > 0)
            MyReg->WriteIntPar(Settings::SelectedDeviceID, SelectedDeviceID);
        MyReg->WriteIntPar(Settings::ISrcOpenAsFolder, OpenFolderMenuItem->isChecked() ? 1 : 0);
    }
    MyReg.reset();
    DevicePresets.reset();
}

void TMainForm::ExitActionExecute()
{
    close();
}
