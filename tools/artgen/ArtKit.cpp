#include "ArtKit.h"

#include <QFileInfo>
#include <QLineF>
#include <QtMath>

#include <cstdio>

QImage NewImage(int _width, int _height, const QColor &_fill)
{
    QImage image(_width, _height, QImage::Format_ARGB32_Premultiplied);
    image.fill(_fill);
    return image;
}

void BeginPaint(QPainter &_painter, QImage &_image)
{
    _painter.begin(&_image);
    _painter.setRenderHint(QPainter::Antialiasing);
    _painter.setRenderHint(QPainter::TextAntialiasing);
    _painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

QImage Drawn(int _width, int _height, const TPaintFn &_paint)
{
    QImage image = NewImage(_width, _height);
    QPainter painter;
    BeginPaint(painter, image);
    _paint(painter);
    painter.end();
    return image;
}

QImage Greyed(const QImage &_image)
{
    QImage out = _image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            // Lifting every tone into the upper half keeps the shape readable but clearly inert.
            const int grey = 118 + qGray(p) * 48 / 100;
            line[x] = qRgba(grey, grey, grey, qAlpha(p) * 80 / 100);
        }
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage SideBySide(const QList<QImage> &_images)
{
    int width = 0;
    int height = 0;
    for (const QImage &image : _images) {
        width += image.width();
        height = qMax(height, image.height());
    }
    QImage sheet = NewImage(width, height);
    QPainter painter(&sheet);
    int x = 0;
    for (const QImage &image : _images) {
        painter.drawImage(x, 0, image);
        x += image.width();
    }
    return sheet;
}

bool SaveImage(const QImage &_image, const QString &_path, const char *_format)
{
    QDir().mkpath(QFileInfo(_path).absolutePath());
    if (!_image.save(_path, _format)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(_path));
        return false;
    }
    return true;
}

QPainterPath RoundedPolygon(const QPolygonF &_points, qreal _radius)
{
    QPainterPath path;
    const qsizetype n = _points.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF corner = _points[i];
        const QPointF prev = _points[(i + n - 1) % n];
        const QPointF next = _points[(i + 1) % n];
        QLineF in(corner, prev);
        QLineF out(corner, next);
        const qreal cut = qMin(_radius, qMin(in.length(), out.length()) / 2);
        in.setLength(cut);
        out.setLength(cut);
        if (i == 0) {
            path.moveTo(in.p2());
        } else {
            path.lineTo(in.p2());
        }
        path.quadTo(corner, out.p2());
    }
    path.closeSubpath();
    return path;
}

QPainterPath PlayTriangle(const QRectF &_box, qreal _radius)
{
    const QPolygonF points{_box.topLeft(), QPointF(_box.right(), _box.center().y()),
                           _box.bottomLeft()};
    return RoundedPolygon(points, _radius);
}

QLinearGradient VerticalGradient(const QRectF &_box, const QColor &_top, const QColor &_bottom)
{
    QLinearGradient gradient(_box.topLeft(), _box.bottomLeft());
    gradient.setColorAt(0, _top);
    gradient.setColorAt(1, _bottom);
    return gradient;
}
