#include "ArtKit.h"

#include <QFont>

// Device pictures: one 70 x 70 drawing per device, turned into the four button states (normal,
// disabled, pressed, held down) side by side in a 24-bit Windows bitmap. Bitmaps carry no
// transparency, so every state sits on the button face; its corner pixels are plain button face.

namespace {

constexpr int Cell = 70;

QColor WithAlpha(QColor _color, qreal _alpha)
{
    _color.setAlphaF(_alpha);
    return _color;
}

// A lit screen with a soft diagonal sheen over its upper left half.
void PaintScreen(QPainter &_p, const QRectF &_screen, qreal _radius, const QColor &_top,
                 const QColor &_bottom)
{
    QPainterPath shape;
    shape.addRoundedRect(_screen, _radius, _radius);
    _p.fillPath(shape, VerticalGradient(_screen, _top, _bottom));
    QPainterPath sheen;
    sheen.addPolygon(QPolygonF{_screen.topLeft(),
                               {_screen.left() + _screen.width() * 0.75, _screen.top()},
                               {_screen.left(), _screen.top() + _screen.height() * 0.7}});
    _p.fillPath(shape.intersected(sheen), WithAlpha(Palette::Paper, 0.14));
}

void PaintBlueScreen(QPainter &_p, const QRectF &_screen, qreal _radius)
{
    PaintScreen(_p, _screen, _radius, Palette::SkyBlue, Palette::Blue);
}

void PaintTealScreen(QPainter &_p, const QRectF &_screen, qreal _radius)
{
    PaintScreen(_p, _screen, _radius, Palette::Teal, Palette::DeepTeal);
}

// A play triangle whose visual centre (not its box centre) sits on _centre.
void PaintPlay(QPainter &_p, const QPointF &_centre, qreal _height, const QColor &_color)
{
    const qreal width = _height * 0.9;
    const QRectF box(_centre.x() - width * 0.4, _centre.y() - _height / 2, width, _height);
    _p.fillPath(PlayTriangle(box, _height * 0.12), _color);
}

void PaintBody(QPainter &_p, const QRectF &_body, qreal _radius, const QColor &_color)
{
    _p.setPen(Qt::NoPen);
    _p.setBrush(_color);
    _p.drawRoundedRect(_body, _radius, _radius);
}

// A body with a thin light rim, so it stays apart from whatever it overlaps.
void PaintRimmedBody(QPainter &_p, const QRectF &_body, qreal _radius, const QColor &_color)
{
    _p.setPen(QPen(Palette::ButtonFace, 2));
    _p.setBrush(_color);
    _p.drawRoundedRect(_body, _radius, _radius);
    _p.setPen(Qt::NoPen);
}

void PaintDot(QPainter &_p, const QPointF &_centre, qreal _radius, const QColor &_color)
{
    _p.setPen(Qt::NoPen);
    _p.setBrush(_color);
    _p.drawEllipse(_centre, _radius, _radius);
}

// A generic two-grip game controller centred on _centre, _width wide.
void PaintGamepad(QPainter &_p, const QPointF &_centre, qreal _width, const QColor &_body,
                  const QColor &_detail, const QColor &_rim)
{
    const qreal s = _width / 40;
    const qreal cx = _centre.x();
    const qreal cy = _centre.y();
    QPainterPath top;
    top.addRoundedRect(QRectF(cx - 17 * s, cy - 8 * s, 34 * s, 14 * s), 6 * s, 6 * s);
    QPainterPath left;
    left.addEllipse(QRectF(cx - 20 * s, cy - 6 * s, 14 * s, 18 * s));
    QPainterPath right;
    right.addEllipse(QRectF(cx + 6 * s, cy - 6 * s, 14 * s, 18 * s));
    const QPainterPath shape = top.united(left).united(right).simplified();

    _p.setPen(QPen(_rim, 2 * s));
    _p.setBrush(_body);
    _p.drawPath(shape);
    _p.setPen(Qt::NoPen);

    _p.setBrush(_detail);
    const QPointF pad(cx - 11 * s, cy - 1.5 * s);
    _p.drawRoundedRect(QRectF(pad.x() - 4.5 * s, pad.y() - 1.5 * s, 9 * s, 3 * s), 0.8 * s,
                       0.8 * s);
    _p.drawRoundedRect(QRectF(pad.x() - 1.5 * s, pad.y() - 4.5 * s, 3 * s, 9 * s), 0.8 * s,
                       0.8 * s);
    const QPointF keys(cx + 11 * s, cy - 1.5 * s);
    for (const QPointF &d :
         {QPointF(0, -3.2), QPointF(3.2, 0), QPointF(0, 3.2), QPointF(-3.2, 0)}) {
        PaintDot(_p, keys + d * s, 1.5 * s, _detail);
    }
    PaintDot(_p, {cx - 4.5 * s, cy + 4 * s}, 2.6 * s, _detail);
    PaintDot(_p, {cx + 4.5 * s, cy + 4 * s}, 2.6 * s, _detail);
}

// A round badge with a white edge, used to mark what a symbol is about.
void PaintPlayBadge(QPainter &_p, const QPointF &_centre, qreal _radius, const QColor &_color)
{
    _p.setPen(QPen(Palette::Paper, 2.5));
    _p.setBrush(_color);
    _p.drawEllipse(_centre, _radius, _radius);
    _p.setPen(Qt::NoPen);
    PaintPlay(_p, _centre, _radius * 0.95, Palette::Paper);
}

void PaintModernPhone(QPainter &_p)
{
    PaintBody(_p, QRectF(47.5, 21, 1.6, 7), 0.8, Palette::SlateLight);
    PaintBody(_p, QRectF(22, 9, 26, 52), 6.5, Palette::Slate);
    PaintBlueScreen(_p, QRectF(24.2, 11.2, 21.6, 47.6), 4.6);
    PaintBody(_p, QRectF(31, 13.5, 8, 2.6), 1.3, Palette::Slate);
    PaintBody(_p, QRectF(30, 55.2, 10, 1.3), 0.65, WithAlpha(Palette::Paper, 0.85));
    PaintPlay(_p, {35, 35}, 12, Palette::Paper);
}

void PaintPunchHolePhone(QPainter &_p)
{
    PaintBody(_p, QRectF(47.5, 17, 1.6, 10), 0.8, Palette::SlateLight);
    PaintBody(_p, QRectF(22, 9, 26, 52), 4, Palette::Slate);
    PaintTealScreen(_p, QRectF(24.2, 11.2, 21.6, 47.6), 2.6);
    PaintDot(_p, {35, 14.6}, 1.5, Palette::Slate);
    for (qreal x : {29.5, 35.0, 40.5}) {
        PaintDot(_p, {x, 55.6}, 0.9, WithAlpha(Palette::Paper, 0.85));
    }
    PaintPlay(_p, {35, 35}, 12, Palette::Paper);
}

void PaintPortraitTablet(QPainter &_p)
{
    PaintBody(_p, QRectF(16, 8, 38, 54), 5.5, Palette::Slate);
    PaintBlueScreen(_p, QRectF(19, 11.5, 32, 47), 2.5);
    PaintDot(_p, {35, 9.8}, 0.8, Palette::SlateLight);
    PaintPlay(_p, {35, 35}, 15, Palette::Paper);
}

void PaintLandscapeTablet(QPainter &_p)
{
    PaintBody(_p, QRectF(8, 16, 54, 38), 5.5, Palette::Slate);
    PaintTealScreen(_p, QRectF(11.5, 19, 47, 32), 2.5);
    PaintDot(_p, {9.8, 35}, 0.8, Palette::SlateLight);
    PaintPlay(_p, {35, 35}, 15, Palette::Paper);
}

void PaintSmartTv(QPainter &_p)
{
    _p.setPen(QPen(Palette::Slate, 3, Qt::SolidLine, Qt::RoundCap));
    _p.drawLine(QPointF(17, 46), QPointF(13, 58));
    _p.drawLine(QPointF(53, 46), QPointF(57, 58));
    PaintBody(_p, QRectF(8, 13, 54, 36), 3, Palette::Slate);
    const QRectF screen(10.2, 15.2, 49.6, 31.6);
    PaintBlueScreen(_p, screen, 1.5);
    // A row of app tiles under the play mark says "smart".
    for (int i = 0; i < 4; ++i) {
        PaintBody(_p, QRectF(15 + i * 10.5, 38.5, 8.5, 5), 1.2, WithAlpha(Palette::Paper, 0.55));
    }
    PaintPlay(_p, {35, 27}, 12, Palette::Paper);
}

void PaintUhdTv(QPainter &_p)
{
    PaintBody(_p, QRectF(31.5, 48, 7, 6), 0, Palette::SlateLight);
    PaintBody(_p, QRectF(21, 53.5, 28, 3.2), 1.6, Palette::Slate);
    PaintBody(_p, QRectF(7, 14, 56, 35), 2.5, Palette::Slate);
    PaintScreen(_p, QRectF(8.6, 15.6, 52.8, 31.8), 1.2, QColor(0x4B, 0x8F, 0xF0), Palette::Navy);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(17);
    _p.setFont(font);
    _p.setPen(Palette::Paper);
    _p.drawText(QRectF(8.6, 15.6, 52.8, 31.8), Qt::AlignCenter, QStringLiteral("4K"));
}

void PaintSlimConsole(QPainter &_p)
{
    PaintBody(_p, QRectF(10, 11, 50, 15), 3.5, Palette::Slate);
    PaintBody(_p, QRectF(14, 17.2, 42, 1.8), 0.9, Palette::SkyBlue);
    PaintBody(_p, QRectF(14, 21.5, 18, 1.2), 0.6, Palette::SlateLight);
    PaintDot(_p, {54, 22}, 1.1, Palette::Paper);
    PaintGamepad(_p, {35, 43}, 42, Palette::Paper, Palette::Slate, Palette::Outline);
}

void PaintTowerConsole(QPainter &_p)
{
    PaintBody(_p, QRectF(10, 8, 22, 46), 3.5, Palette::Slate);
    PaintBody(_p, QRectF(13, 10.5, 16, 4), 2, QColor(0x1F, 0x28, 0x33));
    PaintDot(_p, {14.5, 19}, 1.1, Palette::Paper);
    PaintGamepad(_p, {42, 47}, 38, Palette::SlateLight, Palette::Paper, Palette::ButtonFace);
}

void PaintHandheldConsole(QPainter &_p)
{
    PaintBody(_p, QRectF(6, 21, 16, 28), 7, Palette::Orange);
    PaintBody(_p, QRectF(48, 21, 16, 28), 7, Palette::Orange);
    PaintBody(_p, QRectF(17, 21, 36, 28), 2, Palette::Slate);
    PaintBlueScreen(_p, QRectF(19.5, 23.5, 31, 23), 1.2);
    PaintPlay(_p, {35, 35}, 11, Palette::Paper);
    PaintDot(_p, {12.5, 28.5}, 2.8, Palette::Slate);
    PaintDot(_p, {57.5, 41.5}, 2.8, Palette::Slate);
    for (const QPointF &d :
         {QPointF(0, -2.6), QPointF(2.6, 0), QPointF(0, 2.6), QPointF(-2.6, 0)}) {
        PaintDot(_p, QPointF(12.5, 40.5) + d, 1.1, Palette::Slate);
        PaintDot(_p, QPointF(57.5, 29.5) + d, 1.1, Palette::Slate);
    }
}

void PaintWebVideo(QPainter &_p)
{
    const QPointF c(31, 32);
    const qreal r = 22;
    const QRectF globe(c.x() - r, c.y() - r, 2 * r, 2 * r);
    QPainterPath disc;
    disc.addEllipse(globe);
    _p.fillPath(disc, VerticalGradient(globe, Palette::SkyBlue, Palette::Blue));
    _p.save();
    _p.setClipPath(disc);
    _p.setPen(QPen(WithAlpha(Palette::Paper, 0.75), 1.6));
    _p.setBrush(Qt::NoBrush);
    _p.drawEllipse(c, r * 0.45, r);
    _p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    _p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    _p.drawLine(QPointF(c.x() - r, c.y() - r * 0.5), QPointF(c.x() + r, c.y() - r * 0.5));
    _p.drawLine(QPointF(c.x() - r, c.y() + r * 0.5), QPointF(c.x() + r, c.y() + r * 0.5));
    _p.restore();
    PaintPlayBadge(_p, {48, 48}, 12, Palette::Orange);
}

void PaintMailClip(QPainter &_p)
{
    const QRectF envelope(8.5, 15.5, 46, 32);
    _p.setPen(QPen(Palette::Outline, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    _p.setBrush(Palette::Paper);
    _p.drawRoundedRect(envelope, 3, 3);
    _p.setPen(QPen(Palette::PaperShade, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    _p.drawLine(QPointF(10.5, 45.5), QPointF(26, 32));
    _p.drawLine(QPointF(52.5, 45.5), QPointF(37, 32));
    _p.setPen(QPen(Palette::Outline, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    _p.drawPolyline(QPolygonF{{10, 17.5}, {31.5, 34}, {53, 17.5}});

    // A frame of film riding on the letter: the attachment is a clip.
    const QRectF frame(37, 38, 25, 20);
    _p.setPen(QPen(Palette::Paper, 2.5));
    _p.setBrush(Palette::Blue);
    _p.drawRoundedRect(frame, 3, 3);
    _p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        const qreal x = frame.left() + 3 + i * 5.6;
        PaintBody(_p, QRectF(x, frame.top() + 2, 2.6, 2.2), 0.6, Palette::Paper);
        PaintBody(_p, QRectF(x, frame.bottom() - 4.2, 2.6, 2.2), 0.6, Palette::Paper);
    }
    PaintPlay(_p, frame.center(), 8, Palette::Paper);
}

void PaintMusicNotes(QPainter &_p)
{
    const QRectF area(12, 8, 46, 54);
    const QLinearGradient ink = VerticalGradient(area, Palette::Blue, Palette::DeepBlue);
    QPainterPath notes;
    for (const QPointF &head : {QPointF(21, 50), QPointF(44, 44)}) {
        QTransform tilt;
        tilt.translate(head.x(), head.y());
        tilt.rotate(-22);
        QPainterPath ellipse;
        ellipse.addEllipse(QPointF(0, 0), 7.5, 5.4);
        notes.addPath(tilt.map(ellipse));
    }
    notes.addRect(QRectF(25.8, 18, 3.2, 31));
    notes.addRect(QRectF(48.8, 12, 3.2, 31));
    notes.addPolygon(QPolygonF{{25.8, 15}, {52, 9}, {52, 17}, {25.8, 23}});
    _p.fillPath(notes.simplified(), ink);
}

void PaintKeypadPhone(QPainter &_p)
{
    PaintBody(_p, QRectF(38.5, 4, 4, 10), 1.8, Palette::SlateLight);
    PaintBody(_p, QRectF(24, 10, 22, 52), 5, Palette::Slate);
    PaintBody(_p, QRectF(31, 13, 8, 1.4), 0.7, Palette::SlateLight);
    PaintScreen(_p, QRectF(27, 17, 16, 13), 1.5, QColor(0xD7, 0xEC, 0xB8),
                QColor(0xA6, 0xCC, 0x84));
    for (int i = 0; i < 3; ++i) {
        PaintBody(_p, QRectF(29 + i * 2.6, 25.5 - i * 2, 1.6, 2.5 + i * 2), 0.4,
                  WithAlpha(Palette::Slate, 0.7));
    }
    PaintBody(_p, QRectF(30.5, 32.5, 9, 3.6), 1.8, Palette::SlateLight);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 3; ++col) {
            PaintBody(_p, QRectF(27.2 + col * 5.6, 38.5 + row * 5.5, 4.4, 3.8), 1.2,
                      Palette::Silver);
        }
    }
}

// The shared picture for presets without their own: a screen with a phone in front of it.
void PaintGenericDevice(QPainter &_p)
{
    PaintBody(_p, QRectF(25, 43, 6, 6), 0, Palette::SlateLight);
    PaintBody(_p, QRectF(17, 48, 22, 3.2), 1.6, Palette::Slate);
    PaintBody(_p, QRectF(6, 12, 46, 32), 3, Palette::Slate);
    PaintBlueScreen(_p, QRectF(8.4, 14.4, 41.2, 27.2), 1.5);
    PaintPlay(_p, {28, 28}, 12, Palette::Paper);
    PaintRimmedBody(_p, QRectF(44, 28, 18, 33), 3.5, Palette::Slate);
    PaintTealScreen(_p, QRectF(45.8, 30.8, 14.4, 27.4), 2);
}

QImage StateCell(const QImage &_device, const QColor &_fill, const QPen &_frame,
                 const QPointF &_shift)
{
    QImage cell = NewImage(Cell, Cell, Palette::ButtonFace);
    QPainter painter;
    BeginPaint(painter, cell);
    if (_fill.isValid()) {
        painter.setPen(_frame);
        painter.setBrush(_fill);
        const qreal inset = 2 + _frame.widthF() / 2;
        painter.drawRoundedRect(QRectF(inset, inset, Cell - 2 * inset, Cell - 2 * inset), 9, 9);
    }
    painter.drawImage(_shift, _device);
    painter.end();
    return cell;
}

QImage FourStates(const QImage &_device)
{
    const QImage normal = StateCell(_device, QColor(), QPen(), {0, 0});
    const QImage disabled = StateCell(Greyed(_device), QColor(), QPen(), {0, 0});
    // Pressed sinks a little; held down keeps a clear accent frame so the chosen device stands out.
    const QImage pressed =
        StateCell(_device, QColor(0xCF, 0xDF, 0xF4), QPen(QColor(0x86, 0xAC, 0xE2), 1), {1, 1});
    const QImage held =
        StateCell(_device, QColor(0xE3, 0xEF, 0xFD), QPen(Palette::Blue, 2), {0, 0});
    return SideBySide({normal, disabled, pressed, held}).convertToFormat(QImage::Format_RGB888);
}

} // namespace

bool WriteDevicePictures(const QDir &_imagesDir)
{
    struct TDeviceFile
    {
        const char *dfKey;
        TPaintFn dfPaint;
    };
    const TDeviceFile devices[] = {
        {"iphone", PaintModernPhone},
        {"ipad", PaintPortraitTablet},
        {"androidphone", PaintPunchHolePhone},
        {"androidtablet", PaintLandscapeTablet},
        {"smarttv", PaintSmartTv},
        {"4ktv", PaintUhdTv},
        {"playstation", PaintSlimConsole},
        {"xbox", PaintTowerConsole},
        {"switch", PaintHandheldConsole},
        {"webvideo", PaintWebVideo},
        {"emailclip", PaintMailClip},
        {"mp3audio", PaintMusicNotes},
        {"oldphone", PaintKeypadPhone},
    };
    bool ok = true;
    for (const TDeviceFile &d : devices) {
        const QString name =
            QStringLiteral("device_") + QLatin1String(d.dfKey) + QStringLiteral(".bmp");
        ok =
            SaveImage(FourStates(Drawn(Cell, Cell, d.dfPaint)), _imagesDir.filePath(name), "BMP") &&
            ok;
    }
    ok = SaveImage(FourStates(Drawn(Cell, Cell, PaintGenericDevice)),
                   _imagesDir.filePath(QStringLiteral("device1_4state.bmp")), "BMP") &&
         ok;
    return ok;
}
