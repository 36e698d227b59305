// Creation and closing of the main window, and the command-line options.

#include "ui/MainForm.h"

#include "app/CommandLineOptions.h"
#include "app/DataFolder.h"
#include "app/settings/SettingNames.h"
#include "conversion/CommandLine.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "conversion/SourceProbe.h"
#include "integration/HostLinks.h"
#include "integration/ShellOpen.h"
#include "localization/LanguageDefaults.h"
#include "localization/TextIds.h"
#include "support/PathUtils.h"
#include "ui/widgets/DropFileEdit.h"
#include "ui/widgets/PageScroller.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

namespace {

// The per-user folder of the program; empty when the system has none.
QString UserDataFolder()
{
    const QString appData = GetSpecialFolderPath(CSIDL_APPDATA);
    return appData.isEmpty() ? QString()
                             : NormalizeDirPath(appData) + TMainForm::AppTitle + PathDelim;
}

// A size text the encoder would accept as a frame size ("640x480 (VGA)" too).
bool IsFrameSizeText(const QString &_text)
{
    TConversionSettings check;
    check.OutSizeIndex = -1;
    const QString argument = BuildSizeArgument(check, _text);
    return !_text.isEmpty() && !argument.isEmpty() && argument != InvalidSizeArgument;
}

} // namespace

void TMainForm::FormCreate()
{
    // The named lock. A second copy does not get it and runs all the same.
    if (const QString lockFolder = MakePrivateFolder(UserDataFolder(), true);
        !lockFolder.isEmpty()) {
        AppMutex = std::make_unique<QLockFile>(lockFolder + AppTitle + QStringLiteral(".lock"));
        // Held for the whole run, however long: never taken over as stale by age.
        AppMutex->setStaleLockTime(0);
        AppMutex->tryLock(0);
    }

    // The program, sound and data folders. The temporary files need a folder
    // only this user can write in; an installed program folder usually is not one.
    ProgramDir = IncludeTrailingPathDelimiter(ProgramFolder());
    SoundDir = JoinPath(ProgramDir, QStringLiteral("Sounds")) + PathDelim;
    const TDataFolderChoice dataFolder = ChooseAppDataDir(UserDataFolder(), ProgramDir);
    AppDataDir = dataFolder.Folder;
    FreshAppDataDir = dataFolder.Fresh;
    // What copies that were killed left there; a running copy's files stay.
    RemoveStaleTemporaries(AppDataDir);

    // The source record, the settings store and the build number.
    VideoSourceInfo.Clear();
    MyReg = std::make_unique<TQBXRegistry>(AppTitle);
    if (MyReg->ReadIntPar(Settings::Build, Settings::BuildDefault) != Settings::CurrentBuild)
        MyReg->WriteIntPar(Settings::Build, Settings::CurrentBuild);

    // Start values.
    StopConvBitBtn->setEnabled(false);
    isFirstEnableOutBox = true;
    CloseOnCompleteFlag = false;
    ConvertForPM_DID = 0;
    isAutoMode = false;

    // The language and the interface texts.
    CurrentLanguage = MyReg->ReadStringPar(Settings::Language);
    if (CurrentLanguage.isEmpty())
        CurrentLanguage = StartLanguageFor(GetDefaultLanguage());
    Language.LoadLanguage(JoinPath(JoinPath(ProgramDir, QStringLiteral("Languages")),
                                   CurrentLanguage + QStringLiteral(".lng")));
    BuildLanguageMenu();
    ApplyLanguage();

    // Device presets.
    DevicePresets =
        std::make_unique<TDevicePresets>(JoinPath(ProgramDir, QStringLiteral("presets.xml")));
    BuildDeviceButtons();

    // The start counter goes into the first request's URL.
    UpdateFlow =
        std::make_unique<TUpdateFlow>(TUpdateFlow::StartupUpdateUrl(UPDATE_URL), UpdateHost());

    // The saved output settings, without running any change handler.
    OutFormatComboBox->setCurrentIndex(
        MyReg->ReadIntPar(Settings::IOutFormat, Settings::IOutFormatDefault));
    const QString savedSize = MyReg->ReadStringPar(Settings::IOutSize);
    if (IsFrameSizeText(savedSize))
        SetOutSizeText(savedSize);
    else
        SelectOutSizeItem(0);
    QualityComboBox->setCurrentIndex(
        MyReg->ReadIntPar(Settings::IOutQualityType, Settings::IOutQualityTypeDefault));
    MyReg->WriteStringPar(Settings::IOutSize, OutSizeComboBox->currentText());
    QualityTrackBar->setValue(
        std::clamp(MyReg->ReadIntPar(Settings::IOutQuality, Settings::IOutQualityDefault), 0,
                   MaxQualityPosition));
    QualityTrackBarChange();
    SoundEnabled = MyReg->ReadBoolPar(Settings::SoundEnabled, Settings::SoundEnabledDefault);
    SelectPage(MyReg->ReadIntPar(Settings::VideoPageIndex, Settings::VideoPageIndexDefault));
    SelectedDeviceID =
        MyReg->ReadIntPar(Settings::SelectedDeviceID, Settings::SelectedDeviceIDDefault);

    // Keep proportions is on at every start; the source mode is restored.
    SameAspectRationPMenu->setChecked(true);
    SetOpenAsFolder(
        MyReg->ReadIntPar(Settings::ISrcOpenAsFolder, Settings::ISrcOpenAsFolderDefault) == 1);

    // The options win over everything restored.
    if (QCoreApplication::arguments().size() > 1)
        ApplyCommandLineOptions();
    QualityComboBoxChange();

    // Whether the quiet update check is due.
    UpdateFlow->DecideQuietCheck();

    // The taskbar progress, and the notice at the end of a long run, whose
    // actions do what the two output buttons do, for that run's file.
    TaskbarList3 = std::make_unique<TTaskbarProgress>();
    Notifier = std::make_unique<TDesktopNotifier>();
    connect(Notifier.get(), &TDesktopNotifier::ActionInvoked, this,
            [](const QString &_action, const QString &_outFileName) {
                if (_action == RunNoticeOpen)
                    HostLinks::OpenFileBitBtnClick(_outFileName);
                else if (_action == RunNoticeShowInFolder)
                    HostLinks::OpenFolderBitBtnClick(_outFileName);
            });
}

