#include "own_codec_support.h"

#include "engine/image_type.h"
#include "support/test_images.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace owntest {

const pix::Codec& codec(const QString& name) {
    for (const auto& c : pix::allCodecs())
        if (c->name() == name) return *c;
    ADD_FAILURE() << "no codec " << name.toStdString();
    throw std::runtime_error("missing codec");
}

pix::PixPage readFirst(const QString& codecName, const QByteArray& bytes) {
    const pix::DecodedFile f = codec(codecName).read(bytesOf(bytes));
    if (f.pages.isEmpty()) throw std::runtime_error("no pages");
    return f.pages.first();
}

QByteArray magick(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/convert"), args); // ImageMagick itself, not a wrapper
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "convert " << args.join(' ').toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

QList<QImage> magickDecode(const QString& path, QSize size, int frames) {
    const QByteArray raw =
        magick({QStringLiteral("-define"), QStringLiteral("psd:alpha-unblend=off"), path,
                QStringLiteral("-auto-orient"), QStringLiteral("-depth"), QStringLiteral("8"),
                QStringLiteral("rgba:-")});
    QList<QImage> out;
    const qsizetype frameBytes = qsizetype(size.width()) * size.height() * 4;
    if (raw.size() != frameBytes * frames) {
        ADD_FAILURE() << "ImageMagick gave " << raw.size() << " bytes for " << path.toStdString();
        return out;
    }
    for (int f = 0; f < frames; ++f) {
        QImage img(size, QImage::Format_ARGB32);
        const auto* s = reinterpret_cast<const uint8_t*>(raw.constData()) + f * frameBytes;
        for (int y = 0; y < size.height(); ++y) {
            auto* d = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < size.width(); ++x, s += 4) d[x] = qRgba(s[0], s[1], s[2], s[3]);
        }
        out.append(img);
    }
    return out;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) ADD_FAILURE() << "cannot read " << path.toStdString();
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QImage sampleOfType(int type, int width, int height) {
    QImage img = pixtest::gradientImage(width, height, pix::typeHasAlpha(type));
    if (pix::typeHasAlpha(type))
        for (int y = 0; y < height; y += 5) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < width; x += 3) row[x] &= 0x00FFFFFFu;
        }
    return pix::convertToType(img, type);
}

} // namespace owntest
