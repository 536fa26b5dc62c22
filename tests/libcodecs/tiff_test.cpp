// TIFF: strips, compressions, pages, appending, sample depths and colour spaces, checked against
// libtiff's tools, ImageMagick and the colour definitions.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/codecs/atomic_write.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <tiffio.h>

using namespace pixtest;

namespace {

const pix::Codec& tiffCodec() {
    return codec(pix::kFileTiff);
}

QList<pix::PixPage> decodeAll(const QByteArray& bytes) {
    return tiffCodec().read(view(bytes)).pages;
}

pix::SaveOptions compression(int c) {
    pix::SaveOptions o;
    o.tiffCompression = c;
    return o;
}

} // namespace

// Pages of many strips go through the parallel strip coders in several bands and rounds: they
// come back exact, and a damaged strip in a later band fails the whole read.
TEST(TiffStrips, ManyStripPagesRoundTripAndADamagedStripFails) {
    for (int type : {pix::kMono, pix::kIndexed, pix::kGray, pix::kRgba})
        for (int comp : {pix::kTiffNone, pix::kTiffPackBits, pix::kTiffLzw}) {
            const pix::PixPage page = pageOfType(type, 3000, 900);
            const QList<pix::PixPage> back =
                decodeAll(tiffCodec().write({page}, compression(comp)));
            ASSERT_EQ(back.size(), 1);
            EXPECT_TRUE(samePixels(back[0].image, page.image))
                << "type " << type << " compression " << comp;
        }
    const QString path = tempDir() + "/strips.tif";
    QByteArray bytes =
        tiffCodec().write({pageOfType(pix::kRgb, 3000, 900)}, compression(pix::kTiffLzw));
    writeBytes(path, bytes);
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "r");
    ASSERT_TRUE(t);
    ASSERT_EQ(TIFFNumberOfStrips(t), 32u); // two bands of 16
    const uint64_t at = TIFFGetStrileOffset(t, 20), n = TIFFGetStrileByteCount(t, 20);
    TIFFClose(t);
    std::memset(bytes.data() + at, 0xFF, size_t(n)); // codes past the LZW table
    EXPECT_THROW(decodeAll(bytes), pix::PixError);
}

struct CompressionName {
    int option;
    int type;
    const char* libtiffName;
};

class TiffCompressionTag : public ::testing::TestWithParam<CompressionName> {};

// libtiff's own tiffinfo names the scheme each option produced.
TEST_P(TiffCompressionTag, TiffinfoReportsTheScheme) {
    const CompressionName c = GetParam();
    const QString path = tempDir() + "/c.tif";
    writeBytes(path, tiffCodec().write({pageOfType(c.type, 64, 48)}, compression(c.option)));
    const QString info = QString::fromLatin1(runTool("tiffinfo", {path}));
    EXPECT_TRUE(info.contains(QStringLiteral("Compression Scheme: %1").arg(c.libtiffName)))
        << info.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Options, TiffCompressionTag,
    ::testing::Values(CompressionName{pix::kTiffNone, pix::kRgb, "None"},
                      CompressionName{pix::kTiffG3, pix::kMono, "CCITT Group 3"},
                      CompressionName{pix::kTiffG4, pix::kMono, "CCITT Group 4"},
                      CompressionName{pix::kTiffJpeg, pix::kRgb, "JPEG"},
                      CompressionName{pix::kTiffPackBits, pix::kRgb, "PackBits"},
                      CompressionName{pix::kTiffDeflate, pix::kRgb, "AdobeDeflate"},
                      CompressionName{pix::kTiffLzw, pix::kRgb, "LZW"},
                      // fax codings fit only bilevel pages, JPEG no alpha: LZW instead
                      CompressionName{pix::kTiffG4, pix::kRgb, "LZW"},
                      CompressionName{pix::kTiffJpeg, pix::kRgba, "LZW"}));

