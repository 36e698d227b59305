#include "ui/widgets/PageScroller.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QWheelEvent>

TPageScroller::TPageScroller(QWidget *_parent) : QWidget(_parent)
{
    setMouseTracking(true);
    FView = new QWidget(this);
    FView->setObjectName(QStringLiteral("PageScrollerView"));
    // The pointer going into the view leaves the arrows without telling the strip.
    FView->installEventFilter(this);
    FAutoTimer.setInterval(AutoScrollInterval);
    connect(&FAutoTimer, &QTimer::timeout, this, &TPageScroller::AutoStep);
    Relayout();
}

void TPageScroller::SetControl(QWidget *_control)
{
    if (FControl)
        FControl->removeEventFilter(this);
    FControl = _control;
    if (FControl) {
        FControl->setParent(FView);
        FControl->installEventFilter(this);
        FControl->show();
    }
    Relayout();
}

int TPageScroller::MaxPosition() const
{
    if (!FControl || FControl->width() <= width())
        return 0;
    // At the far right only the left arrow is shown.
    return FControl->width() - (width() - ArrowWidth);
}

void TPageScroller::SetPosition(int _position)
{
    const int position = std::clamp(_position, 0, MaxPosition());
    if (position == FPosition)
        return;
    FPosition = position;
    Relayout();
}

QRect TPageScroller::ViewRect() const
{
    const int left = LeftArrowVisible() ? ArrowWidth : 0;
    const int right = RightArrowVisible() ? width() - ArrowWidth : width();
    return QRect(left, 0, std::max(0, right - left), height());
}

QRect TPageScroller::LeftArrowRect() const
{
    return LeftArrowVisible() ? QRect(0, 0, ArrowWidth, height()) : QRect();
}

QRect TPageScroller::RightArrowRect() const
{
    return RightArrowVisible() ? QRect(width() - ArrowWidth, 0, ArrowWidth, height()) : QRect();
}

void TPageScroller::ScrollStep(int _direction)
{
    if (_direction == 0)
        return;
    int delta = DefaultStep;
    emit Scroll(delta);
    SetPosition(FPosition + (_direction > 0 ? delta : -delta));
}

void TPageScroller::Relayout()
{
    // The position may have gone beyond the end after a resize.
    FPosition = std::clamp(FPosition, 0, MaxPosition());
    const QRect view = ViewRect();
    FView->setGeometry(view);
    if (FControl)
        FControl->move(-FPosition, 0);
    if (FHoverArrow != 0 &&
        ((FHoverArrow < 0 && !LeftArrowVisible()) || (FHoverArrow > 0 && !RightArrowVisible()))) {
        FHoverArrow = 0;
        FAutoTimer.stop();
    }
    update();
}

int TPageScroller::ArrowAt(const QPoint &_pos) const
{
    if (LeftArrowRect().contains(_pos))
        return -1;
    if (RightArrowRect().contains(_pos))
        return 1;
    return 0;
}

void TPageScroller::UpdateHover(const QPoint &_pos)
{
    const int arrow = isEnabled() ? ArrowAt(_pos) : 0;
    if (arrow == FHoverArrow)
        return;
    FHoverArrow = arrow;
    if (arrow != 0)
        FAutoTimer.start();
    else
        FAutoTimer.stop();
    update();
}

void TPageScroller::AutoStep()
{
    if (FHoverArrow == 0 || !isEnabled()) {
        FAutoTimer.stop();
        return;
    }
    ScrollStep(FHoverArrow);
}

bool TPageScroller::eventFilter(QObject *_watched, QEvent *_event)
{
    if (_watched == FControl && _event->type() == QEvent::Resize)
        Relayout();
    else if (_watched == FView && _event->type() == QEvent::Enter)
        UpdateHover(QPoint(-1, -1));
    return QWidget::eventFilter(_watched, _event);
}

void TPageScroller::resizeEvent(QResizeEvent *_event)
{
    QWidget::resizeEvent(_event);
    Relayout();
}

void TPageScroller::mouseMoveEvent(QMouseEvent *_event)
{
    UpdateHover(_event->position().toPoint());
    QWidget::mouseMoveEvent(_event);
}

void TPageScroller::mousePressEvent(QMouseEvent *_event)
{
    const int arrow = isEnabled() ? ArrowAt(_event->position().toPoint()) : 0;
    if (_event->button() == Qt::LeftButton && arrow != 0) {
        FPressed = true;
        ScrollStep(arrow);
        update();
        _event->accept();
        return;
    }
    QWidget::mousePressEvent(_event);
}

void TPageScroller::mouseReleaseEvent(QMouseEvent *_event)
{
    FPressed = false;
    update();
    QWidget::mouseReleaseEvent(_event);
}

void TPageScroller::leaveEvent(QEvent *_event)
{
    FHoverArrow = 0;
    FPressed = false;
    FAutoTimer.stop();
    update();
    QWidget::leaveEvent(_event);
}

void TPageScroller::wheelEvent(QWheelEvent *_event)
{
    const QPoint delta = _event->angleDelta();
    const int amount = delta.x() != 0 ? delta.x() : delta.y();
    if (amount == 0 || MaxPosition() == 0) {
        _event->ignore();
        return;
    }
    ScrollStep(amount < 0 ? 1 : -1);
    _event->accept();
}

void TPageScroller::changeEvent(QEvent *_event)
{
    if (_event->type() == QEvent::EnabledChange && !isEnabled()) {
        FHoverArrow = 0;
        FAutoTimer.stop();
    }
    QWidget::changeEvent(_event);
}

void TPageScroller::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const auto drawArrow = [&](const QRect &_rect, int _direction) {
        if (_rect.isEmpty())
            return;
        const bool hot = FHoverArrow == _direction && isEnabled();
        QColor face = palette().color(QPalette::Button);
        if (hot)
            face = FPressed ? face.darker(115) : face.lighter(106);
        painter.fillRect(_rect, face);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(_rect.adjusted(0, 0, -1, -1));
        // A small solid chevron in the middle of the arrow.
        const QPointF c = QRectF(_rect).center();
        QPainterPath path;
        if (_direction < 0) {
            path.moveTo(c.x() + 2.5, c.y() - 5);
            path.lineTo(c.x() - 2.5, c.y());
            path.lineTo(c.x() + 2.5, c.y() + 5);
        } else {
            path.moveTo(c.x() - 2.5, c.y() - 5);
            path.lineTo(c.x() + 2.5, c.y());
            path.lineTo(c.x() - 2.5, c.y() + 5);
        }
        path.closeSubpath();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                         QPalette::ButtonText));
        painter.drawPath(path);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBrush(Qt::NoBrush);
    };
    drawArrow(LeftArrowRect(), -1);
    drawArrow(RightArrowRect(), 1);
}
