// Draws every picture the program ships: banners, button glyphs, device pictures and the
// application icon. Usage: frobnik_artgen <images folder> <icons folder>
#include "ArtKit.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: frobnik_artgen <images folder> <icons folder>\n");
        return 2;
    }
    const QDir images(args[1]);
    const QDir icons(args[2]);
    bool ok = WriteBanners(images);
    ok = WriteGlyphs(images) && ok;
    ok = WriteDevicePictures(images) && ok;
    ok = WriteIcons(images, icons) && ok;
    return ok ? 0 : 1;
}