TEST(TiffJpeg, JpegCompressedPagesAreClose) {
    for (int type : {pix::kGray, pix::kRgb}) {
        const pix::PixPage page{pix::convertToType(smoothImage(64, 48), type), type, {}};
        pix::SaveOptions o = compression(pix::kTiffJpeg);
        o.jpegQuality = 95;
        const QList<pix::PixPage> back = decodeAll(tiffCodec().write({page}, o));
        ASSERT_EQ(back.size(), 1);
        EXPECT_EQ(back[0].type, type);
        EXPECT_LE(maxChannelDiff(back[0].image, page.image), 12);
    }
}

// Pages written at once and a page appended later come back in order, also through ImageMagick.
TEST(TiffPages, EveryPageComesBackInOrderAndAnAppendedOneLast) {
    QList<pix::PixPage> pages = {pageOfType(pix::kRgb, 20, 10), pageOfType(pix::kGray, 7, 9),
                                 pageOfType(pix::kMono)};
    const QString path = tempDir() + "/pages.tif";
    writeBytes(path, tiffCodec().write(pages, compression(pix::kTiffDeflate)));
    pages.append(pageOfType(pix::kRgba, 33, 2));
    pix::appendPageToTiff(path, pages.last(), compression(pix::kTiffPackBits));
    const QList<pix::PixPage> back = decodeAll(readBytes(path));
    ASSERT_EQ(back.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back[i].type, pages[i].type);
        EXPECT_TRUE(samePixels(back[i].image, pages[i].image)) << "page " << i;
        EXPECT_TRUE(samePixels(magickDecode(path, i), pages[i].image)) << "magick page " << i;
    }
    EXPECT_EQ(magickFormat(path, "%n\n").split('\n').first(), "4");
}

TEST(TiffAppend, RefusesOtherFilesAndLeavesThemAlone) {
    const QString path = tempDir() + "/not.tif";
    const QByteArray png = codec(pix::kFilePng).write({pageOfType(pix::kRgb)}, {});
    writeBytes(path, png);
    EXPECT_THROW(pix::appendPageToTiff(path, pageOfType(pix::kRgb), {}), pix::PixError);
    EXPECT_EQ(readBytes(path), png);
    EXPECT_THROW(pix::appendPageToTiff(tempDir() + "/missing.tif", pageOfType(pix::kRgb), {}),
                 pix::PixError);
}

// One sample per pixel stored as "separate planes" (tiffcp -p separate) reads like contiguous
// samples: same pixels, same type, through the direct strip reader.
TEST(TiffLayouts, OneSampleSeparatePlanesReadLikeContiguous) {
    for (int type : {pix::kGray, pix::kIndexed}) { // tiffcp separates 8-bit samples only
        const QString in = tempDir() + "/contig.tif", out = tempDir() + "/separate.tif";
        const pix::PixPage page = pageOfType(type, 300, 200);
        writeBytes(in, tiffCodec().write({page}, compression(pix::kTiffLzw)));
        runTool("tiffcp", {"-p", "separate", in, out});
        ASSERT_TRUE(QString::fromLatin1(runTool("tiffinfo", {out})).contains("separate"));
        const QList<pix::PixPage> back = decodeAll(readBytes(out));
        ASSERT_EQ(back.size(), 1);
        EXPECT_EQ(back[0].type, type);
        EXPECT_TRUE(samePixels(back[0].image, page.image)) << "type " << type;
    }
}

