// The Processor group's area filters: the shared call sweeps, and each filter against an
// independent definition.
#include "engine/image_type.h"
#include "engine/ops/area_support.h"
#include "engine/ops/convolve.h"
#include "engine/ops/despeckle.h"
#include "engine/ops/gaussian.h"
#include "engine/ops/means.h"
#include "engine/ops/median.h"
#include "engine/ops/morphology.h"
#include "engine/pix_error.h"
#include "engine/processor_area.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <random>

using namespace pix;
using namespace pix::ops;
using opstest::at;
using opstest::Call;
using opstest::Calls;

namespace {

// The structuring element of the morphology presets and the hand-made kernels.
const Element kElement{3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1}};
const Kernel kColorRelief{3, 3, {3, 2, 1, 2, 0, -2, 1, -2, -5}};
const Kernel kOilPainting{3, 5, {-3, -3, -3, -1, -1, -1, 0, 0, 0, 1, 1, 1, 3, 3, 3}};
const Kernel kNightLine{3, 3, {0.5, 0, 0.5, 0, 2, 0, 0.5, 0, 0.5}};
const Kernel kPurpleHaze{3, 3, {0, 0, 1, -1, -2, -1, 0, 0, 1}};

// Every call with the arguments the menus pass, alpha left alone.
const Calls& calls() {
    static const Calls c{
        {"Despeckle", [](PixImage& i) { Processor::Despeckle(i); }},
        {"Emboss", [](PixImage& i) { Processor::Emboss(i, 45, 45, 4, false); }},
        {"EmbossTexture", [](PixImage& i) { Processor::Emboss(i, 45, 45, 4, true); }},
        {"Median", [](PixImage& i) { Processor::Median(i, 3, true); }},
        {"ArithmeticMean", [](PixImage& i) { Processor::ArithmeticMean(i, 3, true); }},
        {"HarmonicMean", [](PixImage& i) { Processor::HarmonicMean(i, 3, true); }},
        {"GeometricMean", [](PixImage& i) { Processor::GeometricMean(i, 5, true); }},
        {"YpMean", [](PixImage& i) { Processor::YpMean(i, 3, false, true); }},
        {"YpMeanPositive", [](PixImage& i) { Processor::YpMean(i, 3, true, true); }},
        {"CannyEdge", [](PixImage& i) { Processor::CannyEdge(i, 100, 10, 20); }},
        {"HighPass", [](PixImage& i) { Processor::HighPass(i, 20); }},
        {"Blur", [](PixImage& i) { Processor::Blur(i, 50, 7, false); }, false},
        {"MedianAlpha", [](PixImage& i) { Processor::Median(i, 5, false); }, false},
        {"BlurCharcoal", [](PixImage& i) { Processor::Blur(i, 60, 3, true); }},
        {"GaussianBlur25", [](PixImage& i) { Processor::GaussianBlur(i, 25); }},
        {"GaussianBlur500", [](PixImage& i) { Processor::GaussianBlur(i, 500); }},
        {"Sharpen", [](PixImage& i) { Processor::Sharpen(i, 75, 3, true); }},
        {"Soften", [](PixImage& i) { Processor::Soften(i, 100); }},
        {"Vibration", [](PixImage& i) { Processor::Vibration(i, 50); }},
        {"EdgeDetect", [](PixImage& i) { Processor::EdgeDetect(i, 25); }},
        {"UnsharpNormal", [](PixImage& i) { Processor::UnsharpMask(i, 0, 1.0, 2.4); }},
        {"UnsharpHighlights", [](PixImage& i) { Processor::UnsharpMask(i, 8, 5.0, 2.6); }},
        {"UnsharpColorEtch", [](PixImage& i) { Processor::UnsharpMask(i, 0, 29.0, 5.0); }},
        {"UnsharpHalo", [](PixImage& i) { Processor::UnsharpMask(i, 0, 5.0, 10.0); }},
        {"Dilation", [](PixImage& i) { Processor::Morphology(i, kElement, 0); }},
        {"Erosion", [](PixImage& i) { Processor::Morphology(i, kElement, 1); }},
        {"Open", [](PixImage& i) { Processor::Morphology(i, kElement, 2); }},
        {"Close", [](PixImage& i) { Processor::Morphology(i, kElement, 3); }},
        {"TopHat", [](PixImage& i) { Processor::Morphology(i, kElement, 4); }},
        {"ColorRelief", [](PixImage& i) { Processor::CustomFilter(i, kColorRelief, 10.0, 0); }},
        {"OilPainting", [](PixImage& i) { Processor::CustomFilter(i, kOilPainting, -0.3, 0); }},
        {"NightLine",
         [](PixImage& i) { Processor::CustomMatrix(i, kNightLine, 10.0, 7, false, false); }},
        {"PurpleHaze",
         [](PixImage& i) { Processor::CustomMatrix(i, kPurpleHaze, 7.0, 5, true, true); }},
    };
    return c;
}

