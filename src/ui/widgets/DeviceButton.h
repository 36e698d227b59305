#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A flat picture button of a device strip. Its picture comes from one bitmap
// holding four images of equal width side by side: normal, disabled, pressed
// while the mouse button is down, and held down. When no picture could be
// loaded the button draws a plain tile with its caption text.
class TDeviceButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum TState
    {
        dsNormal = 0,
        dsDisabled = 1,
        dsPressed = 2,
        dsHeldDown = 3
    };

    explicit TDeviceButton(QWidget *_parent = nullptr);

    // Loads the first file of _files that gives a picture; false when none does.
    bool LoadPicture(const QStringList &_files);
    bool HasPicture() const { return !FPicture.isNull(); }
    // The image of one state, cut from the picture; null without a picture.
    QPixmap StateImage(TState _state) const;
    // The state the button shows now.
    TState CurrentState() const;

    // Text of the fallback tile (the device's name).
    void SetFallbackText(const QString &_text);

    // A small integer of the owner's (the preset id).
    int Tag() const { return FTag; }
    void SetTag(int _tag) { FTag = _tag; }

    QSize sizeHint() const override { return QSize(70, 70); }

protected:
    void paintEvent(QPaintEvent *_event) override;
    void enterEvent(QEnterEvent *_event) override;
    void leaveEvent(QEvent *_event) override;

private:
    void PaintFallback(QPainter &_painter, TState _state);

    QPixmap FPicture;
    QString FFallbackText;
    int FTag = 0;
    bool FHot = false;
};
