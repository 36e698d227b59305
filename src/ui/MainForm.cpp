// Construction and layout of the main window: every control in its design
// state, at its 96 dpi position, with its events wired to the handlers.

#include "ui/MainForm.h"

#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "conversion/OutputRules.h"
#include "support/PathUtils.h"
#include "ui/DemoState.h"
#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/DropFileEdit.h"
#include "ui/widgets/PageScroller.h"
#include "ui/widgets/TrackBar.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

const QString TMainForm::AppTitle = QStringLiteral("Frobnik");

namespace {

// The client area at 96 dots per inch.
constexpr int ClientWidth = 477;
constexpr int ClientHeight = 294;

QFont WindowFont(int _pixelSize, bool _bold = false)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(_pixelSize);
    font.setBold(_bold);
    return font;
}

template <typename T> T *Named(T *_object, const char *_name)
{
    _object->setObjectName(QLatin1String(_name));
    return _object;
}

QLabel *MakeLabel(QWidget *_parent, const char *_name, const QString &_text, const QRect &_rect)
{
    auto *label = Named(new QLabel(_text, _parent), _name);
    label->setGeometry(_rect);
    // On the button-face client area a label would paint in the button text
    // colour and ignore the colour given to it.
    label->setForegroundRole(QPalette::WindowText);
    return label;
}

// A label's text colour while it is enabled; disabled it greys as any label.
void SetTextColor(QLabel *_label, const QColor &_color)
{
    QPalette palette = _label->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, _color);
    _label->setPalette(palette);
}

// A greyed copy of a glyph, for pictures that come without one.
QPixmap Greyed(const QPixmap &_pixmap)
{
    QImage image = _pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 128 + qGray(line[x]) / 3;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 3 / 4);
        }
    }
    return QPixmap::fromImage(image);
}

// A picture made of two glyphs side by side (normal, greyed) as an icon;
// without the file, the fallback glyph and a greyed copy of it.
QIcon PairIcon(const QString &_file, const QIcon &_fallback, int _size)
{
    QPixmap pair;
    if (!pair.load(_file) || pair.width() < 2) {
        const QPixmap normal = _fallback.pixmap(_size, _size);
        QIcon icon(normal);
        icon.addPixmap(Greyed(normal), QIcon::Disabled);
        return icon;
    }
    const int half = pair.width() / 2;
    QIcon icon(pair.copy(0, 0, half, pair.height()));
    icon.addPixmap(pair.copy(half, 0, half, pair.height()), QIcon::Disabled);
    return icon;
}

QPixmap DrawnChevron()
{
    QPixmap pixmap(24, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < 2; ++i) {
        QPainterPath path;
        const qreal x = i * 12;
        path.moveTo(x + 2.5, 4);
        path.lineTo(x + 9.5, 4);
        path.lineTo(x + 6, 8);
        path.closeSubpath();
        painter.fillPath(path, i == 0 ? QColor(0x20, 0x20, 0x20) : QColor(0xa0, 0xa0, 0xa0));
    }
    return pixmap;
}

// The banner drawn when its picture is missing: the same light-to-deep blue.
QPixmap DrawnBanner()
{
    QPixmap pixmap(459, 36);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 459, 0);
    gradient.setColorAt(0, QColor(0x7f, 0xb2, 0xe5));
    gradient.setColorAt(1, QColor(0x10, 0x3a, 0x8c));
    painter.fillRect(pixmap.rect(), gradient);
    return pixmap;
}

} // namespace

QIcon TImageList::Glyph(int _index) const
{
    if (_index < 0 || _index >= FImages.size())
        return QIcon();
    const QPixmap &pair = FImages.at(_index);
    const int half = pair.width() / 2;
    QIcon icon(pair.copy(0, 0, half, pair.height()));
    icon.addPixmap(pair.copy(half, 0, half, pair.height()), QIcon::Disabled);
    return icon;
}