TEST(ProcessorAreaSweep, EveryCallOnEveryTypeKeepsAlphaUnlessAskedAndUndoesExactly) {
    opstest::expectEveryTypeUndoes(
        calls(), 41, 37, [](const Call& call, int type, const QImage& before, const PixImage& img) {
            EXPECT_EQ(img.imageType(), typeHasAlpha(type) ? kRgba : kRgb);
            EXPECT_EQ(pixtest::samePixels(opstest::alphaOf(img.image()), opstest::alphaOf(before)),
                      call.keepsAlpha || !typeHasAlpha(type));
        });
}

const Element kEven{2, 2, {1, 1, 1, 1}}, kEmpty{3, 1, {0, 0, 0}};
const Kernel kShort{3, 3, {1, 2}}, kNan{1, 1, {NAN}};

TEST(ProcessorAreaSweep, CancelAndBadArguments) {
    opstest::expectCancelLeavesTheImage(calls(), pixtest::gradientImage(300, 400, true), 1);
    opstest::expectRejected({
        {"median even", [](PixImage& i) { Processor::Median(i, 4, true); }},
        {"mean zero", [](PixImage& i) { Processor::ArithmeticMean(i, 0, true); }},
        {"emboss elevation", [](PixImage& i) { Processor::Emboss(i, 45, 91, 4, false); }},
        {"emboss offset", [](PixImage& i) { Processor::Emboss(i, 45, 45, 0, false); }},
        {"canny", [](PixImage& i) { Processor::CannyEdge(i, 100, -1, 40); }},
        {"high pass", [](PixImage& i) { Processor::HighPass(i, std::nan("")); }},
        {"blur size", [](PixImage& i) { Processor::Blur(i, 50, 8, false); }},
        {"blur strength", [](PixImage& i) { Processor::Blur(i, 101, 7, false); }},
        {"gaussian", [](PixImage& i) { Processor::GaussianBlur(i, 600); }},
        {"sharpen", [](PixImage& i) { Processor::Sharpen(i, -1, 3, true); }},
        {"soften", [](PixImage& i) { Processor::Soften(i, 200); }},
        {"vibration", [](PixImage& i) { Processor::Vibration(i, 0); }},
        {"edge", [](PixImage& i) { Processor::EdgeDetect(i, 101); }},
        {"unsharp", [](PixImage& i) { Processor::UnsharpMask(i, 300, 1, 2); }},
        {"morph op", [](PixImage& i) { Processor::Morphology(i, kElement, 5); }},
        {"morph even", [](PixImage& i) { Processor::Morphology(i, kEven, 0); }},
        {"morph empty", [](PixImage& i) { Processor::Morphology(i, kEmpty, 0); }},
        {"kernel size", [](PixImage& i) { Processor::CustomFilter(i, kShort, 1, 0); }},
        {"divisor", [](PixImage& i) { Processor::CustomMatrix(i, kNightLine, 0, 0, 0, 0); }},
        {"kernel nan", [](PixImage& i) { Processor::CustomMatrix(i, kNan, 1, 0, 0, 0); }},
    });
}

// Blocks of hard steps over a gradient: the hardest case for an approximate blur.
QImage steppedImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool on = ((x / 13) + (y / 9)) % 2;
            img.setPixel(x, y, qRgb(on ? 250 : 5, (x * 255) / w, on ? 0 : 255));
        }
    return img;
}

