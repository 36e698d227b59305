#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>

// One palette for every picture, so the window, the device strip and the icon read as one set.
namespace Palette {
inline const QColor SkyBlue{0x5C, 0xB2, 0xF8};
inline const QColor Blue{0x2D, 0x6C, 0xDF};
inline const QColor DeepBlue{0x1A, 0x47, 0xA6};
inline const QColor Navy{0x12, 0x2E, 0x6B};
inline const QColor Orange{0xFF, 0x9A, 0x1F};
inline const QColor LightOrange{0xFF, 0xC1, 0x4D};
inline const QColor Green{0x2E, 0xAA, 0x4F};
inline const QColor Teal{0x3C, 0xC8, 0xA0};
inline const QColor DeepTeal{0x17, 0x8F, 0x7C};
inline const QColor Slate{0x33, 0x40, 0x4F};
inline const QColor SlateLight{0x55, 0x64, 0x75};
inline const QColor Outline{0x5F, 0x6B, 0x7A};
inline const QColor Silver{0xC9, 0xD2, 0xDC};
inline const QColor Paper{0xFF, 0xFF, 0xFF};
inline const QColor PaperShade{0xDC, 0xE3, 0xEB};
inline const QColor FolderBack{0xE3, 0xA5, 0x28};
inline const QColor FolderFront{0xFF, 0xD5, 0x5E};
inline const QColor FolderFrontLow{0xF6, 0xBB, 0x2E};
inline const QColor FolderEdge{0xB0, 0x78, 0x14};
// The button face the device pictures sit on; a flat button shows it unchanged.
inline const QColor ButtonFace{0xF0, 0xF0, 0xF0};
} // namespace Palette

using TPaintFn = std::function<void(QPainter &)>;

QImage NewImage(int _width, int _height, const QColor &_fill = Qt::transparent);
// Starts an antialiased painter on an image.
void BeginPaint(QPainter &_painter, QImage &_image);
// A transparent image of the given size with _paint's drawing on it.
QImage Drawn(int _width, int _height, const TPaintFn &_paint);
// The look of a disabled control: colour drained, lighter, a little transparent.
QImage Greyed(const QImage &_image);
QImage SideBySide(const QList<QImage> &_images);
// Writes the image, creating the folder; reports failures on stderr.
bool SaveImage(const QImage &_image, const QString &_path, const char *_format = nullptr);

// A polygon whose corners are rounded by _radius (cut back along both edges).
QPainterPath RoundedPolygon(const QPolygonF &_points, qreal _radius);
// A right-pointing play triangle filling the given box, corners softened.
QPainterPath PlayTriangle(const QRectF &_box, qreal _radius);
QLinearGradient VerticalGradient(const QRectF &_box, const QColor &_top, const QColor &_bottom);

// The brand mark in a square box; small boxes get fewer details so they stay legible.
void PaintEmblem(QPainter &_painter, const QRectF &_box);
QImage EmblemImage(int _size);
QString EmblemSvg();

bool WriteBanners(const QDir &_imagesDir);
bool WriteGlyphs(const QDir &_imagesDir);
bool WriteDevicePictures(const QDir &_imagesDir);
bool WriteIcons(const QDir &_imagesDir, const QDir &_iconsDir);