TMainForm::TMainForm(QWidget *_parent) : QMainWindow(_parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(AppTitle);
    setFont(WindowFont(11));
    // A fixed dialog-like frame: system menu and minimise only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    CreateActions();
    CreateMenus();
    CreatePopupMenus();
    CreateControls();
    CreateDialogs();
    LoadImages();
    ConnectEvents();
    SetTabOrder();

    AutoTimer = Named(new QTimer(this), "AutoTimer");
    // The automatic start waits a second for the window to settle. Tests that
    // start the program many times shorten the wait through the environment.
    const int autoStartMs = qEnvironmentVariableIntValue("FROBNIK_AUTO_START_MS");
    AutoTimer->setInterval(autoStartMs > 0 ? autoStartMs : 1000);
    connect(AutoTimer, &QTimer::timeout, this, &TMainForm::AutoTimerTimer);

    setFixedSize(ClientWidth, ClientHeight + MainMenu->sizeHint().height());

    FormCreate();
    // The first control of the tab order has the focus when the window opens.
    OpenBitBtn->setFocus(Qt::OtherFocusReason);

    // A hidden hook for taking pictures of the window in a chosen state.
    const QString demo = qEnvironmentVariable("FROBNIK_UI_DEMO");
    const QString picture = qEnvironmentVariable("FROBNIK_UI_PICTURE");
    if (!demo.isEmpty() || !picture.isEmpty())
        StartDemo(*this, demo, picture, qEnvironmentVariableIntValue("FROBNIK_UI_SETTLE_MS"));
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateActions()
{
    const auto make = [this](const char *_name, const QString &_caption) {
        auto *action = Named(new QAction(_caption, this), _name);
        addAction(action);
        return action;
    };
    OpenSourceFileAction = make("OpenSourceFileAction", QStringLiteral("Открыть"));
    OpenSourceFolderAction =
        make("OpenSourceFolderAction", QStringLiteral("OpenSourceFolderAction"));
    ExitAction = make("ExitAction", QStringLiteral("Выход"));
    SoundAction = make("SoundAction", QStringLiteral("SoundAction"));
    SoundAction->setCheckable(true);
    ContentsAction = make("ContentsAction", QStringLiteral("Содержание"));
    ContentsAction->setShortcut(QKeySequence(Qt::Key_F1));
    ContentsAction->setShortcutContext(Qt::WindowShortcut);
    HomePageAction = make("HomePageAction", QStringLiteral("HomePageAction"));
    EmailAction = make("EmailAction", QStringLiteral("EmailAction"));
    CheckUpdateAction = make("CheckUpdateAction", QStringLiteral("CheckUpdateAction"));
    AboutAction = make("AboutAction", QStringLiteral("AboutAction"));
}

QAction *TMainForm::AddMenuItem(QMenu *_menu, QAction *_action, const QString &_name)
{
    // A menu item of its own that follows its action, as a linked menu item
    // does: caption, enabled state, check mark and the shown shortcut.
    auto *item = new QAction(_action->text(), _menu);
    item->setObjectName(_name);
    // The item only shows the action's shortcut, in the menu's shortcut
    // column; a shortcut of its own would claim the key a second time, and
    // Qt answers a key claimed twice with neither.
    const auto follow = [item, _action]() {
        const QString key = _action->shortcut().toString(QKeySequence::NativeText);
        item->setText(key.isEmpty() ? _action->text() : _action->text() + u'\t' + key);
        item->setEnabled(_action->isEnabled());
        item->setCheckable(_action->isCheckable());
        item->setChecked(_action->isChecked());
    };
    follow();
    connect(_action, &QAction::changed, item, follow);
    connect(item, &QAction::triggered, _action, [_action]() { _action->trigger(); });
    _menu->addAction(item);
    return item;
}

void TMainForm::CreateMenus()
{
    MainMenu = Named(new QMenuBar(this), "MainMenu");
    setMenuBar(MainMenu);

    N1 = Named(MainMenu->addMenu(QStringLiteral("Файл")), "N1");
    N3 = AddMenuItem(N1, OpenSourceFileAction, QStringLiteral("N3"));
    OpenSourceFolderAction1 =
        AddMenuItem(N1, OpenSourceFolderAction, QStringLiteral("OpenSourceFolderAction1"));
    N1->addSeparator();
    N4 = AddMenuItem(N1, ExitAction, QStringLiteral("N4"));

    ViewMenuItem = Named(MainMenu->addMenu(QStringLiteral("Вид")), "ViewMenuItem");
    LanguageMenuItem = Named(ViewMenuItem->addMenu(QStringLiteral("Language")), "LanguageMenuItem");
    SoundAction1 = AddMenuItem(ViewMenuItem, SoundAction, QStringLiteral("SoundAction1"));

    N2 = Named(MainMenu->addMenu(QStringLiteral("Справка")), "N2");
    ContentsAction1 = AddMenuItem(N2, ContentsAction, QStringLiteral("ContentsAction1"));
    HomePageAction1 = AddMenuItem(N2, HomePageAction, QStringLiteral("HomePageAction1"));
    N2->addSeparator();
    CheckUpdateAction1 = AddMenuItem(N2, CheckUpdateAction, QStringLiteral("CheckUpdateAction1"));
    N2->addSeparator();
    AboutAction1 = AddMenuItem(N2, AboutAction, QStringLiteral("AboutAction1"));
}

void TMainForm::CreatePopupMenus()
{
    SourcePopupMenu = Named(new QMenu(this), "SourcePopupMenu");
    SourceModeGroup = new QActionGroup(this);
    SourceModeGroup->setExclusive(true);
    OpenFileMenuItem =
        Named(SourcePopupMenu->addAction(QStringLiteral("File")), "OpenFileMenuItem");
    OpenFolderMenuItem =
        Named(SourcePopupMenu->addAction(QStringLiteral("Folder")), "OpenFolderMenuItem");
    for (QAction *item : {OpenFileMenuItem, OpenFolderMenuItem}) {
        item->setCheckable(true);
        SourceModeGroup->addAction(item);
    }

    AdditionPopupMenu = Named(new QMenu(this), "AdditionPopupMenu");
    const auto option = [this](const char *_name, const QString &_caption) {
        QAction *item = Named(AdditionPopupMenu->addAction(_caption), _name);
        item->setCheckable(true);
        return item;
    };
    NoSoundPopupMenu = option("NoSoundPopupMenu", QStringLiteral("Без звука"));
    CopySoundsPM = option("CopySoundsPM", QStringLiteral("Save original sound streams"));
    CopySubtitlesPM = option("CopySubtitlesPM", QStringLiteral("Save subtitles"));
    DeinterlacePM = option("DeinterlacePM", QStringLiteral("Deinterlacing"));
    SameAspectRationPMenu = option("SameAspectRationPMenu", QStringLiteral("Сохранять пропорции"));
}

void TMainForm::CreateControls()
{
    auto *client = Named(new QWidget(this), "ClientArea");
    client->setAutoFillBackground(true);
    client->setBackgroundRole(QPalette::Button);
    setCentralWidget(client);

    SourceFileNameLabel = MakeLabel(client, "SourceFileNameLabel",
                                    QStringLiteral("Файл для конвертирования:"), {8, 13, 168, 13});
    SourceFilenameEdit = Named(new TssDropFileEdit(client), "SourceFilenameEdit");
    SourceFilenameEdit->setGeometry(8, 29, 353, 22);
    SourceFilenameEdit->setFont(WindowFont(12));
    SourceFilenameEdit->setText(QStringLiteral("SourceFilenameEdit"));

    OpenBitBtn = Named(new QPushButton(QStringLiteral("Открыть"), client), "OpenBitBtn");
    OpenBitBtn->setGeometry(366, 27, 86, 25);
    OpenBitBtn->setAutoDefault(false);
    OpenBitBtn->setContextMenuPolicy(Qt::CustomContextMenu);
    DropDownBitBtn = Named(new QPushButton(client), "DropDownBitBtn");
    DropDownBitBtn->setGeometry(451, 27, 18, 25);
    DropDownBitBtn->setAutoDefault(false);
    DropDownBitBtn->setIconSize(QSize(12, 12));

    Image1 = Named(new QLabel(client), "Image1");
    Image1->setGeometry(8, 57, 458, 34);
    Image1->setScaledContents(true);
    ConvertToLabel =
        MakeLabel(client, "ConvertToLabel", QStringLiteral("ConvertToLabel"), {48, 65, 127, 20});
    ConvertToLabel->setFont(WindowFont(16));
    {
        QPalette palette = ConvertToLabel->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        ConvertToLabel->setPalette(palette);
        auto *glow = new QGraphicsDropShadowEffect(ConvertToLabel);
        glow->setOffset(0, 0);
        glow->setBlurRadius(4);
        glow->setColor(QColor(0x0a, 0x24, 0x5a));
        ConvertToLabel->setGraphicsEffect(glow);
    }

    VideoPageControl = Named(new QTabWidget(client), "VideoPageControl");
    VideoPageControl->setGeometry(8, 91, 460, 128);
    FormatTabSheet = Named(new QWidget, "FormatTabSheet");
    DeviceTabSheet = Named(new QWidget, "DeviceTabSheet");
    VideoPageControl->addTab(FormatTabSheet, QStringLiteral("Формат"));
    VideoPageControl->addTab(DeviceTabSheet, QStringLiteral("Устройство"));
    VideoPageControl->setCurrentIndex(0);
    CreateFormatPage();
    CreateDevicePage();

    OutFileLabel = MakeLabel(client, "OutFileLabel", QStringLiteral("Файл:"), {18, 234, 35, 13});
    OpenOutSpeedButton = Named(new QToolButton(client), "OpenOutSpeedButton");
    OpenOutSpeedButton->setGeometry(83, 227, 25, 25);
    OpenOutSpeedButton->setIconSize(QSize(16, 16));
    OpenOutSpeedButton->setFocusPolicy(Qt::NoFocus);
    OutVideoFileBEdit = Named(new TssDropFileEdit(client), "OutVideoFileBEdit");
    OutVideoFileBEdit->setGeometry(114, 229, 280, 22);
    OutVideoFileBEdit->setFont(WindowFont(12));
    OutVideoFileBEdit->SetAcceptFile(false);
    OpenFileBitBtn = Named(new QToolButton(client), "OpenFileBitBtn");
    OpenFileBitBtn->setGeometry(397, 224, 32, 32);
    OpenFolderBitBtn = Named(new QToolButton(client), "OpenFolderBitBtn");
    OpenFolderBitBtn->setGeometry(435, 224, 32, 32);
    for (QToolButton *button : {OpenFileBitBtn, OpenFolderBitBtn}) {
        button->setAutoRaise(true);
        button->setIconSize(QSize(24, 24));
        button->setFocusPolicy(Qt::NoFocus);
    }

    ConvertBitBtn =
        Named(new QPushButton(QStringLiteral("Конвертировать"), client), "ConvertBitBtn");
    ConvertBitBtn->setGeometry(8, 261, 113, 25);
    ConvertBitBtn->setDefault(true);
    StopConvBitBtn = Named(new QPushButton(QStringLiteral("Отменить"), client), "StopConvBitBtn");
    StopConvBitBtn->setGeometry(127, 262, 75, 25);
    StopConvBitBtn->setAutoDefault(false);
    StopConvBitBtn->setEnabled(false);

    // The status line spans the progress bar so its centred text stays whole.
    InfoLabel = MakeLabel(client, "InfoLabel", QStringLiteral("InfoLabel"), {210, 257, 257, 13});
    InfoLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    InfoLabel->setFont(WindowFont(11, true));
    ProgressBar = Named(new QProgressBar(client), "ProgressBar");
    ProgressBar->setGeometry(210, 272, 257, 14);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    // The window shows tooltips on the listed controls only; the others
    // carry no tooltip text.
}

void TMainForm::CreateFormatPage()
{
    QWidget *page = FormatTabSheet;
    OutFormatLabel = MakeLabel(page, "OutFormatLabel", QStringLiteral("Формат:"), {4, 15, 47, 13});
    OutFormatComboBox = Named(new QComboBox(page), "OutFormatComboBox");
    OutFormatComboBox->setGeometry(70, 10, 145, 21);
    OutFormatComboBox->addItems(OutputFormatNames());
    OutFormatComboBox->setMaxVisibleItems(20);
    OutFormatComboBox->setCurrentIndex(-1);

    OutSizeLabel = MakeLabel(page, "OutSizeLabel", QStringLiteral("Размер:"), {292, 15, 46, 13});
    OutSizeComboBox = Named(new QComboBox(page), "OutSizeComboBox");
    OutSizeComboBox->setGeometry(344, 10, 97, 21);
    OutSizeComboBox->setEditable(true);
    OutSizeComboBox->setInsertPolicy(QComboBox::NoInsert);
    OutSizeComboBox->addItems(
        {QStringLiteral("Исходный"), QStringLiteral("176x144"), QStringLiteral("320x240"),
         QStringLiteral("480x320"), QStringLiteral("640x480"), QStringLiteral("720x576"),
         QStringLiteral("852x480"), QStringLiteral("1280x720"), QStringLiteral("1920x1080")});
    OutSizeComboBox->setMaxVisibleItems(20);
    OutSizeComboBox->setCurrentIndex(0);

    QualityLabel = MakeLabel(page, "QualityLabel", QStringLiteral("Качество:"), {4, 52, 59, 13});
    QualityComboBox = Named(new QComboBox(page), "QualityComboBox");
    QualityComboBox->setGeometry(69, 47, 84, 21);
    QualityComboBox->addItems({QStringLiteral("Исходное"), QStringLiteral("Другое")});
    QualityComboBox->setCurrentIndex(0);

    LowQLabel = MakeLabel(page, "LowQLabel", QStringLiteral("низкое"), {174, 52, 41, 13});
    LowQLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QualityTrackBar = Named(new TTrackBar(page), "QualityTrackBar");
    QualityTrackBar->setGeometry(219, 48, 166, 27);
    QualityTrackBar->setRange(0, MaxQualityPosition);
    QualityTrackBar->setTickPosition(QSlider::TicksBelow);
    QualityTrackBar->setTickInterval(1);
    QualityTrackBar->setSingleStep(1);
    QualityTrackBar->setPageStep(2);
    QualityTrackBar->setValue(8);
    HiQLabel = MakeLabel(page, "HiQLabel", QStringLiteral("высокое"), {388, 52, 50, 13});

    AdditionLabel =
        MakeLabel(page, "AdditionLabel", QStringLiteral("Дополнительно"), {351, 84, 90, 13});
    AdditionLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    AdditionLabel->setCursor(Qt::PointingHandCursor);
    // A link reached with Tab opens its menu with Space, Enter or Down.
    AdditionLabel->setFocusPolicy(Qt::TabFocus);
    AdditionLabel->setContextMenuPolicy(Qt::CustomContextMenu);
    SetTextColor(AdditionLabel, QColor(0x00, 0x00, 0x80));
    AdditionLabel->installEventFilter(this);
}

void TMainForm::CreateDevicePage()
{
    DevicePageScroller = Named(new TPageScroller(DeviceTabSheet), "DevicePageScroller");
    DevicePageScroller->setGeometry(5, 14, 441, 71);
    DeviceButtonsPanel = Named(new QWidget, "DeviceButtonsPanel");
    DeviceButtonsPanel->setGeometry(0, 0, 475, 71);
    DevicePageScroller->SetControl(DeviceButtonsPanel);
    DeviceButtonGroup = new QButtonGroup(this);
    DeviceButtonGroup->setObjectName(QStringLiteral("DeviceButtonGroup"));
    DeviceButtonGroup->setExclusive(true);
}

void TMainForm::CreateDialogs()
{
    SourceOpenDialog.fdFilter = SourceMediaFilter();
    SourceOpenDialog.fdMustExist = true;

    // The folder picker shows the media files of the first filter entry;
    // no language text names it, so it carries the window's title.
    SourceFileOpenDialog.fdTitle = AppTitle;
    SourceFileOpenDialog.fdFilter = SourceMediaFilter().section(u'|', 0, 1);
    SourceFileOpenDialog.fdPickFolder = true;

    OutOpenDialog.fdFilter = OutOpenDialogFilter();
    OutOpenDialog.fdMustExist = false;
}

void TMainForm::LoadImages()
{
    const QString images = JoinPath(ProgramFolder(), QStringLiteral("images"));
    const auto file = [&images](const char *_name) {
        return JoinPath(images, QLatin1String(_name));
    };
    QStyle *st = style();

    QPixmap banner;
    Image1->setPixmap(banner.load(file("banner.png")) ? banner : DrawnBanner());

    // The two images of the open button: a file and a folder.
    const char *pairs[] = {"imagelist16x32_0.png", "imagelist16x32_1.png"};
    const QStyle::StandardPixmap fallbacks[] = {QStyle::SP_FileIcon, QStyle::SP_DirIcon};
    for (int i = 0; i < 2; ++i) {
        QPixmap pair;
        if (!pair.load(file(pairs[i])) || pair.size() != QSize(32, 16)) {
            const QPixmap normal = st->standardIcon(fallbacks[i]).pixmap(16, 16);
            pair = QPixmap(32, 16);
            pair.fill(Qt::transparent);
            QPainter painter(&pair);
            painter.drawPixmap(0, 0, normal);
            painter.drawPixmap(16, 0, Greyed(normal));
        }
        ImageList16x32.Add(pair);
    }
    OpenBitBtn->setIconSize(QSize(16, 16));

    QPixmap chevron;
    if (!chevron.load(file("dropdown_12.png")))
        chevron = DrawnChevron();
    QIcon chevronIcon(chevron.copy(0, 0, chevron.width() / 2, chevron.height()));
    chevronIcon.addPixmap(
        chevron.copy(chevron.width() / 2, 0, chevron.width() / 2, chevron.height()),
        QIcon::Disabled);
    DropDownBitBtn->setIcon(chevronIcon);

    OpenOutSpeedButton->setIcon(
        PairIcon(file("output_folder_16.png"), st->standardIcon(QStyle::SP_DialogSaveButton), 16));
    OpenFileBitBtn->setIcon(
        PairIcon(file("play_file_24.png"), st->standardIcon(QStyle::SP_MediaPlay), 24));
    OpenFolderBitBtn->setIcon(
        PairIcon(file("open_folder_24.png"), st->standardIcon(QStyle::SP_DirOpenIcon), 24));

    QPixmap appIcon;
    if (appIcon.load(file("frobnik.png")))
        setWindowIcon(appIcon);
}

void TMainForm::ConnectEvents()
{
    connect(SourceFilenameEdit, &QLineEdit::textChanged, this,
            &TMainForm::SourceFilenameEditChange);
    connect(SourceFilenameEdit, &TssDropFileEdit::OnDropFile, this,
            &TMainForm::SourceFilenameEditDropFile);
    connect(OpenBitBtn, &QPushButton::clicked, this, &TMainForm::OpenBitBtnClick);
    connect(OpenBitBtn, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &_pos) { SourcePopupMenu->popup(OpenBitBtn->mapToGlobal(_pos)); });
    connect(DropDownBitBtn, &QPushButton::clicked, this, &TMainForm::DropDownBitBtnClick);
    connect(VideoPageControl, &QTabWidget::currentChanged, this, [this]() {
        if (!FPageFromCode)
            VideoPageControlChange();
    });
    connect(OpenOutSpeedButton, &QToolButton::clicked, this, &TMainForm::OpenOutSpeedButtonClick);
    connect(OutVideoFileBEdit, &QLineEdit::textChanged, this, &TMainForm::OutVideoFileBEditChange);
    connect(OutVideoFileBEdit, &TssDropFileEdit::OnExit, this, &TMainForm::OutVideoFileBEditExit);
    connect(OpenFileBitBtn, &QToolButton::clicked, this, &TMainForm::OpenFileBitBtnClick);
    connect(OpenFolderBitBtn, &QToolButton::clicked, this, &TMainForm::OpenFolderBitBtnClick);
    connect(ConvertBitBtn, &QPushButton::clicked, this, &TMainForm::ConvertBitBtnClick);
    connect(StopConvBitBtn, &QPushButton::clicked, this, &TMainForm::StopConvBitBtnClick);

    connect(OutFormatComboBox, &QComboBox::activated, this, &TMainForm::OutFormatComboBoxChange);
    connect(QualityComboBox, &QComboBox::activated, this, &TMainForm::QualityComboBoxChange);
    connect(QualityTrackBar, &QSlider::valueChanged, this, &TMainForm::QualityTrackBarChange);
    connect(AdditionLabel, &QWidget::customContextMenuRequested, this, [this](const QPoint &_pos) {
        AdditionPopupMenu->popup(AdditionLabel->mapToGlobal(_pos));
    });
    connect(AdditionPopupMenu, &QMenu::aboutToShow, this, &TMainForm::AdditionPopupMenuPopup);
    connect(NoSoundPopupMenu, &QAction::triggered, this, &TMainForm::NoSoundPopupMenuClick);
    connect(CopySoundsPM, &QAction::triggered, this, &TMainForm::CopySoundsPMClick);

    connect(DevicePageScroller, &TPageScroller::Scroll, this, &TMainForm::DevicePageScrollerScroll);

    connect(OpenFileMenuItem, &QAction::triggered, this, &TMainForm::OpenFileMenuItemClick);
    connect(OpenFolderMenuItem, &QAction::triggered, this, &TMainForm::OpenFolderMenuItemClick);
    connect(OpenSourceFileAction, &QAction::triggered, this,
            &TMainForm::OpenSourceFileActionExecute);
    connect(OpenSourceFolderAction, &QAction::triggered, this,
            &TMainForm::OpenSourceFolderActionExecute);
    connect(N1, &QMenu::aboutToShow, this, [this]() {
        OpenSourceFileActionUpdate();
        OpenSourceFolderActionUpdate();
    });
    connect(ViewMenuItem, &QMenu::aboutToShow, this, [this]() {
        ViewMenuItemClick();
        SoundActionUpdate();
    });
    connect(ExitAction, &QAction::triggered, this, &TMainForm::ExitActionExecute);
    connect(SoundAction, &QAction::triggered, this, &TMainForm::SoundActionExecute);
    connect(ContentsAction, &QAction::triggered, this, &TMainForm::ContentsActionExecute);
    connect(HomePageAction, &QAction::triggered, this, &TMainForm::HomePageActionExecute);
    connect(EmailAction, &QAction::triggered, this, &TMainForm::EmailActionExecute);
    connect(CheckUpdateAction, &QAction::triggered, this, &TMainForm::CheckUpdateActionExecute);
    connect(AboutAction, &QAction::triggered, this, &TMainForm::AboutActionExecute);
}