// The Gaussian in double precision: the sampled kernel out to 8 sigma, edges repeated.
QImage gaussianReference(const QImage& src, double sigma) {
    const int r = int(std::ceil(8 * sigma)), w = src.width(), h = src.height();
    std::vector<double> k(size_t(2 * r + 1));
    double sum = 0;
    for (int i = -r; i <= r; ++i) sum += k[size_t(i + r)] = std::exp(-i * i / (2 * sigma * sigma));
    for (double& v : k) v /= sum;
    std::vector<double> pass(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int i = -r; i <= r; ++i) {
                const QRgb p = src.pixel(std::clamp(x + i, 0, w - 1), y);
                const double kw = k[size_t(i + r)];
                double* d = &pass[(size_t(y) * w + x) * 3];
                d[0] += kw * qRed(p), d[1] += kw * qGreen(p), d[2] += kw * qBlue(p);
            }
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double v[3] = {0, 0, 0};
            for (int i = -r; i <= r; ++i)
                for (int c = 0; c < 3; ++c)
                    v[c] += k[size_t(i + r)] *
                            pass[(size_t(std::clamp(y + i, 0, h - 1)) * w + x) * 3 + c];
            out.setPixel(
                x, y, qRgb(int(std::lround(v[0])), int(std::lround(v[1])), int(std::lround(v[2]))));
        }
    return out;
}

TEST(GaussianBlur, KeepsTheMeanLowersTheVarianceAndMatchesTheDoublePrecisionGaussian) {
    const QImage src = steppedImage(150, 110);
    const auto s0 = opstest::stats(src);
    for (int strength : {25, 50, 75, 100, 150, 300, 500}) {
        const double sigma = gaussianSigmaOfStrength(strength);
        const QImage out = gaussianBlur(src, sigma, true);
        EXPECT_LE(pixtest::maxChannelDiff(out, gaussianReference(src, sigma)), 1) << strength;
        const auto s = opstest::stats(out);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(s.mean[c], s0.mean[c], 0.5) << strength;
            EXPECT_LE(s.var[c], s0.var[c]) << strength; // green is a ramp: barely changes
        }
        EXPECT_LT(s.var[0], s0.var[0] * 0.95) << strength;
    }
}

TEST(GaussianBlur, InvisiblePixelsLendNoColour) {
    // Left half invisible red, right half opaque blue: the blur must not tint the blue.
    QImage img(60, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            img.setPixel(x, y, x < 30 ? qRgba(255, 0, 0, 0) : qRgba(0, 0, 255, 255));
    const QImage out = gaussianBlur(img, 4, true);
    for (int x = 30; x < 60; ++x) EXPECT_EQ(at(out, x, 10), qRgba(0, 0, 255, 255)) << x;
}

// A noisy opaque picture with every level present.
QImage noisyImage(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFFu));
    return img;
}

TEST(Median, EqualsTheSortedWindowOfEachChannel) {
    const QImage src = noisyImage(37, 29, 7);
    for (int size : {3, 5, 7}) {
        const QImage out = median(src, size, true);
        const int r = size / 2;
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x)
                for (int shift : {0, 8, 16}) {
                    std::vector<int> window;
                    for (int j = -r; j <= r; ++j)
                        for (int i = -r; i <= r; ++i)
                            window.push_back(
                                int(src.pixel(std::clamp(x + i, 0, src.width() - 1),
                                              std::clamp(y + j, 0, src.height() - 1)) >>
                                    shift) &
                                0xFF);
                    std::nth_element(window.begin(), window.begin() + window.size() / 2,
                                     window.end());
                    ASSERT_EQ(int(out.pixel(x, y) >> shift) & 0xFF, window[window.size() / 2])
                        << size << " at " << x << "," << y;
                }
    }
}

TEST(Morphology, MatchesOpenCvForEveryOperation) {
    const QImage src = noisyImage(53, 41, 3);
    const cv::Mat shape = cv::Mat::ones(3, 3, CV_8U);
    const int kinds[] = {cv::MORPH_DILATE, cv::MORPH_ERODE, cv::MORPH_OPEN, cv::MORPH_CLOSE,
                         cv::MORPH_TOPHAT};
    for (int op = 0; op < 5; ++op) {
        const QImage out = morphology(src, kElement, op);
        cv::Mat expected;
        cv::morphologyEx(matView(src), expected, kinds[op], shape, cv::Point(-1, -1), 1,
                         cv::BORDER_REPLICATE);
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x) {
                const cv::Vec4b e = expected.at<cv::Vec4b>(y, x);
                ASSERT_EQ(out.pixel(x, y) & 0xFFFFFFu,
                          uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16)
                    << op << " at " << x << "," << y;
            }
    }
}

