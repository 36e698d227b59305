#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/DropFileEdit.h"
#include "ui/widgets/PageScroller.h"

#include <QButtonGroup>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

class TestWidgets : public QObject
{
    Q_OBJECT
private slots:
    void dropReportsOnePath_data();
    void dropReportsOnePath();
    void dropKeepsText();
    void acceptFileSwitchable();
    void textDragRefused();
    void exitOnlyWhenLeftByUser();
    void scrollerArrows_data();
    void scrollerArrows();
    void scrollerSteps();
    void scrollerOwnerSetsStep();
    void scrollerFollowsControlWidth();
    void scrollerAutoScrollsWhileHovering();
    void scrollerStopsAtEnd();
    void deviceButtonStates();
    void deviceButtonFallbackPicture();
    void deviceButtonGroupKeepsOneDown();
};

namespace {

QMimeData *UrlData(const QStringList &_paths)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &path : _paths)
        urls << (path.startsWith("http") ? QUrl(path) : QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

// Drags the data over the box and drops it at _pos; true when the drop was taken.
bool Drop(QWidget *_target, QMimeData *_data, const QPoint &_pos)
{
    QDragEnterEvent enter(_pos, Qt::CopyAction, _data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(_target, &enter);
    QDropEvent drop(QPointF(_pos), Qt::CopyAction, _data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(_target, &drop);
    return drop.isAccepted();
}

// A 4-state picture whose parts are filled with distinct colours; the
// bottom-left pixel of the whole picture is the background colour.
QString WriteFourStateBitmap(const QTemporaryDir &_dir, const QString &_name)
{
    QImage image(280, 70, QImage::Format_RGB32);
    const QColor colours[4] = {Qt::red, Qt::gray, Qt::blue, Qt::green};
    for (int i = 0; i < 4; ++i) {
        QPainter painter(&image);
        painter.fillRect(i * 70, 0, 70, 70, colours[i]);
    }
    // The background colour of a glyph sits in the bottom-left corner.
    image.setPixel(0, 69, qRgb(255, 0, 255));
    image.setPixel(75, 69, qRgb(255, 0, 255));
    const QString path = _dir.filePath(_name);
    image.save(path, "BMP");
    return path;
}

// A strip of the device page's width holding a control of _controlWidth.
struct TStrip
{
    explicit TStrip(int _controlWidth, bool _show = false)
    {
        scroller.resize(441, 71);
        panel = new QWidget;
        panel->resize(_controlWidth, 71);
        scroller.SetControl(panel);
        if (_show) {
            scroller.show();
            exposed = QTest::qWaitForWindowExposed(&scroller);
        }
    }
    TPageScroller scroller;
    QWidget *panel = nullptr;
    bool exposed = false;
};

} // namespace

void TestWidgets::dropReportsOnePath_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("expected"); // empty = nothing reported
    QTest::newRow("one file") << QStringList{"/clips/trip.avi"} << "/clips/trip.avi";
    QTest::newRow("one folder") << QStringList{"/clips/holiday/"} << "/clips/holiday";
    QTest::newRow("root") << QStringList{"/"} << "/";
    QTest::newRow("two files") << QStringList{"/clips/a.avi", "/clips/b.avi"} << "";
    QTest::newRow("web address") << QStringList{"http://example.org/a.avi"} << "";
    QTest::newRow("nothing") << QStringList{} << "";
}

void TestWidgets::dropReportsOnePath()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, expected);
    TssDropFileEdit edit;
    edit.resize(200, 22);
    QSignalSpy spy(&edit, &TssDropFileEdit::OnDropFile);
    std::unique_ptr<QMimeData> data(UrlData(paths));
    const bool taken = Drop(&edit, data.get(), QPoint(17, 9));
    QCOMPARE(taken, !expected.isEmpty());
    QCOMPARE(spy.size(), expected.isEmpty() ? 0 : 1);
    if (!expected.isEmpty()) {
        QCOMPARE(spy.at(0).at(0).value<QObject *>(), &edit);
        QCOMPARE(spy.at(0).at(1).toString(), expected);
        QCOMPARE(spy.at(0).at(2).toPoint(), QPoint(17, 9));
    }
}

void TestWidgets::dropKeepsText()
{
    TssDropFileEdit edit;
    edit.setText("typed");
    QSignalSpy changes(&edit, &QLineEdit::textChanged);
    std::unique_ptr<QMimeData> data(UrlData({"/clips/trip.avi"}));
    data->setText("/clips/trip.avi");
    QVERIFY(Drop(&edit, data.get(), QPoint(3, 3)));
    QCOMPARE(edit.text(), QString("typed"));
    QCOMPARE(changes.size(), 0);
}

void TestWidgets::acceptFileSwitchable()
{
    TssDropFileEdit edit;
    QVERIFY(edit.AcceptFile());
    QSignalSpy spy(&edit, &TssDropFileEdit::OnDropFile);
    std::unique_ptr<QMimeData> data(UrlData({"/clips/trip.avi"}));
    edit.SetAcceptFile(false);
    QVERIFY(!edit.acceptDrops());
    QVERIFY(!Drop(&edit, data.get(), QPoint(1, 1)));
    QCOMPARE(spy.size(), 0);
    edit.setProperty("AcceptFile", true);
    QVERIFY(edit.AcceptFile());
    QVERIFY(Drop(&edit, data.get(), QPoint(1, 1)));
    QCOMPARE(spy.size(), 1);
}

