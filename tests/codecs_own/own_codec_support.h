// Helpers for the tests of our own raster and metafile codecs.
#pragma once

#include "engine/codecs/codec.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace owntest {

inline pix::Bytes bytesOf(const QByteArray& b) {
    return {reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())};
}

// The codec registered under a short name ("bmp", "pcx", ...); fails the test when missing.
const pix::Codec& codec(const QString& name);

// Reads with the named codec, returning the first page.
pix::PixPage readFirst(const QString& codecName, const QByteArray& bytes);

// Runs ImageMagick's convert with the arguments; returns its standard output, or a null array
// (and records a test failure) when it fails.
QByteArray magick(const QStringList& args);

// ImageMagick's decoding of a file: every frame as ARGB32 images of the given size.
QList<QImage> magickDecode(const QString& path, QSize size, int frames = 1);

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

// A small image with every palette entry in use: a colour gradient with, for alpha types,
// some fully transparent pixels.
QImage sampleOfType(int type, int width = 37, int height = 23);

} // namespace owntest
