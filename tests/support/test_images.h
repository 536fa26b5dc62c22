// Small synthetic images shared by the tests.
#pragma once

#include <QImage>
#include <QString>

namespace pixtest {

// A deterministic colourful gradient with (when alpha) a varying alpha channel.
QImage gradientImage(int width, int height, bool alpha = false);
// A smooth opaque picture (red across, green down, blue along the diagonal), where the error of
// a lossy coding is small.
QImage smoothImage(int width, int height);
// One colour all over: 32-bit, with an alpha channel only when the colour is translucent.
QImage flatImage(int width, int height, QRgb colour);
// The image in every page type 0..6, converted from the gradient.
QImage imageOfType(int type, int width, int height);
// True when both images have the same size and the same ARGB values in every pixel.
bool samePixels(const QImage& a, const QImage& b);
// Largest per-channel difference (ARGB32 comparison); -1 when sizes differ.
int maxChannelDiff(const QImage& a, const QImage& b);
// A fresh empty folder for the running test, removed at exit.
QString tempDir();
// Whole files; a file that cannot be read or written fails the running test.
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

} // namespace pixtest

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
