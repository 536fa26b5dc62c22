// GIF: frames as pages composed like ImageMagick's -coalesce, interlace, transparency; writing
// through the palette quantiser, checked by round trips and by ImageMagick.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "engine/pix_image.h"

#include <QDir>
#include <cmath>
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

// Optimised frames, background and previous disposal: composed like ImageMagick's -coalesce.
TEST(GifFrames, AnimationsComposeLikeMagick) {
    const struct {
        int frames;
        bool transparent;
        QStringList options;
    } cases[] = {{4, false, {"-layers", "Optimize"}},
                 {3, true, {"-dispose", "Background"}},
                 {3, false, {"-dispose", "Previous", "-layers", "Optimize"}}};
    for (const auto& c : cases) {
        const QString path = tempDir() + "/anim.gif";
        magickEncodeFrames(movingSquare(c.frames, c.transparent), path, c.options);
        expectPagesLikeMagick(path, c.frames);
        EXPECT_EQ(gifCodec().read(view(readBytes(path))).pages[0].type == pix::kIndexedAlpha,
                  c.transparent);
    }
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

// No global and no local colour table: the frame's code size (2 here) gives a four-level ramp.
TEST(GifFrames, AFrameWithoutColourTablesIsGrey) {
    const QByteArray gif("GIF89a\x02\x00\x01\x00\x00\x00\x00"
                         ",\x00\x00\x00\x00\x02\x00\x01\x00\x00"
                         "\x02\x02\xC4\x0A\x00;",
                         29);
    const QImage img = gifCodec().read(view(gif)).pages.value(0).image;
    ASSERT_EQ(img.size(), QSize(2, 1));
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 255, 255));
}

namespace {

// 16 x 12 blocks, each its own colour: 192 colours in all.
QImage blockColours(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int bx = x * 16 / width, by = y * 12 / height;
            row[x] = qRgb(bx * 16 + 3, by * 21 + 5, (bx * 7 + by * 13) % 256);
        }
    }
    return img;
}

// Smooth shading with fine noise, the kind of picture that needs dithering.
QImage photoLike(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    uint32_t noise = 777;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = int(noise >> 29) - 4;
            const double s = std::sin(x * 0.05) * std::cos(y * 0.07);
            row[x] = qRgb(std::clamp(int(128 + 110 * s) + n, 0, 255),
                          std::clamp(x * 255 / width + n, 0, 255),
                          std::clamp(y * 255 / height - n, 0, 255));
        }
    }
    return img;
}

// What a GIF can hold of an image: alpha below 128 becomes transparent, the rest opaque.
QImage thresholdAlpha(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            row[x] = qAlpha(row[x]) < 128 ? qRgba(0, 0, 0, 0) : (row[x] | 0xFF000000u);
    }
    return out;
}

pix::PixPage pageOf(const QImage& image, int type) {
    return pix::PixPage{pix::convertToType(image, type), type, {}};
}

QString writeGif(const QList<pix::PixPage>& pages, const QString& name) {
    const QString path = tempDir() + "/" + name;
    writeBytes(path, gifCodec().write(pages, {}));
    return path;
}

pix::DecodedFile readGif(const QString& path) {
    return gifCodec().read(view(readBytes(path)));
}

// Mean of the absolute channel differences between the averages of block x block squares of two
// opaque images: 1 compares single pixels; 8 asks whether dithering kept the local average colour.
double blockMeanError(const QImage& a, const QImage& b, int block) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double total = 0;
    int blocks = 0;
    for (int by = 0; by + block <= x.height(); by += block) {
        for (int bx = 0; bx + block <= x.width(); bx += block) {
            int sum[2][3] = {};
            for (int r = by; r < by + block; ++r) {
                const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
                const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
                for (int c = bx; c < bx + block; ++c) {
                    sum[0][0] += qRed(p[c]), sum[0][1] += qGreen(p[c]), sum[0][2] += qBlue(p[c]);
                    sum[1][0] += qRed(q[c]), sum[1][1] += qGreen(q[c]), sum[1][2] += qBlue(q[c]);
                }
            }
            for (int ch = 0; ch < 3; ++ch)
                total += std::abs(sum[0][ch] - sum[1][ch]) / double(block * block);
            ++blocks;
        }
    }
    return total / (3.0 * blocks);
}

} // namespace

TEST(GifWrite, FewColoursRoundTripExactlyInEveryOpaqueType) {
    const QImage blocks = blockColours(64, 48);
    const QList<pix::PixPage> pages = {
        pageOf(blocks, pix::kRgb),
        pageOf(blocks, pix::kIndexed),
        pix::PixPage{imageOfType(pix::kMono, 40, 30), pix::kMono, {}},
        pix::PixPage{imageOfType(pix::kGray, 256, 3), pix::kGray, {}},
        pix::PixPage{imageOfType(pix::kIndexed, 50, 40), pix::kIndexed, {}},
    };
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QString path = writeGif({pages[i]}, QStringLiteral("exact%1.gif").arg(i));
        const pix::DecodedFile file = readGif(path);
        ASSERT_EQ(file.pages.size(), 1) << i;
        EXPECT_EQ(visibleDiff(file.pages[0].image, pages[i].image), 0) << "page " << i;
        EXPECT_EQ(visibleDiff(magickDecode(path), pages[i].image), 0) << "page " << i;
        EXPECT_NE(file.pages[0].type, pix::kRgb) << "a palette image comes back paletted";
    }
}