// A save streamed into the file (libtiff writing through our callbacks) or a page appended that
// hits a full disk reports the disk's error and leaves the old file as it was, with no temporary
// file behind.
TEST(TiffSave, FailingDiskKeepsTheOldFile) {
    const QString path = tempDir() + "/streamed.tif";
    const QByteArray before = tiffCodec().write({pageOfType(pix::kGray)}, {});
    writeBytes(path, before);
    const std::function<void()> saves[] = {
        [&] {
            pix::encodeFile(path, pix::kFileTiff, {pageOfType(pix::kRgb), pageOfType(pix::kRgba)},
                            {});
        },
        [&] { pix::appendPageToTiff(path, pageOfType(pix::kGray), {}); }};
    for (const auto& save : saves)
        for (long long after : {0LL, 100LL, 5000LL}) {
            pix::injectWriteFailureForTesting(ENOSPC, after);
            try {
                save();
                ADD_FAILURE() << "the save succeeded on a full disk";
            } catch (const pix::PixError& e) {
                EXPECT_TRUE(e.description().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
                    << e.description().toStdString();
            }
            pix::injectWriteFailureForTesting(0);
            EXPECT_EQ(readBytes(path), before);
            EXPECT_EQ(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden).size(), 1);
        }
}

namespace {

struct SampleCase {
    const char* name;
    uint16_t bps, format, spp, photometric;
    double lo, hi; // the stored values run over this range in a pattern
    bool noted;    // the range mapped is not the depth's own
};

// A pattern with shape: a diagonal ramp with a bump, scaled to [lo, hi].
double patternAt(int x, int y, int w, int h) {
    return 0.7 * (x + y) / double(w + h) + 0.3 * std::sin(x * 0.2) * std::cos(y * 0.3) * 0.5 + 0.15;
}

// Writes one strip page of the case's layout with libtiff.
void writeSampleTiff(const QString& path, const SampleCase& c, int w, int h) {
    TIFF* t = TIFFOpen(path.toLocal8Bit().constData(), "w");
    ASSERT_TRUE(t);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, c.spp);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, c.bps);
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, c.format);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, c.photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(7));
    std::vector<uint8_t> row(size_t(w) * c.spp * 8 + 8);
    for (int y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < w; ++x)
            for (int s = 0; s < c.spp; ++s) {
                const double v = c.lo + (c.hi - c.lo) * patternAt((x + 9 * s) % w, y, w, h);
                const size_t i = size_t(x) * c.spp + size_t(s);
                if (c.format == SAMPLEFORMAT_IEEEFP && c.bps == 32) {
                    const float f = float(v);
                    std::memcpy(&row[i * 4], &f, 4);
                } else if (c.format == SAMPLEFORMAT_IEEEFP) {
                    std::memcpy(&row[i * 8], &v, 8);
                } else if (c.bps == 32) {
                    const auto u = uint32_t(int64_t(std::llround(v)));
                    std::memcpy(&row[i * 4], &u, 4);
                } else if (c.bps == 16) {
                    const auto u = uint16_t(std::lround(v));
                    std::memcpy(&row[i * 2], &u, 2);
                } else { // 12 bits, packed
                    const auto u = uint32_t(std::lround(v));
                    for (int b = 0; b < 12; ++b)
                        if (u >> (11 - b) & 1)
                            row[(i * 12 + size_t(b)) / 8] |=
                                uint8_t(0x80 >> ((i * 12 + size_t(b)) % 8));
                }
            }
        ASSERT_GE(TIFFWriteScanline(t, row.data(), uint32_t(y), 0), 0);
    }
    TIFFClose(t);
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) ma += a[i], mb += b[i];
    ma /= double(a.size()), mb /= double(b.size());
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i)
        ab += (a[i] - ma) * (b[i] - mb), aa += (a[i] - ma) * (a[i] - ma),
            bb += (b[i] - mb) * (b[i] - mb);
    return ab / std::sqrt(aa * bb);
}

} // namespace

