// GIF: frames as pages composed like ImageMagick's -coalesce, interlace, transparency, and no
// writing.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/image_type.h"
#include "engine/pix_error.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pixtest;

namespace {

// A moving square over a still background: frame optimisation leaves small partial frames.
QList<QImage> movingSquare(int frames, bool transparentBackground) {
    QList<QImage> out;
    for (int f = 0; f < frames; ++f) {
        QImage img(48, 32, QImage::Format_ARGB32);
        img.fill(transparentBackground ? qRgba(0, 0, 0, 0) : qRgb(30, 60, 200));
        for (int y = 4; y < 16; ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 5 + 8 * f; x < 17 + 8 * f; ++x) row[x] = qRgb(250, 200 - 40 * f, 10);
        }
        out.append(img);
    }
    return out;
}

// ImageMagick's coalesced frames of a file.
QList<QImage> magickCoalesced(const QString& path, int frames) {
    const QString dir = tempDir();
    runTool("/usr/bin/convert", {path, "-coalesce", dir + "/frame_%d.pam"});
    QList<QImage> out;
    for (int i = 0; i < frames; ++i)
        out.append(fromPam(readBytes(dir + QStringLiteral("/frame_%1.pam").arg(i))));
    return out;
}

void expectPagesLikeMagick(const QString& path, int frames) {
    const pix::DecodedFile file = gifCodec().read(view(readBytes(path)));
    const QList<QImage> reference = magickCoalesced(path, frames);
    ASSERT_EQ(file.pages.size(), frames);
    for (int i = 0; i < frames; ++i)
        EXPECT_EQ(visibleDiff(file.pages[i].image, reference[i]), 0) << "frame " << i;
}

} // namespace

TEST(GifFrames, OptimisedAnimationComposesLikeMagick) {
    const QString path = tempDir() + "/anim.gif";
    magickEncodeFrames(movingSquare(4, false), path, {"-layers", "Optimize"});
    expectPagesLikeMagick(path, 4);
}

TEST(GifFrames, BackgroundDisposalAndTransparency) {
    const QString path = tempDir() + "/dispose.gif";
    magickEncodeFrames(movingSquare(3, true), path, {"-dispose", "Background"});
    expectPagesLikeMagick(path, 3);
    const pix::DecodedFile file = gifCodec().read(view(readBytes(path)));
    EXPECT_EQ(file.pages[0].type, pix::kIndexedAlpha);
    EXPECT_EQ(qAlpha(file.pages[0].image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(file.pages[0].image.pixel(6, 5)), 255);
}

TEST(GifFrames, PreviousDisposal) {
    const QString path = tempDir() + "/previous.gif";
    QList<QImage> frames = movingSquare(3, false);
    magickEncodeFrames(frames, path, {"-dispose", "Previous", "-layers", "Optimize"});
    expectPagesLikeMagick(path, 3);
}

TEST(GifFrames, InterlacedStillImageKeepsItsPalette) {
    const QString path = tempDir() + "/still.gif";
    magickEncode(gradientImage(50, 37), path, {"-interlace", "GIF", "-colors", "64"});
    const pix::DecodedFile file = gifCodec().read(view(readBytes(path)));
    ASSERT_EQ(file.pages.size(), 1);
    EXPECT_EQ(file.pages[0].type, pix::kIndexed);
    EXPECT_EQ(file.fileType, pix::kFileAuto);
    EXPECT_LE(file.pages[0].image.colorCount(), 64);
    EXPECT_EQ(visibleDiff(file.pages[0].image, magickDecode(path)), 0);
}

TEST(GifErrors, CannotBeWrittenAndBrokenFilesAreErrors) {
    EXPECT_FALSE(gifCodec().canWrite());
    EXPECT_THROW(gifCodec().write({pix::PixPage{gradientImage(4, 4), pix::kRgb, {}}}, {}),
                 pix::PixError);
    const QString path = tempDir() + "/cut.gif";
    magickEncode(gradientImage(64, 64), path);
    const QByteArray full = readBytes(path);
    for (qsizetype cut : {qsizetype(6), qsizetype(13), full.size() / 2})
        EXPECT_THROW(gifCodec().read(view(full.left(cut))), pix::PixError) << cut;
}