TUpdateHost TMainForm::UpdateHost()
{
    TUpdateHost host;
    host.MessageText = [this](TMessageIndex _index) { return LNGA.value(_index); };
    host.ShowInformation = [this](const QString &_text) {
        TDialogs::Information(this, AppTitle, _text);
    };
    host.ConfirmYesNo = [this](const QString &_text) {
        return TDialogs::Confirm(this, AppTitle, _text);
    };
    host.ShellOpen = [](const QString &Target, const QString &Parameters) {
        ShellOpen(Target, Parameters);
    };
    return host;
}

void TMainForm::SetOutSizeText(const QString &_text)
{
    const int item = OutSizeComboBox->findText(_text, Qt::MatchExactly);
    if (item >= 0)
        SelectOutSizeItem(item);
    else
        OutSizeComboBox->setEditText(_text);
}

void TMainForm::ApplyCommandLineOptions()
{
    ApplyCommandLineOptions(
        ParseCommandLineOptions(QCoreApplication::arguments(), DevicePresets.get()));
}

void TMainForm::ApplyCommandLineOptions(const TCommandLineOptions &_options)
{
    switch (_options.coPage) {
    case TCommandLineOptions::pcFormat:
        SelectPage(0);
        OutFormatComboBox->setCurrentIndex(_options.coOutFormatIndex);
        break;
    case TCommandLineOptions::pcDevice:
        SelectPage(1);
        if (_options.coSelectedDeviceID > 0)
            SelectedDeviceID = _options.coSelectedDeviceID;
        break;
    case TCommandLineOptions::pcKeep:
        break;
    }

    switch (_options.coSize) {
    case TCommandLineOptions::scText:
        SetOutSizeText(_options.coOutSizeText);
        break;
    case TCommandLineOptions::scSourceSize:
        SelectOutSizeItem(0);
        break;
    case TCommandLineOptions::scKeep:
        break;
    }

    // The automatic start's second runs from here, so probing the source
    // below is done within it rather than added to it.
    if (_options.coStartAutoTimer) {
        AutoTimerTag = _options.coAutoTimerTag;
        AutoTimer->start();
    }

    if (!_options.coSourceFileName.isEmpty())
        SelectSource(_options.coSourceFileName);

    if (_options.coOutQualityType == 1) {
        QualityTrackBar->setValue(std::clamp(_options.coOutQuality, 0, MaxQualityPosition));
        QualityComboBox->setCurrentIndex(1);
    } else if (_options.coOutQualityType == 0) {
        QualityComboBox->setCurrentIndex(0);
    }

    if (_options.coSameAspect == TCommandLineOptions::saCheck)
        SameAspectRationPMenu->setChecked(true);
    else if (_options.coSameAspect == TCommandLineOptions::saUncheck)
        SameAspectRationPMenu->setChecked(false);

    if (_options.coIsAutoMode)
        isAutoMode = true;
    if (_options.coCloseOnComplete)
        CloseOnCompleteFlag = true;

    ConvertForPM_DID = _options.coConvertForPM_DID;
    ConvertForAppName = _options.coConvertForAppName;
}

bool TMainForm::FormCloseQuery()
{
    return !StopConvBitBtn->isEnabled();
}

void TMainForm::FormClose()
{
    // After an automatic close the values keep what they held before the run.
    if (MyReg && AutoTimerTag != atClose) {
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
    // A folder that was chosen but never converted leaves its concat list.
    DiscardConcatList(VideoSourceInfo);
    if (FreshAppDataDir)
        QDir().rmdir(AppDataDir);
    UpdateFlow.reset();
    MyReg.reset();
    Language = TLanguage();
    DevicePresets.reset();
    AppMutex.reset();
}

void TMainForm::ExitActionExecute()
{
    close();
}
