#include "ui/widgets/DeviceButton.h"

#include <QBitmap>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

TDeviceButton::TDeviceButton(QWidget *_parent) : QAbstractButton(_parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, true);
}

bool TDeviceButton::LoadPicture(const QStringList &_files)
{
    for (const QString &file : _files) {
        QImage image;
        if (file.isEmpty() || !image.load(file) || image.width() < 4 || image.height() < 1)
            continue;
        // Bitmaps carry no transparency: the colour of the bottom-left pixel
        // stands for the background, as button glyphs have it.
        if (!image.hasAlphaChannel()) {
            const QRgb key = image.pixel(0, image.height() - 1);
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if ((line[x] & 0x00ffffff) == (key & 0x00ffffff))
                        line[x] = 0;
            }
        }
        FPicture = QPixmap::fromImage(image);
        update();
        return true;
    }
    FPicture = QPixmap();
    update();
    return false;
}

QPixmap TDeviceButton::StateImage(TState _state) const
{
    if (FPicture.isNull())
        return QPixmap();
    const int width = FPicture.width() / 4;
    return FPicture.copy(width * int(_state), 0, width, FPicture.height());
}

TDeviceButton::TState TDeviceButton::CurrentState() const
{
    if (!isEnabled())
        return dsDisabled;
    if (isDown())
        return dsPressed;
    if (isChecked())
        return dsHeldDown;
    return dsNormal;
}

void TDeviceButton::SetFallbackText(const QString &_text)
{
    FFallbackText = _text;
    update();
}

void TDeviceButton::enterEvent(QEnterEvent *_event)
{
    FHot = true;
    update();
    QAbstractButton::enterEvent(_event);
}

void TDeviceButton::leaveEvent(QEvent *_event)
{
    FHot = false;
    update();
    QAbstractButton::leaveEvent(_event);
}

void TDeviceButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const TState state = CurrentState();
    if (FPicture.isNull()) {
        PaintFallback(painter, state);
        return;
    }
    // A flat button shows a light frame while the pointer is over it.
    if (FHot && state == dsNormal) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QPixmap image = StateImage(state);
    const QSize shown =
        image.size().scaled(rect().size().boundedTo(image.size()), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                       shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawPixmap(target, image);
}

void TDeviceButton::PaintFallback(QPainter &_painter, TState _state)
{
    _painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF tile = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    const QPalette pal = palette();
    QColor face = pal.color(QPalette::Base);
    QColor edge = pal.color(QPalette::Mid);
    QColor text = pal.color(QPalette::Active, QPalette::Text);
    switch (_state) {
    case dsDisabled:
        face = pal.color(QPalette::Window);
        text = pal.color(QPalette::Disabled, QPalette::Text);
        break;
    case dsPressed:
        face = pal.color(QPalette::Highlight).lighter(170);
        edge = pal.color(QPalette::Highlight);
        break;
    case dsHeldDown:
        face = pal.color(QPalette::Highlight).lighter(185);
        edge = pal.color(QPalette::Highlight);
        break;
    case dsNormal:
        if (FHot)
            edge = pal.color(QPalette::Highlight);
        break;
    }
    QPainterPath path;
    path.addRoundedRect(tile, 6, 6);
    _painter.fillPath(path, face);
    _painter.setPen(QPen(edge, _state == dsHeldDown ? 2 : 1));
    _painter.drawPath(path);
    _painter.setPen(text);
    QFont font = _painter.font();
    font.setPixelSize(10);
    _painter.setFont(font);
    const QRect textRect = tile.toRect().adjusted(4, 4, -4, -4);
    const QString shown = _painter.fontMetrics().elidedText(FFallbackText, Qt::ElideRight,
                                                            textRect.width() * 3, Qt::TextWordWrap);
    _painter.drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap, shown);
}
