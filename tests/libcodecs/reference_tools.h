// Shared by the codec tests: independent references (ImageMagick and libtiff's tools, fed and read
// through PAM files that the tests write and parse themselves), sample pages and file helpers.
#pragma once

#include "engine/codecs/codec.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace pixtest {

// Runs a program; returns its standard output. Fails the running test (and returns "") when it
// cannot start or exits non-zero.
QByteArray runTool(const QString& program, const QStringList& args);

// True when `program` is on the PATH; tests that need an optional tool skip without it.
bool haveTool(const QString& program);

// ImageMagick's convert with the arguments; its standard output.
QByteArray magick(const QStringList& args);
// ImageMagick's decoding of one frame of a file, upright, as ARGB32 (straight alpha).
QImage magickDecode(const QString& path, int frame = 0);
// Writes `image` as a PAM and lets ImageMagick convert it to `path` with `options` before the
// output name (e.g. {"-quality", "90"}).
void magickEncode(const QImage& image, const QString& path, const QStringList& options = {});
// Several frames into one file (e.g. an animated GIF).
void magickEncodeFrames(const QList<QImage>& frames, const QString& path,
                        const QStringList& options = {});
// One ImageMagick property of a file, e.g. "%[EXIF:Make]" or "%n".
QString magickFormat(const QString& path, const QString& format);

// PAM (P7) writer and reader, 8 bits per sample, RGB_ALPHA.
QByteArray toPam(const QImage& image);
QImage fromPam(const QByteArray& pam);

// Largest channel difference over the pixels that can be seen: two fully transparent pixels
// count as equal whatever colour they carry. -1 when the sizes differ.
int visibleDiff(const QImage& a, const QImage& b);

// Bytes as the codecs take them.
pix::Bytes view(const QByteArray& bytes);

// The engine's codec for a file-type code, for "gif", or by its short name ("bmp", "pcx", ...).
const pix::Codec& codec(int fileType);
const pix::Codec& gifCodec();
const pix::Codec& codec(const QString& name);
// Reads with the named codec, returning the first page.
pix::PixPage readFirst(const QString& codecName, const QByteArray& bytes);

// A small image of the page type with every palette entry in use: a colour gradient with, for
// alpha types, some fully transparent pixels.
QImage sampleOfType(int type, int width = 37, int height = 23);
// imageOfType's picture as a page of that type.
pix::PixPage pageOfType(int type, int width = 37, int height = 23);
// Decodes a whole file, expecting the given file type and a single page; returns that page.
pix::PixPage decodeOnly(const QString& path, int fileType);

} // namespace pixtest
