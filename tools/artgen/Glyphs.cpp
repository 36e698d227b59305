#include "ArtKit.h"

// Button glyphs are drawn at their real pixel size, with 1-pixel outlines on half-pixel
// coordinates, so they stay crisp instead of being scaled down from a larger drawing. Each file
// holds the normal glyph and its greyed twin side by side.

namespace {

QImage GlyphPair(int _size, const TPaintFn &_paint)
{
    const QImage glyph = Drawn(_size, _size, _paint);
    return SideBySide({glyph, Greyed(glyph)});
}

QPen Edge(const QColor &_color, qreal _width = 1)
{
    return QPen(_color, _width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPainterPath Polyline(const QPolygonF &_points)
{
    QPainterPath path;
    path.addPolygon(_points);
    path.closeSubpath();
    return path;
}

QLinearGradient FolderFace(const QRectF &_box)
{
    return VerticalGradient(_box, Palette::FolderFront, Palette::FolderFrontLow);
}

// A closed folder whose front face spans _front; the back with its tab rises above it.
void PaintClosedFolder(QPainter &_p, const QRectF &_front, qreal _tabTop)
{
    const qreal l = _front.left();
    const qreal r = _front.right();
    const qreal b = _front.bottom();
    const qreal backTop = _tabTop + 2;
    _p.setPen(Edge(Palette::FolderEdge));
    _p.setBrush(Palette::FolderBack);
    _p.drawPath(
        Polyline({{l, _tabTop}, {l + 4, _tabTop}, {l + 6, backTop}, {r, backTop}, {r, b}, {l, b}}));
    _p.setBrush(FolderFace(_front));
    _p.drawRoundedRect(_front, 1, 1);
}

void PaintOpenFile16(QPainter &_p)
{
    _p.setPen(Edge(Palette::Outline));
    _p.setBrush(Palette::Paper);
    _p.drawPath(Polyline({{3.5, 1.5}, {9.5, 1.5}, {12.5, 4.5}, {12.5, 14.5}, {3.5, 14.5}}));
    _p.setBrush(Palette::PaperShade);
    _p.drawPath(Polyline({{9.5, 1.5}, {9.5, 4.5}, {12.5, 4.5}}));
    _p.setPen(Qt::NoPen);
    _p.setBrush(Palette::Green);
    _p.drawPath(PlayTriangle(QRectF(6, 6.5, 5, 6), 0.7));
}

void PaintOpenFolder16(QPainter &_p)
{
    PaintClosedFolder(_p, QRectF(1.5, 6.5, 13, 7), 2.5);
}

// The output file's folder: a folder with a blue arrow heading into it.
void PaintOutputFolder16(QPainter &_p)
{
    PaintClosedFolder(_p, QRectF(0.5, 5.5, 13, 8), 1.5);
    const QPolygonF arrow{{5, 9.5}, {9, 9.5}, {9, 7}, {14.5, 11}, {9, 15}, {9, 12.5}, {5, 12.5}};
    _p.setPen(Edge(Palette::Paper, 2));
    _p.setBrush(Qt::NoBrush);
    _p.drawPath(Polyline(arrow));
    _p.setPen(Edge(Palette::DeepBlue, 0.9));
    _p.setBrush(Palette::Blue);
    _p.drawPath(Polyline(arrow));
}

void PaintDropDown12(QPainter &_p)
{
    _p.setPen(Edge(Palette::Slate, 1.8));
    _p.setBrush(Qt::NoBrush);
    _p.drawPolyline(QPolygonF{{2.5, 4.25}, {6, 7.75}, {9.5, 4.25}});
}

// A monitor playing a clip: opens the converted file.
void PaintPlayFile24(QPainter &_p)
{
    _p.setPen(Qt::NoPen);
    _p.setBrush(Palette::SlateLight);
    _p.drawRect(QRectF(10, 17, 4, 3));
    _p.setBrush(Palette::Slate);
    _p.drawRoundedRect(QRectF(6, 19.5, 12, 2.5), 1.2, 1.2);
    _p.drawRoundedRect(QRectF(1, 3, 22, 15), 2, 2);
    const QRectF screen(2.5, 4.5, 19, 12);
    _p.setBrush(VerticalGradient(screen, QColor(0xF2, 0xF8, 0xFF), QColor(0xC6, 0xDF, 0xF9)));
    _p.drawRoundedRect(screen, 0.8, 0.8);
    _p.setBrush(Palette::Green);
    _p.drawPath(PlayTriangle(QRectF(9.5, 6.5, 7, 8), 1));
}

void PaintOpenFolder24(QPainter &_p)
{
    _p.setPen(Edge(Palette::FolderEdge));
    _p.setBrush(Palette::FolderBack);
    _p.drawPath(
        Polyline({{1.5, 20.5}, {1.5, 3.5}, {8, 3.5}, {10, 5.5}, {19.5, 5.5}, {19.5, 20.5}}));
    _p.setPen(Edge(Palette::Outline));
    _p.setBrush(Palette::Paper);
    _p.drawRect(QRectF(4.5, 7.5, 13, 10));
    _p.setPen(Edge(Palette::PaperShade));
    for (qreal y = 10.5; y < 16; y += 2) {
        _p.drawLine(QPointF(6.5, y), QPointF(15.5, y));
    }
    _p.setPen(Edge(Palette::FolderEdge));
    const QRectF front(1.5, 10.5, 21, 10);
    _p.setBrush(FolderFace(front));
    _p.drawPath(Polyline({{5.5, 10.5}, {22.5, 10.5}, {19, 20.5}, {1.5, 20.5}}));
}

} // namespace

bool WriteGlyphs(const QDir &_imagesDir)
{
    struct TGlyphFile
    {
        const char *gfName;
        int gfSize;
        TPaintFn gfPaint;
    };
    // The two images of the open button's image list, then the other buttons' glyphs.
    const TGlyphFile files[] = {
        {"imagelist16x32_0.png", 16, PaintOpenFile16},
        {"imagelist16x32_1.png", 16, PaintOpenFolder16},
        {"dropdown_12.png", 12, PaintDropDown12},
        {"output_folder_16.png", 16, PaintOutputFolder16},
        {"play_file_24.png", 24, PaintPlayFile24},
        {"open_folder_24.png", 24, PaintOpenFolder24},
    };
    bool ok = true;
    for (const TGlyphFile &f : files) {
        ok = SaveImage(GlyphPair(f.gfSize, f.gfPaint),
                       _imagesDir.filePath(QLatin1String(f.gfName))) &&
             ok;
    }
    return ok;
}