TEST(Despeckle, RemovesSaltAndPepperAndKeepsEdgesAndLines) {
    const QRgb grey = qRgb(120, 130, 140);
    QImage noisy = opstest::flat(60, 50, grey);
    // One speck (some two pixels wide, off the border) at a random place in each 6 x 5 cell.
    std::mt19937 rng(11);
    for (int cy = 0; cy < 10; ++cy)
        for (int cx = 0; cx < 10; ++cx) {
            const int x = cx * 6 + int(rng() % 4), y = cy * 5 + int(rng() % 4);
            const QRgb speck = (cx + cy) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            noisy.setPixel(x, y, speck);
            if (rng() % 3 == 0 && x > 0 && y > 0) noisy.setPixel(x + 1, y, speck);
        }
    EXPECT_TRUE(pixtest::samePixels(despeckle(noisy), opstest::flat(60, 50, grey)));
    // A step edge, a one-pixel line and a rectangle's corners stay as they are.
    QImage shapes = opstest::flat(60, 50, grey);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x) {
            if (x >= 40) shapes.setPixel(x, y, qRgb(10, 20, 30));
            if (y == 10) shapes.setPixel(x, y, qRgb(250, 250, 250));
            if (x >= 10 && x < 20 && y >= 25 && y < 35) shapes.setPixel(x, y, qRgb(0, 0, 0));
        }
    EXPECT_TRUE(pixtest::samePixels(despeckle(shapes), shapes));
}

TEST(Kernels, IdentitiesAndFlatPicturesBehaveAsDefined) {
    const QImage src = pixtest::gradientImage(33, 27, false);
    const QImage flatImg = opstest::flat(30, 20, qRgb(100, 150, 200));
    // The Color Relief kernel sums to zero: on a flat picture only the bias shows.
    EXPECT_TRUE(pixtest::samePixels(customFilter(flatImg, kColorRelief, 10.0, 0), flatImg));
    EXPECT_TRUE(pixtest::samePixels(customFilter(flatImg, kColorRelief, 10.0, 20),
                                    opstest::flat(30, 20, qRgb(120, 170, 220))));
    EXPECT_TRUE(pixtest::samePixels(customFilter(flatImg, kOilPainting, -0.3, 0), flatImg));
    // Zero kernels and identities.
    EXPECT_TRUE(
        pixtest::samePixels(customFilter(src, Kernel{3, 3, std::vector<double>(9)}, 1, 0), src));
    EXPECT_TRUE(pixtest::samePixels(
        customMatrix(src, Kernel{3, 3, {0, 0, 0, 0, 2, 0, 0, 0, 0}}, 2, 0, false, false), src));
    EXPECT_TRUE(pixtest::samePixels(boxBlur(src, 0, 7, false), src));
    EXPECT_TRUE(pixtest::samePixels(sharpen(src, 0, 3, true), src));
    EXPECT_TRUE(pixtest::samePixels(soften(src, 0), src));
    for (MeanKind kind : {MeanKind::Arithmetic, MeanKind::Harmonic, MeanKind::Geometric,
                          MeanKind::YpLow, MeanKind::YpHigh}) {
        EXPECT_TRUE(pixtest::samePixels(meanFilter(src, kind, 1, false), src));
        EXPECT_TRUE(pixtest::samePixels(meanFilter(flatImg, kind, 5, true), flatImg));
    }
    // A flat picture has no edges and no detail.
    EXPECT_TRUE(
        pixtest::samePixels(edgeDetect(flatImg, 100), opstest::flat(30, 20, qRgb(0, 0, 0))));
    EXPECT_TRUE(
        pixtest::samePixels(highPass(flatImg, 5), opstest::flat(30, 20, qRgb(128, 128, 128))));
    // The means order as they must: harmonic <= geometric <= arithmetic.
    const QImage noisy = noisyImage(20, 20, 5);
    const QImage h = meanFilter(noisy, MeanKind::Harmonic, 3, true);
    const QImage g = meanFilter(noisy, MeanKind::Geometric, 3, true);
    const QImage a = meanFilter(noisy, MeanKind::Arithmetic, 3, true);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            EXPECT_LE(qRed(h.pixel(x, y)), qRed(g.pixel(x, y)) + 1);
            EXPECT_LE(qRed(g.pixel(x, y)), qRed(a.pixel(x, y)) + 1);
        }
}

} // namespace