void TMainForm::SelectPage(int _index)
{
    FPageFromCode = true;
    VideoPageControl->setCurrentIndex(_index);
    FPageFromCode = false;
}

// Labels take the width of their text, as auto-sized labels do; a
// right-aligned label keeps its right edge. Where a language's caption is
// longer than the design allows, the control it names makes room: the
// design geometry holds wherever the texts fit it.
void TMainForm::FitLabels()
{
    // From the design places every time, so a shorter language gets them back.
    if (FDesignGeometry.isEmpty())
        for (QWidget *w : std::initializer_list<QWidget *>{
                 SourceFileNameLabel, ConvertToLabel, OutFormatLabel, OutSizeLabel, QualityLabel,
                 LowQLabel, HiQLabel, AdditionLabel, OutFileLabel, OutFormatComboBox,
                 QualityComboBox, OpenOutSpeedButton, OutVideoFileBEdit})
            FDesignGeometry.insert(w, w->geometry());
    for (auto it = FDesignGeometry.cbegin(); it != FDesignGeometry.cend(); ++it)
        it.key()->setGeometry(it.value());

    for (QLabel *label : {SourceFileNameLabel, ConvertToLabel, OutFormatLabel, OutSizeLabel,
                          QualityLabel, LowQLabel, HiQLabel, AdditionLabel, OutFileLabel}) {
        const int width = std::max(1, label->fontMetrics().horizontalAdvance(label->text()) + 1);
        QRect rect = label->geometry();
        if (label->alignment() & Qt::AlignRight)
            rect.setLeft(rect.right() + 1 - width);
        else
            rect.setWidth(width);
        label->setGeometry(rect);
    }

    // Room a label needs before the control it names.
    constexpr int Gap = 6;
    const auto overflow = [](QWidget *_label, QWidget *_control) {
        return _label->geometry().right() + 1 + Gap - _control->x();
    };
    // The format box and the output box keep their right edges and give
    // up width; the quality box moves as a whole, towards its track bar.
    if (const int more = overflow(OutFormatLabel, OutFormatComboBox); more > 0)
        OutFormatComboBox->setGeometry(OutFormatComboBox->geometry().adjusted(more, 0, 0, 0));
    if (const int more = overflow(QualityLabel, QualityComboBox); more > 0)
        QualityComboBox->move(QualityComboBox->x() + more, QualityComboBox->y());
    if (const int more = overflow(OutFileLabel, OpenOutSpeedButton); more > 0) {
        OpenOutSpeedButton->move(OpenOutSpeedButton->x() + more, OpenOutSpeedButton->y());
        OutVideoFileBEdit->setGeometry(OutVideoFileBEdit->geometry().adjusted(more, 0, 0, 0));
    }
    // The size label has room on its left, up to the format box.
    if (const int more = overflow(OutSizeLabel, OutSizeComboBox); more > 0)
        OutSizeLabel->move(
            std::max(OutFormatComboBox->geometry().right() + 1 + Gap, OutSizeLabel->x() - more),
            OutSizeLabel->y());
}

