#include "ArtKit.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

// The mark: a film strip running into a play arrow on a blue tile. It is described once, as
// filled layers on a 256 grid, and both painted and written as SVG from that description.

namespace {

constexpr qreal Grid = 256;

struct TLayer
{
    QPainterPath lPath;
    QPointF lFrom;
    QPointF lTo;
    QColor lStart;
    QColor lEnd;
};

QList<TLayer> EmblemLayers(bool _detailed)
{
    QList<TLayer> layers;

    QPainterPath tile;
    tile.addRoundedRect(QRectF(16, 16, 224, 224), 52, 52);
    layers.append({tile, {16, 16}, {240, 240}, QColor(0x4F, 0xA8, 0xF8), Palette::DeepBlue});

    // The strip fades in from the left, as if it were running into the arrow; small sizes keep it
    // nearly solid, or the stub of strip left over would look like a smudge.
    QPainterPath film;
    film.addRoundedRect(QRectF(40, 94, 112, 68), 6, 6);
    if (_detailed) {
        for (qreal x = 52; x < 140; x += 22) {
            film.addRoundedRect(QRectF(x, 102, 12, 10), 2.5, 2.5);
            film.addRoundedRect(QRectF(x, 144, 12, 10), 2.5, 2.5);
        }
    }
    QColor faint = Palette::Paper;
    faint.setAlphaF(_detailed ? 0.45 : 0.8);
    layers.append({film, {40, 0}, {112, 0}, faint, Palette::Paper});
    if (_detailed) {
        QPainterPath frames;
        frames.addRoundedRect(QRectF(50, 117, 34, 22), 3, 3);
        frames.addRoundedRect(QRectF(90, 117, 34, 22), 3, 3);
        QColor tint = Palette::SkyBlue;
        tint.setAlphaF(0.25);
        QColor deep = Palette::Blue;
        deep.setAlphaF(0.55);
        layers.append({frames, {50, 0}, {124, 0}, tint, deep});
    }

    const QPainterPath head = RoundedPolygon({{126, 52}, {226, 128}, {126, 204}}, 16);
    layers.append({head, {0, 52}, {0, 204}, Palette::LightOrange, Palette::Orange});
    return layers;
}

QString Num(qreal _value)
{
    return QString::number(_value, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

QString Point(const QPointF &_p)
{
    return Num(_p.x()) + QLatin1Char(' ') + Num(_p.y());
}

QString SvgPathData(const QPainterPath &_path)
{
    QStringList parts;
    for (int i = 0; i < _path.elementCount(); ++i) {
        const QPainterPath::Element e = _path.elementAt(i);
        if (e.isMoveTo()) {
            if (i > 0) {
                parts << QStringLiteral("Z");
            }
            parts << QStringLiteral("M") + Point(e);
        } else if (e.isLineTo()) {
            parts << QStringLiteral("L") + Point(e);
        } else if (e.isCurveTo() && i + 2 < _path.elementCount()) {
            parts << QStringLiteral("C") + Point(e) + QLatin1Char(' ') +
                         Point(_path.elementAt(i + 1)) + QLatin1Char(' ') +
                         Point(_path.elementAt(i + 2));
            i += 2;
        }
    }
    parts << QStringLiteral("Z");
    return parts.join(QLatin1Char(' '));
}

QString SvgColor(const QColor &_color)
{
    return _color.name(QColor::HexRgb);
}

} // namespace

void PaintEmblem(QPainter &_painter, const QRectF &_box)
{
    const bool detailed = _box.width() >= 40;
    _painter.save();
    _painter.translate(_box.topLeft());
    _painter.scale(_box.width() / Grid, _box.height() / Grid);
    _painter.setPen(Qt::NoPen);
    for (const TLayer &layer : EmblemLayers(detailed)) {
        QLinearGradient gradient(layer.lFrom, layer.lTo);
        gradient.setColorAt(0, layer.lStart);
        gradient.setColorAt(1, layer.lEnd);
        _painter.fillPath(layer.lPath, gradient);
    }
    _painter.restore();
}

QImage EmblemImage(int _size)
{
    return Drawn(_size, _size,
                 [_size](QPainter &_p) { PaintEmblem(_p, QRectF(0, 0, _size, _size)); });
}

QString EmblemSvg()
{
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
           "viewBox=\"0 0 256 256\">\n";
    const QList<TLayer> layers = EmblemLayers(true);
    out << "  <defs>\n";
    for (qsizetype i = 0; i < layers.size(); ++i) {
        const TLayer &l = layers[i];
        out << "    <linearGradient id=\"g" << i << "\" gradientUnits=\"userSpaceOnUse\" x1=\""
            << Num(l.lFrom.x()) << "\" y1=\"" << Num(l.lFrom.y()) << "\" x2=\"" << Num(l.lTo.x())
            << "\" y2=\"" << Num(l.lTo.y()) << "\">\n"
            << "      <stop offset=\"0\" stop-color=\"" << SvgColor(l.lStart)
            << "\" stop-opacity=\"" << Num(l.lStart.alphaF()) << "\"/>\n"
            << "      <stop offset=\"1\" stop-color=\"" << SvgColor(l.lEnd) << "\" stop-opacity=\""
            << Num(l.lEnd.alphaF()) << "\"/>\n"
            << "    </linearGradient>\n";
    }
    out << "  </defs>\n";
    for (qsizetype i = 0; i < layers.size(); ++i) {
        out << "  <path fill=\"url(#g" << i << ")\" fill-rule=\"evenodd\" d=\""
            << SvgPathData(layers[i].lPath) << "\"/>\n";
    }
    out << "</svg>\n";
    return svg;
}

bool WriteIcons(const QDir &_imagesDir, const QDir &_iconsDir)
{
    bool ok = SaveImage(EmblemImage(256), _imagesDir.filePath(QStringLiteral("frobnik.png")));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps/").arg(size);
        ok = SaveImage(EmblemImage(size),
                       _iconsDir.filePath(folder + QStringLiteral("frobnik.png"))) &&
             ok;
    }
    const QByteArray svg = EmblemSvg().toUtf8();
    const QString path = _iconsDir.filePath(QStringLiteral("hicolor/scalable/apps/frobnik.svg"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(svg) != svg.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ok = false;
    }
    return ok;
}