void TestWidgets::textDragRefused()
{
    TssDropFileEdit edit;
    edit.setText("keep");
    QSignalSpy spy(&edit, &TssDropFileEdit::OnDropFile);
    QMimeData data;
    data.setText("dropped text");
    QVERIFY(!Drop(&edit, &data, QPoint(1, 1)));
    QCOMPARE(edit.text(), QString("keep"));
    QCOMPARE(spy.size(), 0);
}

void TestWidgets::exitOnlyWhenLeftByUser()
{
    QWidget window;
    auto *edit = new TssDropFileEdit(&window);
    auto *other = new QLineEdit(&window);
    other->move(0, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy exits(edit, &TssDropFileEdit::OnExit);
    edit->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(exits.size(), 1);
    QVERIFY(other->hasFocus());

    edit->setFocus(Qt::OtherFocusReason);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(edit, &popup);
    QCOMPARE(exits.size(), 1);
    // Disabling the box moves the focus on, but the user did not leave it.
    edit->setEnabled(false);
    QCOMPARE(exits.size(), 1);
}

void TestWidgets::scrollerArrows_data()
{
    QTest::addColumn<int>("controlWidth");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("right");
    QTest::addColumn<int>("viewLeft");
    QTest::addColumn<int>("viewWidth");
    QTest::newRow("3 presets fit") << 3 * 78 << 0 << false << false << 0 << 441;
    QTest::newRow("exactly fits") << 441 << 0 << false << false << 0 << 441;
    QTest::newRow("10 presets, start") << 780 << 0 << false << true << 0 << 426;
    QTest::newRow("10 presets, middle") << 780 << 100 << true << true << 15 << 411;
    QTest::newRow("10 presets, end") << 780 << 354 << true << false << 15 << 426;
}

void TestWidgets::scrollerArrows()
{
    QFETCH(int, controlWidth);
    QFETCH(int, position);
    TStrip strip(controlWidth);
    TPageScroller &scroller = strip.scroller;
    QWidget *panel = strip.panel;
    scroller.SetPosition(position);
    QCOMPARE(scroller.Position(), position);
    QTEST(scroller.LeftArrowVisible(), "left");
    QTEST(scroller.RightArrowVisible(), "right");
    QTEST(scroller.ViewRect().left(), "viewLeft");
    QTEST(scroller.ViewRect().width(), "viewWidth");
    QCOMPARE(scroller.LeftArrowRect().width(), scroller.LeftArrowVisible() ? 15 : 0);
    QCOMPARE(scroller.RightArrowRect().width(), scroller.RightArrowVisible() ? 15 : 0);
    // The control's left edge stands at the view's left edge minus the position.
    QCOMPARE(panel->mapTo(&scroller, QPoint(0, 0)).x(), scroller.ViewRect().left() - position);
}

void TestWidgets::scrollerSteps()
{
    TStrip strip(780);
    TPageScroller &scroller = strip.scroller;
    QCOMPARE(scroller.MaxPosition(), 780 - 426);
    scroller.ScrollStep(1);
    QCOMPARE(scroller.Position(), 13);
    scroller.ScrollStep(1);
    QCOMPARE(scroller.Position(), 26);
    scroller.ScrollStep(-1);
    QCOMPARE(scroller.Position(), 13);
    scroller.SetPosition(-50);
    QCOMPARE(scroller.Position(), 0);
    scroller.SetPosition(5000);
    QCOMPARE(scroller.Position(), scroller.MaxPosition());
    scroller.ScrollStep(1);
    QCOMPARE(scroller.Position(), scroller.MaxPosition());

    // Pressing an arrow steps too.
    scroller.SetPosition(0);
    QTest::mouseClick(&scroller, Qt::LeftButton, {}, QPoint(434, 30));
    QCOMPARE(scroller.Position(), 13);
    QTest::mouseClick(&scroller, Qt::LeftButton, {}, QPoint(5, 30));
    QCOMPARE(scroller.Position(), 0);
}

void TestWidgets::scrollerOwnerSetsStep()
{
    TStrip strip(1000);
    TPageScroller &scroller = strip.scroller;
    connect(&scroller, &TPageScroller::Scroll, this, [](int &_delta) { _delta = 40; });
    scroller.ScrollStep(1);
    QCOMPARE(scroller.Position(), 40);
}

void TestWidgets::scrollerFollowsControlWidth()
{
    TStrip strip(475, true);
    TPageScroller &scroller = strip.scroller;
    QWidget *panel = strip.panel;
    QVERIFY(strip.exposed);
    QVERIFY(scroller.RightArrowVisible());
    scroller.SetPosition(scroller.MaxPosition());
    // Fewer buttons: the strip no longer scrolls and the position goes back.
    panel->resize(234, 71);
    QCOMPARE(scroller.Position(), 0);
    QVERIFY(!scroller.LeftArrowVisible());
    QVERIFY(!scroller.RightArrowVisible());
}

void TestWidgets::scrollerAutoScrollsWhileHovering()
{
    TStrip strip(1014, true);
    TPageScroller &scroller = strip.scroller;
    QVERIFY(strip.exposed);
    QTest::mouseMove(&scroller, QPoint(200, 30));
    QVERIFY(!scroller.AutoScrolling());
    QTest::mouseMove(&scroller, QPoint(433, 30));
    QVERIFY(scroller.AutoScrolling());
    QTRY_VERIFY(scroller.Position() >= 26);
    QCOMPARE(scroller.Position() % 13, 0);
    // Moving off the arrow stops it.
    QTest::mouseMove(&scroller, QPoint(200, 30));
    QVERIFY(!scroller.AutoScrolling());
    const int stopped = scroller.Position();
    QTest::qWait(3 * TPageScroller::AutoScrollInterval);
    QCOMPARE(scroller.Position(), stopped);
}

void TestWidgets::scrollerStopsAtEnd()
{
    TStrip strip(500, true);
    TPageScroller &scroller = strip.scroller;
    QVERIFY(strip.exposed);
    QTest::mouseMove(&scroller, QPoint(433, 30));
    QVERIFY(scroller.AutoScrolling());
    QTRY_COMPARE(scroller.Position(), scroller.MaxPosition());
    // The right arrow is gone, so nothing scrolls on.
    QVERIFY(!scroller.RightArrowVisible());
    QVERIFY(!scroller.AutoScrolling());
}

void TestWidgets::deviceButtonStates()
{
    QTemporaryDir dir;
    const QString path = WriteFourStateBitmap(dir, "device_x.bmp");
    TDeviceButton button;
    button.resize(70, 70);
    QVERIFY(button.LoadPicture({dir.filePath("missing.bmp"), path}));
    QVERIFY(button.HasPicture());
    const auto colourOf = [&button](TDeviceButton::TState _state) {
        return QColor(button.StateImage(_state).toImage().pixel(35, 35));
    };
    QCOMPARE(colourOf(TDeviceButton::dsNormal), QColor(Qt::red));
    QCOMPARE(colourOf(TDeviceButton::dsDisabled), QColor(Qt::gray));
    QCOMPARE(colourOf(TDeviceButton::dsPressed), QColor(Qt::blue));
    QCOMPARE(colourOf(TDeviceButton::dsHeldDown), QColor(Qt::green));
    QCOMPARE(button.StateImage(TDeviceButton::dsNormal).size(), QSize(70, 70));
    // The background colour turns transparent.
    QCOMPARE(qAlpha(button.StateImage(TDeviceButton::dsNormal).toImage().pixel(0, 69)), 0);
    QCOMPARE(qAlpha(button.StateImage(TDeviceButton::dsDisabled).toImage().pixel(5, 69)), 0);

    QCOMPARE(button.CurrentState(), TDeviceButton::dsNormal);
    button.setChecked(true);
    QCOMPARE(button.CurrentState(), TDeviceButton::dsHeldDown);
    button.setDown(true);
    QCOMPARE(button.CurrentState(), TDeviceButton::dsPressed);
    button.setDown(false);
    button.setEnabled(false);
    QCOMPARE(button.CurrentState(), TDeviceButton::dsDisabled);
}

void TestWidgets::deviceButtonFallbackPicture()
{
    QTemporaryDir dir;
    QFile broken(dir.filePath("broken.bmp"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("BM not really a bitmap");
    broken.close();
    TDeviceButton button;
    button.resize(70, 70);
    button.SetFallbackText("Pocket Player");
    QVERIFY(!button.LoadPicture({broken.fileName(), dir.filePath("none.bmp")}));
    QVERIFY(!button.HasPicture());
    QVERIFY(button.StateImage(TDeviceButton::dsNormal).isNull());
    // The tile is drawn all the same, with something on it.
    const QImage shot = button.grab().toImage();
    QSet<QRgb> colours;
    for (int x = 0; x < shot.width(); ++x)
        colours.insert(shot.pixel(x, shot.height() / 2));
    QVERIFY(colours.size() > 2);
}

void TestWidgets::deviceButtonGroupKeepsOneDown()
{
    QWidget panel;
    QButtonGroup group;
    group.setExclusive(true);
    auto *a = new TDeviceButton(&panel);
    auto *b = new TDeviceButton(&panel);
    b->move(78, 0);
    group.addButton(a);
    group.addButton(b);
    panel.show();
    QSignalSpy clicks(a, &QAbstractButton::clicked);
    QTest::mouseClick(a, Qt::LeftButton);
    QVERIFY(a->isChecked());
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(b->isChecked());
    QVERIFY(!a->isChecked());
    QTest::mouseClick(a, Qt::LeftButton);
    QTest::mouseClick(a, Qt::LeftButton);
    // Clicking the held-down button keeps it down and still clicks.
    QVERIFY(a->isChecked());
    QCOMPARE(clicks.size(), 3);
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