void TMainForm::SetTabOrder()
{
    // Window: OpenBitBtn, DropDownBitBtn, ConvertBitBtn, StopConvBitBtn,
    // SourceFilenameEdit, VideoPageControl, OutVideoFileBEdit; inside the
    // format page: format, size, track bar, quality box.
    // The options link and, on the device page, the device strip follow.
    QWidget *order[] = {OpenBitBtn,         DropDownBitBtn,   ConvertBitBtn,     StopConvBitBtn,
                        SourceFilenameEdit, VideoPageControl, OutFormatComboBox, OutSizeComboBox,
                        QualityTrackBar,    QualityComboBox,  AdditionLabel,     DevicePageScroller,
                        OutVideoFileBEdit};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

bool TMainForm::eventFilter(QObject *_watched, QEvent *_event)
{
    if (_watched == AdditionLabel) {
        switch (_event->type()) {
        case QEvent::Enter:
            AdditionLabelMouseEnter();
            break;
        case QEvent::Leave:
            if (!AdditionLabel->hasFocus())
                AdditionLabelMouseLeave();
            break;
        case QEvent::FocusIn:
            AdditionLabelMouseEnter();
            break;
        case QEvent::FocusOut:
            if (!AdditionLabel->underMouse())
                AdditionLabelMouseLeave();
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(_event)->key();
            if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
                key == Qt::Key_Down) {
                if (AdditionLabel->isEnabled())
                    AdditionPopupMenu->popup(
                        AdditionLabel->mapToGlobal(AdditionLabel->rect().bottomLeft()));
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(_event)->button() == Qt::LeftButton &&
                AdditionLabel->isEnabled() &&
                AdditionLabel->rect().contains(
                    static_cast<QMouseEvent *>(_event)->position().toPoint()))
                AdditionLabelClick();
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(_watched, _event);
}

// Enter presses the default button wherever the focus is, except on another
// button, which Enter presses instead. A key press comes here only when the
// focused control leaves it alone, so an open drop-down list or menu, which
// takes Enter to choose an item, never starts a conversion.
void TMainForm::keyPressEvent(QKeyEvent *_event)
{
    if ((_event->key() == Qt::Key_Return || _event->key() == Qt::Key_Enter) &&
        !(_event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        _event->accept();
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget())) {
            if (button->isEnabled())
                button->animateClick();
        } else if (ConvertBitBtn->isEnabled() && ConvertBitBtn->isVisible()) {
            ConvertBitBtn->click();
        }
        return;
    }
    QMainWindow::keyPressEvent(_event);
}

void TMainForm::closeEvent(QCloseEvent *_event)
{
    if (!FormCloseQuery()) {
        _event->ignore();
        return;
    }
    if (!FClosing) {
        FClosing = true;
        FormClose();
    }
    _event->accept();
}