// Sample depths libtiff's RGBA reader refuses open with the picture's shape; ranges other than the
// depth's own are noted.
TEST(TiffSamples, EveryDepthOpensWithItsShape) {
    constexpr uint16_t U = SAMPLEFORMAT_UINT, I = SAMPLEFORMAT_INT, F = SAMPLEFORMAT_IEEEFP;
    constexpr uint16_t G = PHOTOMETRIC_MINISBLACK, RGB = PHOTOMETRIC_RGB;
    const SampleCase cases[] = {
        {"grey12", 12, U, 1, G, 0, 4095, false},
        {"grey16signed", 16, I, 1, G, -20000, 20000, false},
        {"grey32unsigned", 32, U, 1, G, 1000, 3e9, true},
        {"grey32signed", 32, I, 1, G, -2e9, 5e8, true},
        {"grey32float", 32, F, 1, G, 0, 1, false},
        {"heights32float", 32, F, 1, G, -5, 300, true},
        {"grey64float", 64, F, 1, G, -1e6, 1e6, true},
        {"rgb32unsigned", 32, U, 3, RGB, 0, 4e9, true},
        {"cmyk16", 16, U, 4, PHOTOMETRIC_SEPARATED, 0, 65535, false},
    };
    const int w = 40, h = 30;
    for (const SampleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tempDir() + "/" + c.name + ".tif";
        writeSampleTiff(path, c, w, h);
        const pix::DecodedFile file = tiffCodec().read(view(readBytes(path)));
        ASSERT_EQ(file.pages.size(), 1);
        const QImage img = file.pages[0].image;
        ASSERT_EQ(img.size(), QSize(w, h));
        std::vector<double> stored, shown;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // CMYK shows cyan under black: red is (1 - c)(1 - k).
                stored.push_back(c.photometric == PHOTOMETRIC_SEPARATED
                                     ? (1 - patternAt(x, y, w, h)) *
                                           (1 - patternAt((x + 27) % w, y, w, h))
                                     : patternAt(x, y, w, h));
                shown.push_back(qRed(img.pixel(x, y)));
            }
        EXPECT_GT(correlation(stored, shown), 0.95);
        EXPECT_EQ(!file.notes.isEmpty() && !file.notes[0].range.isEmpty(), c.noted);
    }
}

// A page of a layout that cannot be read is left out with its reason; appending keeps it.
TEST(TiffPages, AnUnreadablePageIsListedAndKeptOnAppend) {
    const QString dir = tempDir();
    const QString path = dir + "/mixed.tif";
    QByteArray ok = tiffCodec().write({pageOfType(pix::kIndexed)}, {});
    writeBytes(path, ok);
    {
        TIFF* t = TIFFOpen(path.toLocal8Bit().constData(), "a");
        ASSERT_TRUE(t);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(8));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(2));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MASK);
        const uint8_t data[16] = {1, 2, 3};
        for (uint32_t y = 0; y < 2; ++y)
            TIFFWriteScanline(t, const_cast<uint8_t*>(data + 8 * y), y, 0);
        TIFFClose(t);
    }
    const QByteArray before = readBytes(path);
    pix::DecodedFile file = tiffCodec().read(view(before));
    ASSERT_EQ(file.pages.size(), 1);
    EXPECT_TRUE(samePixels(file.pages[0].image, pageOfType(pix::kIndexed).image));
    ASSERT_EQ(file.unreadable.size(), 1);
    EXPECT_EQ(file.unreadable[0].number, 2);
    EXPECT_FALSE(file.unreadable[0].reason.isEmpty());

    pix::appendPageToTiff(path, pageOfType(pix::kRgb), {});
    const QByteArray after = readBytes(path);
    int changed = 0; // only the last directory's link to the new one
    for (qsizetype i = 0; i < before.size(); ++i) changed += before[i] != after[i];
    EXPECT_LE(changed, 4);
    file = tiffCodec().read(view(after));
    EXPECT_EQ(file.pages.size(), 2);
    EXPECT_EQ(file.unreadable.size(), 1);
}

