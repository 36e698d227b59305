#include "fonts/PinnedFonts.h"
#include "localization/TextIds.h"
#include "ui/MainFormFixture.h"
#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/PageScroller.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QToolButton>

namespace {

QString NameOf(const QWidget *_w)
{
    return _w->objectName().isEmpty() ? QString::fromLatin1(_w->metaObject()->className())
                                      : _w->objectName();
}

// The widgets a reader looks at on one parent: shown, and drawn by us.
QList<QWidget *> ShownChildren(QWidget *_parent)
{
    QList<QWidget *> shown;
    for (QWidget *child : _parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isVisibleTo(_parent) && !child->isWindow())
            shown.append(child);
    return shown;
}

// The letter after a single "&", lowered; null without one.
QChar Accelerator(const QString &_text)
{
    for (qsizetype i = 0; i + 1 < _text.size(); ++i) {
        if (_text.at(i) != u'&')
            continue;
        if (_text.at(i + 1) == u'&') {
            ++i;
            continue;
        }
        return _text.at(i + 1).toLower();
    }
    return QChar();
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void textsWholeApartAndInside_data();
    void textsWholeApartAndInside();
    void statusTextsFit_data();
    void statusTextsFit();
    void acceleratorsUniquePerMenu_data();
    void acceleratorsUniquePerMenu();
    void bannerCaptionWhiteAndLinkNavy_data();
    void bannerCaptionWhiteAndLinkNavy();
    void trackBarDrawsNoRange();

private:
    TMainForm &Window(const QString &_language);
    void CheckWhole(QWidget *_w);
    void CheckApart(QWidget *_parent);

    std::unique_ptr<TProgramFolder> FProgram;
    std::unique_ptr<QTemporaryDir> FMedia;
    std::unique_ptr<TMainForm> FWindow;
};

void TestLayout::initTestCase()
{
    VerifyPinnedFonts();
    TDialogs::SetTestMode(true);
    SetEncoderProgram(FakeEncoderPath());
}

void TestLayout::init()
{
    ResetSettings();
    TDialogs::ResetForTest();
    FProgram = std::make_unique<TProgramFolder>();
    QVERIFY(FProgram->Valid());
    FMedia = std::make_unique<QTemporaryDir>();
}

void TestLayout::cleanup()
{
    FWindow.reset();
    FProgram.reset();
    FMedia.reset();
}

TMainForm &TestLayout::Window(const QString &_language)
{
    WriteSetting("Language", _language);
    FWindow = std::make_unique<TMainForm>();
    FWindow->show();
    if (!QTest::qWaitForWindowExposed(FWindow.get()))
        qWarning("window not exposed");
    return *FWindow;
}

// A text is whole when its control is wide and tall enough for it, and the
// control lies inside its parent.
void TestLayout::CheckWhole(QWidget *_w)
{
    const QString name = NameOf(_w);
    QVERIFY2(_w->parentWidget()->rect().contains(_w->geometry()),
             qPrintable(name + QStringLiteral(" leaves its parent")));
    const QFontMetrics metrics(_w->font());
    if (auto *label = qobject_cast<QLabel *>(_w)) {
        if (label->pixmap().isNull() && !label->text().isEmpty()) {
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(name + QStringLiteral(": ") + label->text()));
            QVERIFY2(metrics.tightBoundingRect(label->text()).height() <= label->height(),
                     qPrintable(name));
        }
    } else if (auto *button = qobject_cast<QPushButton *>(_w);
               button && !button->text().isEmpty()) {
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        // A few pixels of frame and air on each side.
        QVERIFY2(metrics.horizontalAdvance(button->text()) + icon + 8 <= button->width(),
                 qPrintable(name + QStringLiteral(": ") + button->text()));
    } else if (auto *combo = qobject_cast<QComboBox *>(_w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i)
            QVERIFY2(metrics.horizontalAdvance(combo->itemText(i)) <= field.width(),
                     qPrintable(name + QStringLiteral(": ") + combo->itemText(i)));
    } else if (auto *tabs = qobject_cast<QTabWidget *>(_w)) {
        QTabBar *bar = tabs->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            QVERIFY2(bar->rect().contains(bar->tabRect(i)), qPrintable(bar->tabText(i)));
            QVERIFY2(bar->fontMetrics().horizontalAdvance(bar->tabText(i)) <
                         bar->tabRect(i).width(),
                     qPrintable(bar->tabText(i)));
        }
    }
}

// No two shown controls of one parent on top of each other. By design the
// banner's caption stands on the banner, and the open button and its
// drop-down arrow share an edge as one split button.
void TestLayout::CheckApart(QWidget *_parent)
{
    const QList<QWidget *> shown = ShownChildren(_parent);
    for (QWidget *a : shown) {
        CheckWhole(a);
        for (QWidget *b : shown) {
            if (a >= b || a == FWindow->Image1 || b == FWindow->Image1)
                continue;
            const QSet<QWidget *> pair = {a, b};
            if (pair == QSet<QWidget *>{FWindow->OpenBitBtn, FWindow->DropDownBitBtn})
                continue;
            // A label's text that touches its neighbour reads as one with it.
            const int air = qobject_cast<QLabel *>(a) || qobject_cast<QLabel *>(b) ? 2 : 0;
            QVERIFY2(!a->geometry().adjusted(-air, 0, air, 0).intersects(b->geometry()),
                     qPrintable(NameOf(a) + QStringLiteral(" meets ") + NameOf(b)));
        }
    }
}

