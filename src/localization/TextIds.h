#pragma once

#include "localization/Language.h"

#include <iterator>

// Every interface text by section and id. The window applies the place texts
// in the order of their tables and keeps the messages in LNGA in the order of
// MessageTexts.
namespace TextIds {

// Section MainMenu.
inline constexpr TTextId FileMenu{lsMainMenu, 11010};        // N1
inline constexpr TTextId ViewMenu{lsMainMenu, 11050};        // ViewMenuItem
inline constexpr TTextId LanguageItem{lsMainMenu, 11051};    // LanguageMenuItem
inline constexpr TTextId SoundItem{lsMainMenu, 11052};       // SoundAction
inline constexpr TTextId HelpMenu{lsMainMenu, 11100};        // N2
inline constexpr TTextId OpenFileItem{lsMainMenu, 11011};    // OpenSourceFileAction
inline constexpr TTextId OpenFolderItem{lsMainMenu, 11012};  // OpenSourceFolderAction
inline constexpr TTextId ExitItem{lsMainMenu, 11020};        // ExitAction
inline constexpr TTextId AboutItem{lsMainMenu, 11110};       // AboutAction
inline constexpr TTextId ContentsItem{lsMainMenu, 11101};    // ContentsAction
inline constexpr TTextId CheckUpdateItem{lsMainMenu, 11102}; // CheckUpdateAction
inline constexpr TTextId HomePageItem{lsMainMenu, 11103};    // HomePageAction

// Section MainForm: captions unless the name says otherwise.
inline constexpr TTextId SourceLabel{lsMainForm, 12011};       // SourceFileNameLabel
inline constexpr TTextId SourcePrompt{lsMainForm, 12012};      // SourceFilenameEdit text and hint
inline constexpr TTextId SourceDialogTitle{lsMainForm, 12013}; // SourceOpenDialog
inline constexpr TTextId OpenButton{lsMainForm, 12014};        // OpenBitBtn
inline constexpr TTextId OpenButtonHint{lsMainForm, 12015};    // OpenBitBtn
// OpenFileMenuItem; also the first half of DropDownBitBtn's hint.
inline constexpr TTextId OpenFileMenu{lsMainForm, 12016};
// OpenFolderMenuItem; also the second half of DropDownBitBtn's hint.
inline constexpr TTextId OpenFolderMenu{lsMainForm, 12017};
inline constexpr TTextId ConvertToBanner{lsMainForm, 12050};      // ConvertToLabel
inline constexpr TTextId FormatLabel{lsMainForm, 12051};          // OutFormatLabel
inline constexpr TTextId FormatHint{lsMainForm, 12052};           // OutFormatComboBox
inline constexpr TTextId SizeLabel{lsMainForm, 12060};            // OutSizeLabel
inline constexpr TTextId SizeHint{lsMainForm, 12061};             // OutSizeComboBox
inline constexpr TTextId SourceSizeItem{lsMainForm, 12062};       // OutSizeComboBox item 0
inline constexpr TTextId SourceQualityItem{lsMainForm, 12077};    // QualityComboBox item 0
inline constexpr TTextId OtherQualityItem{lsMainForm, 12078};     // QualityComboBox item 1
inline constexpr TTextId OptionsLink{lsMainForm, 12075};          // AdditionLabel
inline constexpr TTextId NoSoundOption{lsMainForm, 12076};        // NoSoundPopupMenu
inline constexpr TTextId SameAspectOption{lsMainForm, 12110};     // SameAspectRationPMenu
inline constexpr TTextId SameAspectHint{lsMainForm, 12111};       // SameAspectRationPMenu
inline constexpr TTextId CopySoundsOption{lsMainForm, 12112};     // CopySoundsPM
inline constexpr TTextId CopySubtitlesOption{lsMainForm, 12113};  // CopySubtitlesPM
inline constexpr TTextId DeinterlaceOption{lsMainForm, 12114};    // DeinterlacePM
inline constexpr TTextId QualityLabel{lsMainForm, 12070};         // QualityLabel
inline constexpr TTextId LowQualityLabel{lsMainForm, 12072};      // LowQLabel
inline constexpr TTextId HighQualityLabel{lsMainForm, 12073};     // HiQLabel
inline constexpr TTextId OutputLabel{lsMainForm, 12080};          // OutFileLabel
inline constexpr TTextId OutputHint{lsMainForm, 12081};           // OutVideoFileBEdit
inline constexpr TTextId OutputDialogHint{lsMainForm, 12082};     // OpenOutSpeedButton
inline constexpr TTextId OpenOutputFileHint{lsMainForm, 12090};   // OpenFileBitBtn
inline constexpr TTextId OpenOutputFolderHint{lsMainForm, 12091}; // OpenFolderBitBtn
inline constexpr TTextId ConvertButton{lsMainForm, 12100};        // ConvertBitBtn
inline constexpr TTextId StopButton{lsMainForm, 12101};           // StopConvBitBtn
inline constexpr TTextId FormatTab{lsMainForm, 12053};            // FormatTabSheet
inline constexpr TTextId DeviceTab{lsMainForm, 12054};            // DeviceTabSheet
// QualityTrackBar's hint, "%1" = the position; kept with the messages.
inline constexpr TTextId QualityPositionHint{lsMainForm, 12071};

// Section GeneralMessages.
inline constexpr TTextId InvalidFrameSize{lsGeneralMessages, 13011};
inline constexpr TTextId OutputExists{lsGeneralMessages, 13012}; // "%1" = the output's file name
inline constexpr TTextId Converting{lsGeneralMessages, 13013};
inline constexpr TTextId Cancelled{lsGeneralMessages, 13014};
inline constexpr TTextId EmptyOutput{lsGeneralMessages, 13015};
inline constexpr TTextId NoOutput{lsGeneralMessages, 13016};
inline constexpr TTextId Converted{lsGeneralMessages, 13017};
inline constexpr TTextId NoDeviceChosen{lsGeneralMessages, 13018};
inline constexpr TTextId Joining{lsGeneralMessages, 13019};
inline constexpr TTextId Preparing{lsGeneralMessages, 13020};
inline constexpr TTextId IncompleteOutput{lsGeneralMessages, 13021};
inline constexpr TTextId NewVersion{lsGeneralMessages, 13030}; // "%1" = the version
inline constexpr TTextId DownloadQuestion{lsGeneralMessages, 13031};
inline constexpr TTextId NoNewVersion{lsGeneralMessages, 13032};
inline constexpr TTextId UpdateInfoUnavailable{lsGeneralMessages, 13033};

// Texts of our own, beyond those of the window proper.
// The actions of the notice at the end of a run.
inline constexpr TTextId OpenAction{lsGeneralMessages, 13040};
inline constexpr TTextId ShowInFolderAction{lsGeneralMessages, 13041};
// The notice's line on how long the run took; "%1" = a duration.
inline constexpr TTextId TimeTaken{lsGeneralMessages, 13042};
// The progress bar's tooltip: "%1" = a duration, "%2" = the speed.
inline constexpr TTextId TimeLeft{lsGeneralMessages, 13043};
// Durations: "%1" hours and "%2" minutes; minutes and seconds; minutes; seconds.
inline constexpr TTextId HoursMinutes{lsGeneralMessages, 13044};
inline constexpr TTextId MinutesSeconds{lsGeneralMessages, 13045};
inline constexpr TTextId Minutes{lsGeneralMessages, 13046};
inline constexpr TTextId Seconds{lsGeneralMessages, 13047};
// The tooltip when the source's length is unknown: "%1" = the speed.
inline constexpr TTextId SpeedOnly{lsGeneralMessages, 13048};

// The place texts in the order they are applied.
inline constexpr TTextId MainMenuTexts[] = {
    FileMenu,       ViewMenu, LanguageItem, SoundItem,    HelpMenu,        OpenFileItem,
    OpenFolderItem, ExitItem, AboutItem,    ContentsItem, CheckUpdateItem, HomePageItem,
};
inline constexpr TTextId MainFormTexts[] = {
    SourceLabel,       SourcePrompt,       SourceDialogTitle,
    OpenButton,        OpenButtonHint,     OpenFileMenu,
    OpenFolderMenu,    ConvertToBanner,    FormatLabel,
    FormatHint,        SizeLabel,          SizeHint,
    SourceSizeItem,    SourceQualityItem,  OtherQualityItem,
    OptionsLink,       NoSoundOption,      SameAspectOption,
    SameAspectHint,    CopySoundsOption,   CopySubtitlesOption,
    DeinterlaceOption, QualityLabel,       LowQualityLabel,
    HighQualityLabel,  OutputLabel,        OutputHint,
    OutputDialogHint,  OpenOutputFileHint, OpenOutputFolderHint,
    ConvertButton,     StopButton,         FormatTab,
    DeviceTab,
};

// LNGA, in this order; TMessageIndex names the positions.
inline constexpr TTextId MessageTexts[] = {
    InvalidFrameSize,    OutputExists, Converting,
    Cancelled,           EmptyOutput,  NoOutput,
    Converted,           NewVersion,   DownloadQuestion,
    QualityPositionHint, NoNewVersion, UpdateInfoUnavailable,
    NoDeviceChosen,      Joining,      Preparing,
    IncompleteOutput,
};

// Texts whose "%1" the caller fills in.
inline constexpr TTextId TextsWithPlaceholder[] = {OutputExists,   NewVersion, QualityPositionHint,
                                                   TimeTaken,      TimeLeft,   HoursMinutes,
                                                   MinutesSeconds, Minutes,    Seconds,
                                                   SpeedOnly};

// Our own texts, which every language file must carry too.
inline constexpr TTextId OwnTexts[] = {OpenAction,   ShowInFolderAction, TimeTaken, TimeLeft,
                                       HoursMinutes, MinutesSeconds,     Minutes,   Seconds,
                                       SpeedOnly};

} // namespace TextIds

enum TMessageIndex
{
    miInvalidFrameSize,
    miOutputExists,
    miConverting,
    miCancelled,
    miEmptyOutput,
    miNoOutput,
    miConverted,
    miNewVersion,
    miDownloadQuestion,
    miQualityPositionHint,
    miNoNewVersion,
    miUpdateInfoUnavailable,
    miNoDeviceChosen,
    miJoining,
    miPreparing,
    miIncompleteOutput,
    miMessageCount,
};
static_assert(std::size(TextIds::MessageTexts) == miMessageCount);
static_assert(TextIds::MessageTexts[miOutputExists].Id == 13012);
static_assert(TextIds::MessageTexts[miNewVersion].Id == 13030);
static_assert(TextIds::MessageTexts[miQualityPositionHint].Id == 12071);
static_assert(TextIds::MessageTexts[miPreparing].Id == 13020);
