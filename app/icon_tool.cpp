// Draws the program's icon for the hicolor theme: PNGs of every size from 16 to 512 pixels and
// the scalable SVG, all from the one drawing in platform/artwork.
#include "platform/artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: pixendra-icons HICOLOR-FOLDER APP-ID\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(dir) ||
            !artwork::appIcon(size).save(QStringLiteral("%1/%2.png").arg(dir, id), "PNG")) {
            std::fprintf(stderr, "pixendra-icons: cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    const QString dir = root + QStringLiteral("/scalable/apps");
    QFile svg(QStringLiteral("%1/%2.svg").arg(dir, id));
    if (!QDir().mkpath(dir) || !svg.open(QIODevice::WriteOnly) ||
        svg.write(artwork::appIconSvg().toUtf8()) < 0) {
        std::fprintf(stderr, "pixendra-icons: cannot write the SVG icon\n");
        return 1;
    }
    return 0;
}