void TestLayout::textsWholeApartAndInside_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("page");
    for (const char *language : {"English", "Russian"}) {
        for (const char *format : {"MP4", "3GP", "FLAC"})
            QTest::addRow("%s %s", language, format) << language << format << 0;
        QTest::addRow("%s device page", language) << language << "MP4" << 1;
    }
}

void TestLayout::textsWholeApartAndInside()
{
    QFETCH(QString, language);
    QFETCH(QString, format);
    QFETCH(int, page);
    TMainForm &w = Window(language);
    TDialogs::SetNextFileName(Touch(FMedia->filePath("beach_walk.avi")));
    w.OpenFileMenuItem->trigger();
    PickItem(w.OutFormatComboBox, format);
    if (format != "FLAC")
        PickItem(w.QualityComboBox, w.QualityComboBox->itemText(1));
    if (page == 1)
        ClickTab(w.VideoPageControl, 1);
    CheckApart(w.centralWidget());
    CheckApart(w.VideoPageControl->currentWidget());
    // The window keeps its size: the menu bar holds every menu title.
    for (QAction *menu : w.MainMenu->actions())
        QVERIFY2(w.MainMenu->rect().contains(w.MainMenu->actionGeometry(menu)),
                 qPrintable(menu->text()));
}

void TestLayout::statusTextsFit_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "English";
    QTest::newRow("Russian") << "Russian";
}

// Every status text, with the percentage it may carry, fits the status line.
void TestLayout::statusTextsFit()
{
    QFETCH(QString, language);
    TMainForm &w = Window(language);
    const QFontMetrics metrics(w.InfoLabel->font());
    for (const TMessageIndex index : {miConverting, miCancelled, miEmptyOutput, miNoOutput,
                                      miConverted, miJoining, miPreparing}) {
        QString text = w.LNGA.value(index);
        if (index == miConverting || index == miJoining)
            text += QStringLiteral(" 100.0%");
        QVERIFY(!text.isEmpty());
        QVERIFY2(metrics.horizontalAdvance(text) <= w.InfoLabel->width(), qPrintable(text));
    }
}

void TestLayout::acceleratorsUniquePerMenu_data()
{
    statusTextsFit_data();
}

void TestLayout::acceleratorsUniquePerMenu()
{
    QFETCH(QString, language);
    TMainForm &w = Window(language);
    QList<QList<QAction *>> menus = {w.MainMenu->actions()};
    for (QAction *top : w.MainMenu->actions())
        if (top->menu())
            menus.append(top->menu()->actions());
    for (const QList<QAction *> &items : menus) {
        QSet<QChar> taken;
        for (QAction *item : items) {
            if (item->isSeparator() || !item->isVisible())
                continue;
            const QChar key = Accelerator(item->text());
            QVERIFY2(!key.isNull(), qPrintable(item->text()));
            QVERIFY2(!taken.contains(key), qPrintable(item->text()));
            taken.insert(key);
        }
    }
}

void TestLayout::bannerCaptionWhiteAndLinkNavy_data()
{
    statusTextsFit_data();
}

// The colours as they reach the screen, not as they were asked for.
void TestLayout::bannerCaptionWhiteAndLinkNavy()
{
    QFETCH(QString, language);
    TMainForm &w = Window(language);
    TDialogs::SetNextFileName(Touch(FMedia->filePath("beach_walk.avi")));
    w.OpenFileMenuItem->trigger();
    QVERIFY(w.AdditionLabel->isEnabled());
    const QImage shot = w.grab().toImage();
    const auto pixels = [&](QWidget *_label) {
        QList<QColor> colors;
        const QRect area(_label->mapTo(&w, QPoint(0, 0)), _label->size());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                colors.append(
                    shot.pixelColor(x * shot.width() / w.width(), y * shot.height() / w.height()));
        return colors;
    };
    int white = 0;
    for (const QColor &c : pixels(w.ConvertToLabel))
        white += c.red() > 235 && c.green() > 235 && c.blue() > 235 ? 1 : 0;
    QVERIFY2(white > 20, qPrintable(QString::number(white)));
    // The darkest pixels of the link are its text: navy, never black.
    QColor darkest(Qt::white);
    for (const QColor &c : pixels(w.AdditionLabel))
        if (c.value() < darkest.value())
            darkest = c;
    QVERIFY2(darkest.blue() > darkest.red() + 60 && darkest.blue() > darkest.green() + 60,
             qPrintable(darkest.name()));
}

// The track bar's channel looks the same on both sides of the thumb.
void TestLayout::trackBarDrawsNoRange()
{
    TMainForm &w = Window(QStringLiteral("English"));
    TDialogs::SetNextFileName(Touch(FMedia->filePath("beach_walk.avi")));
    w.OpenFileMenuItem->trigger();
    PickItem(w.QualityComboBox, w.QualityComboBox->itemText(1));
    QSlider *bar = w.QualityTrackBar;
    bar->setValue(8);
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->value();
    option.tickPosition = bar->tickPosition();
    const QRect groove =
        bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, bar);
    const QImage shot = bar->grab().toImage();
    const qreal scale = qreal(shot.width()) / bar->width();
    const int y = int(groove.center().y() * scale);
    const QColor left = shot.pixelColor(int((groove.left() + groove.width() / 5) * scale), y);
    const QColor right = shot.pixelColor(int((groove.right() - groove.width() / 20) * scale), y);
    QCOMPARE(left.name(), right.name());
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