// CIELab against the definition: Lab (D50) to XYZ, then the Bradford-adapted D50 sRGB matrix.
TEST(TiffSamples, LabMatchesTheColourDefinition) {
    const int w = 48, h = 32;
    const QString path = tempDir() + "/lab.tif";
    std::vector<std::array<int, 3>> lab;
    TIFF* t = TIFFOpen(path.toLocal8Bit().constData(), "w");
    ASSERT_TRUE(t);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CIELAB);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::array<int, 3> v{20 + x * 200 / w, (x * 7 + y * 3) % 120 - 60, y * 4 - 64};
            lab.push_back(v);
            row[size_t(x) * 3] = uint8_t(v[0]);
            row[size_t(x) * 3 + 1] = uint8_t(int8_t(v[1]));
            row[size_t(x) * 3 + 2] = uint8_t(int8_t(v[2]));
        }
        ASSERT_GE(TIFFWriteScanline(t, row.data(), uint32_t(y), 0), 0);
    }
    TIFFClose(t);
    const QImage img = tiffCodec().read(view(readBytes(path))).pages.value(0).image;
    ASSERT_EQ(img.size(), QSize(w, h));
    constexpr double m[3][3] = {{3.1338561, -1.6168667, -0.4906146},
                                {-0.9787684, 1.9161415, 0.0334540},
                                {0.0719453, -0.2289914, 1.4052427}};
    double total = 0;
    for (int i = 0; i < w * h; ++i) {
        const double L = lab[size_t(i)][0] * 100.0 / 255, fy = (L + 16) / 116;
        auto f = [](double v) { return v > 6.0 / 29 ? v * v * v : (116 * v - 16) / 903.3; };
        const double xyz[3] = {0.9642 * f(fy + lab[size_t(i)][1] / 500.0), f(fy),
                               0.8249 * f(fy - lab[size_t(i)][2] / 200.0)};
        const QRgb got = img.pixel(i % w, i / w);
        const int channels[3] = {qRed(got), qGreen(got), qBlue(got)};
        for (int c = 0; c < 3; ++c) {
            const double lin = m[c][0] * xyz[0] + m[c][1] * xyz[1] + m[c][2] * xyz[2];
            const double enc =
                lin <= 0.0031308 ? 12.92 * lin : 1.055 * std::pow(lin, 1 / 2.4) - 0.055;
            total += std::abs(std::clamp(enc, 0.0, 1.0) * 255 - channels[c]);
        }
    }
    EXPECT_LT(total / (w * h * 3), 3.0);
}

// A two-colour page keeps its colours in every writer, for our reader and ImageMagick alike;
// black and white pages keep their bilevel forms.
TEST(TwoColourPages, KeepTheirColoursInEveryWriter) {
    QImage mono(21, 9, QImage::Format_Mono);
    for (int y = 0; y < mono.height(); ++y)
        for (int x = 0; x < mono.width(); ++x) mono.setPixel(x, y, (x * 3 + y) % 5 < 2);
    const QString dir = tempDir();
    for (const QList<QRgb>& colours : {QList<QRgb>{qRgb(0, 0, 255), qRgb(0, 160, 0)},
                                       QList<QRgb>{qRgb(255, 255, 255), 0xFF000000}}) {
        mono.setColorTable(colours);
        for (const char* ext : {"tif", "psd", "bmp", "pcx", "gif", "png", "tga"}) {
            SCOPED_TRACE(ext);
            const pix::Codec& c =
                QString(ext) == "gif" ? gifCodec() : *pix::codecForExtension(QString("x.") + ext);
            const QString path = dir + "/two." + ext;
            writeBytes(path, c.write({{mono, pix::kMono, {}}}, {}));
            const QImage expected = mono.convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(visibleDiff(c.read(view(readBytes(path)))
                                      .pages.value(0)
                                      .image.convertToFormat(QImage::Format_ARGB32),
                                  expected),
                      0);
            // ImageMagick reads no indexed PSD (not even its own) and ignores the colours a
            // 1-bit PCX names in its header.
            if (QString(ext) != "psd" && QString(ext) != "pcx") {
                EXPECT_EQ(visibleDiff(magickDecode(path), expected), 0);
            }
        }
    }
    writeBytes(dir + "/bw.tif", tiffCodec().write({{mono, pix::kMono, {}}}, {}));
    EXPECT_TRUE(runTool("tiffinfo", {dir + "/bw.tif"}).contains("min-is-white"));
}
