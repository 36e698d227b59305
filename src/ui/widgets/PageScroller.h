#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// A horizontal strip that shows a part of a wider control. A scroll arrow,
// ArrowWidth pixels wide, stands at each end towards which the control can
// still be scrolled; the control is seen between the arrows. Resting the
// pointer on an arrow scrolls by itself; pressing it or turning the wheel
// scrolls too. Every step asks the owner for its size through Scroll().
// From the keyboard the strip is one control: it takes the focus, the arrow
// keys (and Home, End) move a marked item among the control's buttons,
// scrolling it into view, and Space or Enter presses the marked one.
class TPageScroller : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Position READ Position WRITE SetPosition)

public:
    static constexpr int ArrowWidth = 15;
    static constexpr int DefaultStep = 13;
    // Time between two steps while the pointer rests on an arrow.
    static constexpr int AutoScrollInterval = 60;

    explicit TPageScroller(QWidget *_parent = nullptr);

    // The scrolled control; it becomes a child of the strip's view.
    void SetControl(QWidget *_control);

    int Position() const { return FPosition; }
    // Held within 0 .. MaxPosition().
    void SetPosition(int _position);
    int MaxPosition() const;

    bool LeftArrowVisible() const { return FPosition > 0; }
    bool RightArrowVisible() const { return FPosition < MaxPosition(); }
    // The part of the strip where the control is seen, in the strip's coordinates.
    QRect ViewRect() const;
    QRect LeftArrowRect() const;
    QRect RightArrowRect() const;

    // One step towards the right end (_direction > 0) or the left end (< 0).
    void ScrollStep(int _direction);

    bool AutoScrolling() const { return FAutoTimer.isActive(); }

    // The buttons of the control in the order they stand, left to right.
    QList<QAbstractButton *> Items() const;
    // The item the keyboard works on; null when there is none.
    QAbstractButton *CurrentItem() const;
    void SetCurrentItem(QAbstractButton *_item);
    // The rectangle of the keyboard's mark in the strip; empty while it is not shown.
    QRect MarkRect() const;
    // Scrolls the least distance that shows the whole item.
    void ScrollToItem(QAbstractButton *_item);

signals:
    // Before each step; the owner may change the step's size in pixels.
    void Scroll(int &_delta);

protected:
    bool eventFilter(QObject *_watched, QEvent *_event) override;
    void paintEvent(QPaintEvent *_event) override;
    void resizeEvent(QResizeEvent *_event) override;
    void mouseMoveEvent(QMouseEvent *_event) override;
    void mousePressEvent(QMouseEvent *_event) override;
    void mouseReleaseEvent(QMouseEvent *_event) override;
    void leaveEvent(QEvent *_event) override;
    void wheelEvent(QWheelEvent *_event) override;
    void changeEvent(QEvent *_event) override;
    void keyPressEvent(QKeyEvent *_event) override;
    void focusInEvent(QFocusEvent *_event) override;
    void focusOutEvent(QFocusEvent *_event) override;

private:
    void Relayout();
    int ArrowAt(const QPoint &_pos) const; // -1 left, 1 right, 0 none
    void UpdateHover(const QPoint &_pos);
    void AutoStep();
    void PlaceMarker();

    QWidget *FView = nullptr;
    QWidget *FControl = nullptr;
    // Drawn over the marked item while the strip has the focus.
    QWidget *FMarker = nullptr;
    QPointer<QAbstractButton> FCurrent;
    int FPosition = 0;
    int FHoverArrow = 0;
    bool FPressed = false;
    QTimer FAutoTimer;
};
