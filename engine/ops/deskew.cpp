#include "deskew.h"

#include "op_support.h"
#include "rotate.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <climits>
#include <cmath>
#include <numbers>
#include <vector>

namespace pix::ops {

namespace {

constexpr double kSearchRange = 15.0; // degrees either way
constexpr double kCoarseStep = 0.5;
constexpr size_t kMaxPoints = 400000;
constexpr size_t kMinPoints = 32;

struct Ink {
    float x, y; // relative to the area's centre
};

// Sharpness of the ink profile across rows turned by `degrees`.
double profileScore(const std::vector<Ink>& ink, double degrees, double radius) {
    const double a = degrees * std::numbers::pi / 180.0;
    const double s = std::sin(a), c = std::cos(a);
    std::vector<int> bins(size_t(2 * radius) + 3, 0);
    for (const Ink& p : ink) ++bins[size_t(p.y * c - p.x * s + radius + 1.0)];
    double score = 0;
    for (size_t i = 1; i < bins.size(); ++i) {
        const double d = bins[i] - bins[i - 1];
        score += d * d;
    }
    return score;
}

// The best angle among centre - span .. centre + span in steps of `step`.
double bestAngle(const std::vector<Ink>& ink, double radius, double centre, double span,
                 double step) {
    const int n = int(std::lround(2 * span / step)) + 1;
    std::vector<double> scores(static_cast<size_t>(n), 0.0);
    cv::parallel_for_(cv::Range(0, n), [&](const cv::Range& r) {
        for (int i = r.start; i < r.end; ++i)
            scores[size_t(i)] = profileScore(ink, centre - span + i * step, radius);
    });
    int best = 0;
    for (int i = 1; i < n; ++i)
        if (scores[size_t(i)] > scores[size_t(best)] ||
            (scores[size_t(i)] == scores[size_t(best)] &&
             std::abs(centre - span + i * step) < std::abs(centre - span + best * step)))
            best = i;
    return centre - span + best * step;
}

} // namespace

double findTextSkew(const QImage& grey, uchar ink, QRect area, int refinements, int columnStep) {
    constexpr const char* kSource = "Effects.AutoDeskew";
    require(grey.format() == QImage::Format_Grayscale8, QStringLiteral("Needs a grey image"),
            kSource);
    require(refinements >= 0 && refinements <= 4,
            QStringLiteral("Refinements %1 are not 0..4").arg(refinements), kSource);
    require(columnStep >= 1 && columnStep <= 64,
            QStringLiteral("Column step %1 is not 1..64").arg(columnStep), kSource);
    area = area.intersected(grey.rect());
    if (area.isEmpty()) return 0;
    const double cx = area.center().x(), cy = area.center().y();
    std::vector<Ink> points;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = area.left(); x <= area.right(); x += columnStep)
            if (row[x] == ink) points.push_back({float(x - cx), float(y - cy)});
    }
    if (points.size() < kMinPoints) return 0;
    if (points.size() > kMaxPoints) { // an even sample is enough to find the angle
        const size_t stride = (points.size() + kMaxPoints - 1) / kMaxPoints;
        size_t k = 0;
        for (size_t i = 0; i < points.size(); i += stride) points[k++] = points[i];
        points.resize(k);
    }
    const double radius = std::hypot(area.width(), area.height()) / 2.0 + 1.0;
    double angle = bestAngle(points, radius, 0.0, kSearchRange, kCoarseStep);
    double step = kCoarseStep;
    for (int i = 0; i < refinements; ++i) {
        angle = bestAngle(points, radius, angle, step, step / 10.0);
        step /= 10.0;
    }
    return angle;
}

QImage turnGrey(const QImage& grey, double degrees, uchar fill) {
    require(grey.format() == QImage::Format_Grayscale8, QStringLiteral("Needs a grey image"),
            "Effects.AutoDeskew");
    if (grey.width() >= SHRT_MAX || grey.height() >= SHRT_MAX) {
        // OpenCV's warp takes images below 32767 pixels a side; the engine's own turn the rest.
        const QImage turned = turnAboutCentre(grey.convertToFormat(QImage::Format_RGB32), degrees,
                                              qRgb(fill, fill, fill), "Effects.AutoDeskew");
        QImage out = turned.convertToFormat(QImage::Format_Grayscale8);
        requireAllocated(out, "Effects.AutoDeskew");
        return out;
    }
    QImage out(grey.size(), QImage::Format_Grayscale8);
    requireAllocated(out, "Effects.AutoDeskew");
    const cv::Mat src(grey.height(), grey.width(), CV_8UC1, const_cast<uchar*>(grey.constBits()),
                      size_t(grey.bytesPerLine()));
    cv::Mat dst(out.height(), out.width(), CV_8UC1, out.bits(), size_t(out.bytesPerLine()));
    const cv::Point2f centre((grey.width() - 1) / 2.0f, (grey.height() - 1) / 2.0f);
    const cv::Mat turn = cv::getRotationMatrix2D(centre, degrees, 1.0);
    cv::warpAffine(src, dst, turn, dst.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                   cv::Scalar(fill));
    return out;
}

} // namespace pix::ops
