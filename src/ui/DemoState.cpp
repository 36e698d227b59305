#include "ui/DemoState.h"

#include "support/TextUtils.h"
#include "ui/MainForm.h"
#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/PageScroller.h"

#include "integration/RunNotice.h"
#include "localization/RunTexts.h"
#include "localization/TextIds.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// A drawing of what the notice at the end of a run says, in the look of a
// notification bubble, for pictures taken where no notification server runs.
void ShowNoticePreview(TMainForm &_window, int _messageId)
{
    TLanguage &language = _window.Language;
    const QString outcome = language.Get(lsGeneralMessages, QString::number(_messageId));
    const bool succeeded = _messageId == TextIds::Converted.Id;
    const TNotice notice =
        BuildRunNotice(outcome, succeeded, QStringLiteral("/home/user/Videos/beach_walk_2023.mp4"),
                       (2 * 60 + 5) * 1000, language);
    auto *bubble = new QFrame(&_window, Qt::Tool | Qt::FramelessWindowHint);
    bubble->setObjectName(QStringLiteral("NoticePreview"));
    bubble->setFrameShape(QFrame::Box);
    auto *layout = new QVBoxLayout(bubble);
    auto *summary = new QLabel(notice.nSummary, bubble);
    QFont bold = summary->font();
    bold.setBold(true);
    summary->setFont(bold);
    layout->addWidget(summary);
    layout->addWidget(new QLabel(notice.nBody, bubble));
    auto *buttons = new QHBoxLayout;
    for (const auto &[key, label] : notice.nActions)
        buttons->addWidget(new QPushButton(label, bubble));
    layout->addLayout(buttons);
    bubble->adjustSize();
    const QRect frame = _window.frameGeometry();
    bubble->move(frame.right() - bubble->width(), frame.bottom() - bubble->height());
    bubble->show();
}

void ShowTimeLeftTooltip(TMainForm &_window)
{
    // A run half done: 50 s of a 2 min 20 s source at 0.6 times real time.
    _window.ProgressBar->setValue(36);
    const QString text = TimeLeftText(50 * 1000, 140 * 1000, 0.6, _window.Language,
                                      LanguageLocale(_window.CurrentLanguage));
    _window.ProgressBar->setToolTip(text);
    QToolTip::showText(_window.ProgressBar->mapToGlobal(_window.ProgressBar->rect().center()), text,
                       _window.ProgressBar);
}

} // namespace

void ApplyDemoState(TMainForm &_window, const QString &_state)
{
    QString menu;
    QString dialog;
    QString tooltip;
    int notice = 0;
    for (const QString &pair : _state.split(u';', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0).trimmed();
        const QString value = pair.section(u'=', 1);
        const int number = StrToIntDef(value, -1);
        if (key == QLatin1String("source")) {
            _window.SelectSource(value);
        } else if (key == QLatin1String("format")) {
            const int index = _window.OutFormatComboBox->findText(value);
            if (index >= 0) {
                _window.OutFormatComboBox->setCurrentIndex(index);
                _window.OutFormatComboBoxChange();
            }
        } else if (key == QLatin1String("quality") && (number == 0 || number == 1)) {
            _window.QualityComboBox->setCurrentIndex(number);
            _window.QualityComboBoxChange();
        } else if (key == QLatin1String("page") && (number == 0 || number == 1)) {
            _window.VideoPageControl->setCurrentIndex(number);
        } else if (key == QLatin1String("device") && number >= 0 &&
                   number < _window.DeviceButtons.size()) {
            _window.DeviceButtons.at(number)->click();
        } else if (key == QLatin1String("scroll") && number >= 0) {
            _window.DevicePageScroller->SetPosition(number);
        } else if (key == QLatin1String("menu")) {
            menu = value;
        } else if (key == QLatin1String("dialog")) {
            dialog = value;
        } else if (key == QLatin1String("tooltip")) {
            tooltip = value;
        } else if (key == QLatin1String("notice")) {
            notice = number;
        } else if (key == QLatin1String("focus")) {
            if (auto *target = _window.findChild<QWidget *>(value)) {
                _window.activateWindow();
                target->setFocus(Qt::TabFocusReason);
            }
        }
    }
    if (tooltip == QLatin1String("progress"))
        ShowTimeLeftTooltip(_window);
    if (notice > 0)
        ShowNoticePreview(_window, notice);
    if (menu == QLatin1String("options")) {
        _window.AdditionPopupMenu->popup(
            _window.AdditionLabel->mapToGlobal(_window.AdditionLabel->rect().bottomLeft()));
    } else if (menu == QLatin1String("source")) {
        _window.DropDownBitBtnClick();
    } else {
        QMenu *bar = menu == QLatin1String("file")   ? _window.N1
                     : menu == QLatin1String("view") ? _window.ViewMenuItem
                     : menu == QLatin1String("help") ? _window.N2
                                                     : nullptr;
        if (bar)
            _window.MainMenu->setActiveAction(bar->menuAction());
    }
    // Last: the box is modal and holds this call until it closes.
    if (dialog == QLatin1String("about"))
        _window.AboutActionExecute();
    else if (dialog == QLatin1String("folder"))
        _window.OpenFolderMenuItemClick();
}

void StartDemo(TMainForm &_window, const QString &_state, const QString &_picture, int _settleMs)
{
    QTimer::singleShot(300, &_window, [&_window, _state]() { ApplyDemoState(_window, _state); });
    if (_picture.isEmpty())
        return;
    QTimer::singleShot(300 + std::max(200, _settleMs > 0 ? _settleMs : 1500), &_window,
                       [_picture]() {
                           QScreen *screen = QGuiApplication::primaryScreen();
                           if (screen)
                               screen->grabWindow(0).save(_picture);
                           // Also ends a modal box's loop.
                           QCoreApplication::exit(0);
                       });
}
