#include "ops_test_util.h"

#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "support/test_images.h"

#include <cmath>
#include <gtest/gtest.h>

namespace opstest {

QImage flat(int w, int h, QRgb c) {
    return pixtest::flatImage(w, h, c);
}

QImage smoothImage(int w, int h, bool alpha) {
    QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* r = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            const int red = int(40 + 170 * u);
            const int green = int(128 + 80 * std::sin(5 * u + 3 * v));
            const int blue = int(128 + 70 * std::cos(7 * v - 2 * u));
            const int a = alpha ? int(80 + 175 * (0.5 + 0.5 * std::sin(4 * u + 5 * v))) : 255;
            r[x] = qRgba(red, green, blue, a);
        }
    }
    return img;
}

QImage checkerboard(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* r = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) r[x] = ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
    }
    return img;
}

Stats stats(const QImage& in) {
    const QImage img = in.convertToFormat(QImage::Format_ARGB32);
    Stats s;
    const double n = double(img.width()) * img.height();
    for (int pass = 0; pass < 2; ++pass)
        for (int y = 0; y < img.height(); ++y) {
            const auto* r = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int v[3] = {qRed(r[x]), qGreen(r[x]), qBlue(r[x])};
                for (int c = 0; c < 3; ++c) {
                    if (pass == 0)
                        s.mean[c] += v[c] / n;
                    else
                        s.var[c] += (v[c] - s.mean[c]) * (v[c] - s.mean[c]) / n;
                }
            }
        }
    return s;
}

QRgb at(const QImage& img, int x, int y) {
    return img.copy(x, y, 1, 1).convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
}

QImage alphaOf(const QImage& img) {
    return img.convertToFormat(QImage::Format_ARGB32).convertToFormat(QImage::Format_Alpha8);
}

void expectEveryTypeUndoes(
    const Calls& calls, int w, int h,
    const std::function<void(const Call&, int, const QImage&, const pix::PixImage&)>& check) {
    for (const Call& call : calls)
        for (int type = 0; type < pix::kImageTypeCount; ++type) {
            SCOPED_TRACE(testing::Message() << call.name << " type " << type);
            pix::PixImage img;
            img.setImage(pixtest::imageOfType(type, w, h), type, {});
            const QImage before = img.image();
            call.run(img);
            EXPECT_EQ(img.Undos(), 2);
            check(call, type, before, img);
            ASSERT_TRUE(img.UndoStep());
            EXPECT_TRUE(pixtest::samePixels(img.image(), before));
            EXPECT_EQ(img.imageType(), type);
            EXPECT_EQ(img.image().format(), before.format());
        }
}

void expectCancelLeavesTheImage(const Calls& calls, const QImage& src, int reportsAllowed) {
    for (const Call& call : calls) {
        pix::PixImage img;
        img.setImage(src, pix::kRgba, {});
        const QImage before = img.image();
        int reports = 0;
        img.setProgressHandler([&](int) { return reports++ < reportsAllowed; });
        try {
            call.run(img);
            ADD_FAILURE() << call.name << " was not cancelled";
        } catch (const pix::PixError& e) {
            EXPECT_EQ(e.number(), pix::kErrCancelled) << call.name;
        }
        EXPECT_TRUE(pixtest::samePixels(img.image(), before)) << call.name;
        EXPECT_EQ(img.Undos(), 1) << call.name;
    }
}

void expectRejected(const Calls& bad) {
    for (const Call& call : bad) {
        pix::PixImage img;
        img.setImage(pixtest::gradientImage(40, 30), pix::kRgb, {});
        const QImage before = img.image();
        EXPECT_THROW(call.run(img), pix::PixError) << call.name;
        EXPECT_TRUE(pixtest::samePixels(img.image(), before)) << call.name;
        EXPECT_EQ(img.Undos(), 1) << call.name;
    }
}

} // namespace opstest
