#pragma once

#include "app/settings/QBXRegistry.h"
#include "conversion/ConversionRun.h"
#include "conversion/ConversionSettings.h"
#include "conversion/SourceInfo.h"
#include "integration/DesktopNotification.h"
#include "integration/RunNotice.h"
#include "integration/TaskbarProgress.h"
#include "localization/Language.h"
#include "localization/QtTranslations.h"
#include "presets/DevicePresets.h"
#include "ui/Dialogs.h"
#include "update/UpdateFlow.h"

#include <QHash>
#include <QIcon>
#include <QLockFile>
#include <QMainWindow>
#include <QPixmap>
#include <QTimer>

#include <memory>

class QAction;
class QActionGroup;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;
class QToolButton;
class TDeviceButton;
struct TCommandLineOptions;
class TPageScroller;
class TssDropFileEdit;

// Images of one size, each a pair of glyphs side by side: normal and greyed.
class TImageList
{
public:
    TImageList(int _width, int _height) : FWidth(_width), FHeight(_height) {}
    void Add(const QPixmap &_pair) { FImages.append(_pair); }
    int Count() const { return int(FImages.size()); }
    // The pair as an icon with a normal and a disabled look; null outside the list.
    QIcon Glyph(int _index) const;
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    int FWidth;
    int FHeight;
    QList<QPixmap> FImages;
};

