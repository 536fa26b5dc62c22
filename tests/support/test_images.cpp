#include "test_images.h"

#include "engine/image_type.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace pixtest {

QImage gradientImage(int width, int height, bool alpha) {
    QImage img(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = (x * 255) / std::max(1, width - 1);
            const int g = (y * 255) / std::max(1, height - 1);
            const int b = ((x + y) * 7) & 0xFF;
            const int a = alpha ? 40 + ((x * 3 + y * 5) % 216) : 255;
            row[x] = qRgba(r, g, b, a);
        }
    }
    return img;
}

QImage smoothImage(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(x * 255 / width, y * 255 / height, (x + y) * 255 / (width + height));
    }
    return img;
}

QImage flatImage(int width, int height, QRgb colour) {
    QImage img(width, height, qAlpha(colour) == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    img.fill(colour);
    return img;
}

QImage imageOfType(int type, int width, int height) {
    return pix::convertToType(gradientImage(width, height, pix::typeHasAlpha(type)), type);
}

int maxChannelDiff(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c) {
            worst = std::max(
                {worst, std::abs(qRed(p[c]) - qRed(q[c])), std::abs(qGreen(p[c]) - qGreen(q[c])),
                 std::abs(qBlue(p[c]) - qBlue(q[c])), std::abs(qAlpha(p[c]) - qAlpha(q[c]))});
        }
    }
    return worst;
}

bool samePixels(const QImage& a, const QImage& b) {
    return maxChannelDiff(a, b) == 0;
}

QString tempDir() {
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) dir = std::make_unique<QTemporaryDir>();
    static int n = 0;
    const QString path = dir->path() + QStringLiteral("/t%1").arg(++n);
    QDir().mkpath(path);
    return path;
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

} // namespace pixtest
