#include "ArtKit.h"

#include <QFont>

// The main window's banner carries a white caption over its left part, so the left end holds only
// the small emblem and the middle stays calm; the film strip decorates the right end.

namespace {

void PaintBannerGround(QPainter &_painter, const QSize &_size)
{
    const QRectF all(QPointF(0, 0), _size);
    QLinearGradient across(all.topLeft(), all.topRight());
    across.setColorAt(0, QColor(0x4A, 0x9A, 0xEC));
    across.setColorAt(0.55, Palette::Blue);
    across.setColorAt(1, Palette::Navy);
    _painter.fillRect(all, across);

    QColor sheen = Palette::Paper;
    sheen.setAlphaF(0.16);
    QColor clear = sheen;
    clear.setAlphaF(0);
    _painter.fillRect(QRectF(0, 0, _size.width(), _size.height() / 2.0),
                      VerticalGradient(QRectF(0, 0, 1, _size.height() / 2.0), sheen, clear));

    QColor rim = Palette::Navy;
    rim.setAlphaF(0.45);
    _painter.fillRect(QRectF(0, _size.height() - 1, _size.width(), 1), rim);
}

// A strip of film seen as a negative: perforations and frames are cut out, so the blue ground
// shows through. It fades in from the left and is free to run off the right edge.
void PaintFilmStrip(QPainter &_painter, const QRectF &_strip, qreal _angle)
{
    const qreal h = _strip.height();
    const qreal edge = h * 0.08;
    const qreal holeH = h * 0.12;
    const qreal holeW = holeH * 1.3;
    const qreal frameTop = _strip.top() + edge + holeH + edge;
    const qreal frameH = _strip.bottom() - edge - holeH - edge - frameTop;
    const qreal frameW = frameH * 1.35;

    QPainterPath film;
    film.addRoundedRect(_strip, h * 0.06, h * 0.06);
    for (qreal x = _strip.left() + holeW; x + holeW < _strip.right(); x += holeW * 2.2) {
        film.addRoundedRect(QRectF(x, _strip.top() + edge, holeW, holeH), 0.8, 0.8);
        film.addRoundedRect(QRectF(x, _strip.bottom() - edge - holeH, holeW, holeH), 0.8, 0.8);
    }
    for (qreal x = _strip.left() + holeW; x + frameW < _strip.right() + frameW;
         x += frameW + holeW) {
        film.addRoundedRect(QRectF(x, frameTop, frameW, frameH), 1.5, 1.5);
    }

    QColor solid = Palette::Paper;
    solid.setAlphaF(0.30);
    QColor clear = solid;
    clear.setAlphaF(0);
    QLinearGradient fade(_strip.topLeft(), QPointF(_strip.left() + _strip.width() * 0.45, 0));
    fade.setColorAt(0, clear);
    fade.setColorAt(1, solid);

    _painter.save();
    _painter.translate(_strip.center());
    _painter.rotate(_angle);
    _painter.translate(-_strip.center());
    _painter.fillPath(film, fade);
    _painter.restore();
}

QImage Banner(const QSize &_size, const QRectF &_strip, const QRectF &_emblem,
              const TPaintFn &_extra)
{
    return Drawn(_size.width(), _size.height(), [&](QPainter &_p) {
        PaintBannerGround(_p, _size);
        PaintFilmStrip(_p, _strip, -5);
        PaintEmblem(_p, _emblem);
        _extra(_p);
    });
}

void PaintWordmark(QPainter &_p, const QRectF &_box)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(25);
    _p.setFont(font);
    QColor shadow = Palette::Navy;
    shadow.setAlphaF(0.45);
    _p.setPen(shadow);
    _p.drawText(_box.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Frobnik"));
    _p.setPen(Palette::Paper);
    _p.drawText(_box, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Frobnik"));
}

} // namespace

bool WriteBanners(const QDir &_imagesDir)
{
    // The main window's banner leaves its caption to the window (it is translated).
    const QImage main =
        Banner(QSize(459, 36), QRectF(300, 6, 190, 25), QRectF(5, 4, 28, 28), [](QPainter &) {});
    const QImage about = Banner(QSize(360, 50), QRectF(200, 8, 190, 34), QRectF(6, 5, 40, 40),
                                [](QPainter &_p) { PaintWordmark(_p, QRectF(56, 0, 200, 50)); });
    bool ok = SaveImage(main, _imagesDir.filePath(QStringLiteral("banner.png")));
    ok = SaveImage(about, _imagesDir.filePath(QStringLiteral("about_banner.png"))) && ok;
    return ok;
}