// The main window: the controls of the user's choice and the long-lived
// objects of the program. Its member definitions are split by concern:
// MainForm.cpp (controls and layout), MainFormFormat.cpp (format, size,
// quality and options), MainFormSource.cpp (source and output),
// MainFormDevices.cpp (device page), MainFormLanguage.cpp (interface texts),
// MainFormStartup.cpp (creation and closing), MainFormConversion.cpp (the
// conversion run) and MainFormIntegration.cpp (help, home page, mail, the
// output buttons, the menu's update check and the About box).
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // The application title, also the store's program name.
    static const QString AppTitle;

    explicit TMainForm(QWidget *_parent = nullptr);
    ~TMainForm() override;

    // --- controls placed on the window ---
    QMenuBar *MainMenu = nullptr;
    QLabel *SourceFileNameLabel = nullptr;
    TssDropFileEdit *SourceFilenameEdit = nullptr;
    QPushButton *OpenBitBtn = nullptr;
    QPushButton *DropDownBitBtn = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *ConvertToLabel = nullptr;
    QTabWidget *VideoPageControl = nullptr;
    QWidget *FormatTabSheet = nullptr;
    QWidget *DeviceTabSheet = nullptr;
    QLabel *OutFileLabel = nullptr;
    QToolButton *OpenOutSpeedButton = nullptr;
    TssDropFileEdit *OutVideoFileBEdit = nullptr;
    QToolButton *OpenFileBitBtn = nullptr;
    QToolButton *OpenFolderBitBtn = nullptr;
    QPushButton *ConvertBitBtn = nullptr;
    QPushButton *StopConvBitBtn = nullptr;
    QLabel *InfoLabel = nullptr;
    QProgressBar *ProgressBar = nullptr;

    // --- format page ---
    QLabel *OutFormatLabel = nullptr;
    QComboBox *OutFormatComboBox = nullptr;
    QLabel *OutSizeLabel = nullptr;
    QComboBox *OutSizeComboBox = nullptr;
    QLabel *QualityLabel = nullptr;
    QComboBox *QualityComboBox = nullptr;
    QLabel *LowQLabel = nullptr;
    QSlider *QualityTrackBar = nullptr;
    QLabel *HiQLabel = nullptr;
    QLabel *AdditionLabel = nullptr;

    // --- device page ---
    TPageScroller *DevicePageScroller = nullptr;
    QWidget *DeviceButtonsPanel = nullptr;
    QButtonGroup *DeviceButtonGroup = nullptr;
    QList<TDeviceButton *> DeviceButtons;

    // --- main menu ---
    QMenu *N1 = nullptr; // File
    QAction *N3 = nullptr;
    QAction *OpenSourceFolderAction1 = nullptr;
    QAction *N4 = nullptr;
    QMenu *ViewMenuItem = nullptr;
    QMenu *LanguageMenuItem = nullptr;
    QAction *SoundAction1 = nullptr;
    QMenu *N2 = nullptr; // Help
    QAction *ContentsAction1 = nullptr;
    QAction *HomePageAction1 = nullptr;
    QAction *CheckUpdateAction1 = nullptr;
    QAction *AboutAction1 = nullptr;

    // --- actions ---
    QAction *OpenSourceFileAction = nullptr;
    QAction *OpenSourceFolderAction = nullptr;
    QAction *ExitAction = nullptr;
    QAction *SoundAction = nullptr;
    QAction *ContentsAction = nullptr;
    QAction *HomePageAction = nullptr;
    QAction *EmailAction = nullptr;
    QAction *CheckUpdateAction = nullptr;
    QAction *AboutAction = nullptr;

    // --- pop-up menus ---
    QMenu *SourcePopupMenu = nullptr;
    QActionGroup *SourceModeGroup = nullptr;
    QAction *OpenFileMenuItem = nullptr;
    QAction *OpenFolderMenuItem = nullptr;
    QMenu *AdditionPopupMenu = nullptr;
    QAction *NoSoundPopupMenu = nullptr;
    QAction *CopySoundsPM = nullptr;
    QAction *CopySubtitlesPM = nullptr;
    QAction *DeinterlacePM = nullptr;
    QAction *SameAspectRationPMenu = nullptr;

    // --- dialogs (what each shows; TDialogs shows them) ---
    TFileDialogRequest SourceOpenDialog;
    TFileDialogRequest SourceFileOpenDialog;
    TFileDialogRequest OutOpenDialog;

    // --- timer and images ---
    QTimer *AutoTimer = nullptr;
    // What AutoTimer does when it fires (its tag; the numbers are those other
    // programs of the family use).
    enum TAutoTimerTag
    {
        atNothing = 0,
        atStartConversion = 1,
        atClose = 4,
    };
    int AutoTimerTag = atNothing;
    TImageList ImageList16x32{32, 16};

    // Remembered item indexes of the size and quality boxes (-1 = none).
    int OutSizeComboBoxTag = 0;
    int QualityComboBoxTag = -1;

    // --- long-lived objects and fields ---
    std::unique_ptr<TQBXRegistry> MyReg;
    TLanguage Language;
    // Qt's own dialogs and buttons in the interface language.
    TQtTranslations QtTranslations;
    std::unique_ptr<TDevicePresets> DevicePresets;
    TVSourceInfo VideoSourceInfo;
    TConversionSettings ConversionSettings;

    QString CurrentLanguage;
    QStringList LNGA;
    QString HELP_FILENAME;
    QString HOMEPAGE_LINK;
    QString UPDATE_URL;

    QString ProgramDir; // with a trailing separator
    QString SoundDir;
    QString AppDataDir;

    int SelectedDeviceID = 0;
    bool isFirstEnableOutBox = true;
    bool isAutoMode = false;
    bool CloseOnCompleteFlag = false;
    int ConvertForPM_DID = 0;
    QString ConvertForAppName;
    bool SoundEnabled = true;
    // The conversion run; it lives as long as the window, so its count of
    // waits between progress updates does too.
    std::unique_ptr<TConversionRun> ConversionRun = std::make_unique<TConversionRun>();
    // How the last run started by the window ended.
    TRunOutcome LastRunOutcome = TRunOutcome::Refused;
    // The update checker with the routines of the quiet and the menu check.
    std::unique_ptr<TUpdateFlow> UpdateFlow;
    // Progress on the taskbar button; null when it cannot be shown.
    std::unique_ptr<TTaskbarProgress> TaskbarList3;
    // The desktop notice at the end of a long run; null before start-up.
    std::unique_ptr<TDesktopNotifier> Notifier;
    // Tests never see a notice unless they ask for one (and they may ask
    // for it after a shorter run).
    bool RunNoticesInTests = false;
    qint64 RunNoticeMinMs = RunNoticeAfterMs;
    // Held from start-up to close, as other programs of the family expect.
    std::unique_ptr<QLockFile> AppMutex;
    // AppDataDir was made for this start alone (no lasting folder could be
    // used) and goes at close.
    bool FreshAppDataDir = false;
    // Set by CloseForSignal: the window is on its way out.
    bool ClosingForSignal = false;

    // --- start-up and closing ---
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    // The options of QCoreApplication::arguments(), or a record already read.
    void ApplyCommandLineOptions();
    void ApplyCommandLineOptions(const TCommandLineOptions &_options);

    // --- format, size, quality and options ---
    void EnableFormatControls(bool _enable);
    void OutFormatComboBoxChange();
    void QualityComboBoxChange();
    void QualityTrackBarChange();
    void AdditionLabelClick();
    void AdditionLabelMouseEnter();
    void AdditionLabelMouseLeave();
    void AdditionPopupMenuPopup();
    void NoSoundPopupMenuClick();
    void CopySoundsPMClick();
    QString FormatExtension() const;
    void UpdateWindowCaption();
    // The size box's item that its text names; -1 for a typed size.
    int OutSizeItemIndex() const;
    void SelectOutSizeItem(int _index);
    // The record taken from the controls as they stand now.
    TConversionSettings TakeConversionSettings() const;

    // --- source and output ---
    void SetOpenAsFolder(bool _asFolder);
    void OpenBitBtnClick();
    void DropDownBitBtnClick();
    void OpenFileMenuItemClick();
    void OpenFolderMenuItemClick();
    void OpenSourceFileActionExecute();
    void OpenSourceFolderActionExecute();
    void OpenSourceFileActionUpdate();
    void OpenSourceFolderActionUpdate();
    void SelectSource(const QString &_path);
    void SourceFilenameEditDropFile(QObject *_sender, const QString &_fileName,
                                    const QPoint &_dropPoint);
    void SourceFilenameEditChange();
    QString DeriveOutputFileName(const QString &_s) const;
    void OutVideoFileBEditChange();
    void OutVideoFileBEditExit();
    void OpenOutSpeedButtonClick();
    void OpenFileBitBtnClick();
    void OpenFolderBitBtnClick();
    void EnableSourceControls(bool _enable);
    // The Open dialogs start in the folder of the last source the user opened.
    void RememberSourceFolder(const QString &_source);
    QString SourceStartFolder() const;

    // --- device page ---
    void BuildDeviceButtons();
    // The buttons' tooltips in the interface language.
    void ShowDeviceNames();
    void DeviceButtonClick(TDeviceButton *_sender);
    void VideoPageControlChange();
    // Shows a page from the code; unlike the user's switch it runs no handler.
    void SelectPage(int _index);
    void DevicePageScrollerScroll(int &_delta);
    // The preset SelectedDeviceID names, or null.
    const TDevPreset *SelectedDevice() const;

    // --- interface texts and language menu ---
    void ApplyLanguage();
    QStringList ListLanguages() const;
    void BuildLanguageMenu();
    void CheckCurrentLanguageItem();
    void ViewMenuItemClick();
    void LanguageItemClick(QObject *_sender);
    QString GetDefaultLanguage() const;
    QString Text(const TTextId &_id) const;

    // --- conversion run and its companions ---
    void ConvertBitBtnClick();
    void StopConvBitBtnClick();
    void AutoTimerTimer();
    void ShowProgress(int _percent, bool _isJoin);
    void SoundActionExecute();
    void SoundActionUpdate();
    void ExitActionExecute();
    void ContentsActionExecute();
    void HomePageActionExecute();
    void EmailActionExecute();
    void CheckUpdateActionExecute();
    void AboutActionExecute();

    // A signal asks the program to end: a run stops as Stop stops it, any
    // open dialog is cancelled, and the window closes as File > Exit closes
    // it once no wait holds it.
    void CloseForSignal();

    // --- conversion run (MainFormConversion.cpp) ---
    // True from the start of the steps of a run until its outcome is shown.
    bool ConversionRunning() const;
    // A message of section GeneralMessages by its id; empty for an unknown id.
    QString MessageText(int _messageId) const;
    // The open-file and open-folder buttons follow the output box's file.
    void UpdateOutputButtons(bool _enable);
    // The progress bar's tooltip: time left and speed while the encoder runs.
    void ShowTimeLeft(const TRunProgress &_progress);
    // Tells the desktop how a run ended when the user has turned away from it.
    void NotifyRunEnded(TRunOutcome _outcome, const QString &_outFileName, qint64 _elapsedMs,
                        bool _closesWhenDone);
    // Where the update check attaches to a run.
    void StartQuietUpdateCheck();
    void OfferUpdate();

protected:
    void closeEvent(QCloseEvent *_event) override;
    void keyPressEvent(QKeyEvent *_event) override;
    bool eventFilter(QObject *_watched, QEvent *_event) override;

private:
    void CreateControls();
    void CreateFormatPage();
    void CreateDevicePage();
    void CreateMenus();
    void CreateActions();
    void CreatePopupMenus();
    void CreateDialogs();
    void LoadImages();
    void ConnectEvents();
    void SetTabOrder();
    QAction *AddMenuItem(QMenu *_menu, QAction *_action, const QString &_name);
    void SetSourceText(const QString &_text);
    bool IsPromptText(const QString &_text) const;
    // What the update routines need of the window.
    TUpdateHost UpdateHost();
    // Selects the size item of that text, or shows a typed size.
    void SetOutSizeText(const QString &_text);

    void FitLabels();

    // Where FitLabels starts from: the design places of the labels and of
    // the controls they may move.
    QHash<QWidget *, QRect> FDesignGeometry;
    bool FClosing = false;
    // SelectSource probes once, after the output name is in place.
    bool FProbeDeferred = false;
    bool FPageFromCode = false;
};