TEST(GifWrite, PhotoIsDitheredWithinASmallError) {
    const QImage photo = photoLike(240, 160);
    const QString path = writeGif({pageOf(photo, pix::kRgb)}, "photo.gif");
    const pix::DecodedFile file = readGif(path);
    ASSERT_EQ(file.pages.size(), 1);
    const QImage back = file.pages[0].image;
    EXPECT_LE(back.colorCount(), 256);
    // ImageMagick's own 256-colour Floyd-Steinberg result is the yardstick.
    const QString magickPath = tempDir() + "/magick.gif";
    magickEncode(photo, magickPath, {"-dither", "FloydSteinberg", "-colors", "256"});
    const QImage magick = magickDecode(magickPath);
    // This picture fills much of the colour cube, so single pixels land far from their colour;
    // the dither must still keep the error small and the local averages close.
    const double ours = blockMeanError(back, photo, 1), theirs = blockMeanError(magick, photo, 1);
    EXPECT_LT(ours, 10.0);
    EXPECT_LT(ours, 1.1 * theirs) << "ImageMagick: " << theirs;
    const double oursLocal = blockMeanError(back, photo, 8),
                 theirsLocal = blockMeanError(magick, photo, 8);
    EXPECT_LT(oursLocal, 2.0);
    EXPECT_LT(oursLocal, 1.25 * theirsLocal) << "ImageMagick: " << theirsLocal;
    EXPECT_EQ(visibleDiff(magickDecode(path), back), 0);
}

TEST(GifWrite, TransparencyBelowHalfAlphaSurvives) {
    // Few colours (exact palette) and many colours (quantised): both keep the transparent pixels.
    QImage few = blockColours(64, 48).convertToFormat(QImage::Format_ARGB32);
    QImage many = photoLike(64, 48).convertToFormat(QImage::Format_ARGB32);
    for (QImage* img : {&few, &many}) {
        for (int y = 0; y < img->height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img->scanLine(y));
            for (int x = 0; x < img->width(); ++x)
                row[x] = (row[x] & 0x00FFFFFFu) | (uint32_t((x * 4 + y) % 256) << 24);
        }
    }
    const QString fewPath = writeGif({pix::PixPage{few, pix::kRgba, {}}}, "few_alpha.gif");
    const pix::DecodedFile fewFile = readGif(fewPath);
    ASSERT_EQ(fewFile.pages.size(), 1);
    EXPECT_EQ(fewFile.pages[0].type, pix::kIndexedAlpha);
    EXPECT_EQ(visibleDiff(fewFile.pages[0].image, thresholdAlpha(few)), 0);
    EXPECT_EQ(visibleDiff(magickDecode(fewPath), thresholdAlpha(few)), 0);

    const QString manyPath = writeGif({pix::PixPage{many, pix::kRgba, {}}}, "many_alpha.gif");
    const QImage back = readGif(manyPath).pages[0].image.convertToFormat(QImage::Format_ARGB32);
    const QImage expected = thresholdAlpha(many);
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); x += 7)
            ASSERT_EQ(qAlpha(back.pixel(x, y)), qAlpha(expected.pixel(x, y))) << x << "," << y;
    EXPECT_EQ(visibleDiff(magickDecode(manyPath), back), 0);
}

TEST(GifWrite, PagesBecomeLoopingFrames) {
    QList<pix::PixPage> pages;
    const QList<QImage> frames = movingSquare(3, true);
    for (const QImage& f : frames) pages.append(pix::PixPage{f, pix::kRgba, {}});
    pages.append(pageOf(blockColours(48, 32), pix::kRgb));
    const QString path = writeGif(pages, "pages.gif");
    EXPECT_EQ(magickFormat(path, "%n\n").split('\n').first(), "4");
    EXPECT_TRUE(runTool("/usr/bin/identify", {"-verbose", path}).contains("Iterations: 0"));
    const pix::DecodedFile file = readGif(path);
    ASSERT_EQ(file.pages.size(), 4);
    for (int i = 0; i < 4; ++i) {
        // Each frame replaces the one before: no earlier page shows through transparent pixels.
        EXPECT_EQ(visibleDiff(file.pages[i].image, pages[i].image), 0) << "page " << i;
    }
    expectPagesLikeMagick(path, 4);
}

TEST(GifWrite, SaveToFileWithTheEngineChoiceWritesEveryPage) {
    pix::PixImage image;
    for (int i = 0; i < 3; ++i)
        image.AddPage(pix::PixPage{imageOfType(pix::kIndexed, 30 + i, 20), pix::kIndexed, {}},
                      QStringLiteral("no undo"));
    ASSERT_EQ(image.pageCount(), 3);
    const QString dir = tempDir();
    const QString path = dir + "/saved.gif";
    image.SaveToFile(path, pix::kFileAuto, 0, true);
    EXPECT_EQ(magickFormat(path, "%n\n").split('\n').first(), "3");
    pix::PixImage back;
    back.LoadFromFile(path, QStringLiteral("no undo"));
    EXPECT_EQ(back.pageCount(), 3);
    EXPECT_EQ(back.FileType(), pix::kFileAuto);
    // Pages narrower than the first keep their pixels at the top left of the shared screen.
    for (int i = 0; i < 3; ++i) {
        const QImage page = back.page(i).image;
        ASSERT_EQ(page.size(), QSize(32, 20));
        EXPECT_EQ(visibleDiff(page.copy(0, 0, 30 + i, 20), image.page(i).image), 0) << i;
        EXPECT_EQ(qAlpha(page.pixel(31, 0)), i == 2 ? 255 : 0) << i;
    }
    image.SaveToFile(dir + "/one.gif", pix::kFileAuto, 1, false);
    EXPECT_EQ(magickFormat(dir + "/one.gif", "%n\n").split('\n').first(), "1");
}

TEST(GifWrite, NothingToWriteIsAnError) {
    EXPECT_THROW(gifCodec().write({}, {}), pix::PixError);
    EXPECT_THROW(gifCodec().write({pix::PixPage{QImage(), pix::kRgb, {}}}, {}), pix::PixError);
}
