#include "ui/widgets/PageScroller.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace {

// A frame around the marked item in the highlight colour. The style's own
// focus frame shows only after a Tab in some styles; the strip is used from
// the keyboard alone, so its mark is always seen.
class TFocusMarker : public QWidget
{
public:
    explicit TFocusMarker(QWidget *_parent) : QWidget(_parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(palette().color(QPalette::Highlight), 2, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
    }
};

} // namespace

TPageScroller::TPageScroller(QWidget *_parent) : QWidget(_parent)
{
    setMouseTracking(true);
    FView = new QWidget(this);
    FView->setObjectName(QStringLiteral("PageScrollerView"));
    // The pointer going into the view leaves the arrows without telling the strip.
    FView->installEventFilter(this);
    FMarker = new TFocusMarker(FView);
    // Reached with Tab; a click on a device leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
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
    PlaceMarker();
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

QList<QAbstractButton *> TPageScroller::Items() const
{
    QList<QAbstractButton *> items;
    if (!FControl)
        return items;
    for (QAbstractButton *button :
         FControl->findChildren<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly))
        if (!button->isHidden())
            items.append(button);
    std::stable_sort(items.begin(), items.end(),
                     [](QAbstractButton *_a, QAbstractButton *_b) { return _a->x() < _b->x(); });
    return items;
}

QAbstractButton *TPageScroller::CurrentItem() const
{
    return FCurrent && Items().contains(FCurrent.data()) ? FCurrent.data() : nullptr;
}

void TPageScroller::SetCurrentItem(QAbstractButton *_item)
{
    FCurrent = _item;
    if (_item)
        ScrollToItem(_item);
    PlaceMarker();
}

void TPageScroller::ScrollToItem(QAbstractButton *_item)
{
    if (!_item || !FControl)
        return;
    // Where the item would stand in the view at the present position, with
    // the arrows that position shows.
    const int left = _item->x() - FPosition;
    const int right = left + _item->width();
    const int viewWidth = ViewRect().width();
    if (left < 0) {
        SetPosition(_item->x());
    } else if (right > viewWidth) {
        // Scrolled right, the left arrow appears and narrows the view.
        SetPosition(_item->x() + _item->width() - (width() - 2 * ArrowWidth));
        if (_item->x() + _item->width() - FPosition > ViewRect().width())
            SetPosition(MaxPosition());
    }
}

QRect TPageScroller::MarkRect() const
{
    return FMarker->isVisible() ? QRect(FMarker->mapTo(this, QPoint(0, 0)), FMarker->size())
                                : QRect();
}

void TPageScroller::PlaceMarker()
{
    QAbstractButton *item = hasFocus() ? CurrentItem() : nullptr;
    if (!item) {
        FMarker->hide();
        return;
    }
    FMarker->setGeometry(QRect(item->mapTo(FView, QPoint(0, 0)), item->size()));
    FMarker->raise();
    FMarker->show();
    FMarker->update();
}

void TPageScroller::keyPressEvent(QKeyEvent *_event)
{
    const QList<QAbstractButton *> items = Items();
    QAbstractButton *current = CurrentItem();
    const qsizetype at = current ? items.indexOf(current) : -1;
    qsizetype next = -1;
    switch (_event->key()) {
    case Qt::Key_Left:
        next = at < 0 ? 0 : std::max<qsizetype>(0, at - 1);
        break;
    case Qt::Key_Right:
        next = at < 0 ? 0 : std::min<qsizetype>(items.size() - 1, at + 1);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = items.size() - 1;
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current && current->isEnabled())
            current->click();
        _event->accept();
        return;
    default:
        QWidget::keyPressEvent(_event);
        return;
    }
    if (next >= 0 && next < items.size())
        SetCurrentItem(items.at(next));
    _event->accept();
}

void TPageScroller::focusInEvent(QFocusEvent *_event)
{
    // The chosen item, else the first one seen, gets the mark.
    if (!CurrentItem()) {
        const QList<QAbstractButton *> items = Items();
        QAbstractButton *mark = nullptr;
        for (QAbstractButton *item : items)
            if (item->isChecked())
                mark = item;
        if (!mark)
            for (QAbstractButton *item : items)
                if (item->x() + item->width() > FPosition) {
                    mark = item;
                    break;
                }
        FCurrent = mark;
    }
    if (CurrentItem())
        ScrollToItem(CurrentItem());
    PlaceMarker();
    QWidget::focusInEvent(_event);
}

void TPageScroller::focusOutEvent(QFocusEvent *_event)
{
    PlaceMarker();
    QWidget::focusOutEvent(_event);
}
