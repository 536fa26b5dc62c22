// The Processor group's area filters on the 12-megapixel photograph of bench_ops (a 2 x 2
// mosaic of Debian's plasma-workspace-wallpapers photographs cut to 4000 x 3000), each engine
// operation alone on the 32-bit working image against OpenCV's kernel alone at two threads
// (the same window on the same CV_8UC4 buffer, into a reused output). Each measurement keeps
// the fastest mean of three repetitions; a summary with the ratios follows the output.
#include "engine/image_type.h"
#include "engine/ops/convolve.h"
#include "engine/ops/gaussian.h"
#include "engine/ops/means.h"
#include "engine/ops/median.h"
#include "engine/ops/morphology.h"
#include "engine/pix_image.h"

#include "bench_support.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

using namespace pix::ops;
using namespace benchsupport;

namespace {

QImage photo; // the photograph's 32-bit working form

cv::Mat view() {
    return asMat(photo);
}

// The mean of each repetition of run(), at two threads for OpenCV.
void timed(const QString& key, const std::function<void()>& run) {
    registerInProcess(key, run, 0, [] { cv::setNumThreads(2); });
}

struct Pair {
    QString name;
    std::function<QImage()> ours;
    std::function<void(cv::Mat& out)> opencv;
};

QList<Pair> pairs() {
    const Element element{3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1}};
    const Element element5{5, 5, std::vector<int>(25, 1)};
    const Kernel relief{3, 3, {3, 2, 1, 2, 0, -2, 1, -2, -5}};
    const Kernel k5{5, 5, std::vector<double>(25, 1.0)};
    const cv::Mat ones3 = cv::Mat::ones(3, 3, CV_8U), ones5 = cv::Mat::ones(5, 5, CV_8U);
    QList<Pair> p;
    for (int size : {3, 5}) {
        const QString s = QString::number(size);
        const cv::Mat shape = size == 3 ? ones3 : ones5;
        const Element& el = size == 3 ? element : element5;
        p.append({"median_" + s, [=] { return median(photo, size, true); },
                  [=](cv::Mat& o) { cv::medianBlur(view(), o, size); }});
        p.append({"arithmetic_mean_" + s,
                  [=] { return meanFilter(photo, MeanKind::Arithmetic, size, true); },
                  [=](cv::Mat& o) { cv::blur(view(), o, cv::Size(size, size)); }});
        // OpenCV has no harmonic or geometric mean: its nearest pipeline of kernels.
        p.append({"geometric_mean_" + s,
                  [=] { return meanFilter(photo, MeanKind::Geometric, size, true); },
                  [=](cv::Mat& o) {
                      static cv::Mat f;
                      view().convertTo(f, CV_32F, 1.0, 1.0);
                      cv::log(f, f);
                      cv::blur(f, f, cv::Size(size, size));
                      cv::exp(f, f);
                      f.convertTo(o, CV_8U, 1.0, -1.0);
                  }});
        p.append({"dilate_" + s, [=] { return morphology(photo, el, kDilate); },
                  [=](cv::Mat& o) { cv::dilate(view(), o, shape); }});
        p.append({"open_" + s, [=] { return morphology(photo, el, kOpen); },
                  [=](cv::Mat& o) { cv::morphologyEx(view(), o, cv::MORPH_OPEN, shape); }});
        p.append({"sharpen_" + s, [=] { return sharpen(photo, 75, size, true); },
                  [=](cv::Mat& o) {
                      cv::Mat k = cv::Mat::ones(size, size, CV_32F) * (-0.75 / (size * size));
                      k.at<float>(size / 2, size / 2) += 1.75f;
                      cv::filter2D(view(), o, -1, k);
                  }});
    }
    p.append({"custom_relief_3", [=] { return customFilter(photo, relief, 10.0, 0); },
              [](cv::Mat& o) {
                  cv::Mat k = (cv::Mat_<float>(3, 3) << 3, 2, 1, 2, 0, -2, 1, -2, -5) / 10.0;
                  k.at<float>(1, 1) += 1;
                  cv::filter2D(view(), o, -1, k);
              }});
    p.append({"custom_matrix_5", [=] { return customMatrix(photo, k5, 25.0, 0, false, false); },
              [](cv::Mat& o) { cv::filter2D(view(), o, -1, cv::Mat::ones(5, 5, CV_32F) / 25.0); }});
    p.append({"edge_detect_3", [] { return edgeDetect(photo, 25); },
              [](cv::Mat& o) {
                  const cv::Mat k = (cv::Mat_<float>(3, 3) << -1, -1, -1, -1, 8, -1, -1, -1, -1);
                  cv::filter2D(view(), o, -1, k);
              }});
    for (int strength : {25, 50, 75, 100, 300, 500}) {
        const double sigma = gaussianSigmaOfStrength(strength);
        const int half = int(std::ceil(3 * sigma));
        p.append({"gaussian_" + QString::number(strength),
                  [=] { return gaussianBlur(photo, sigma, true); },
                  [=](cv::Mat& o) {
                      cv::GaussianBlur(view(), o, cv::Size(2 * half + 1, 2 * half + 1), sigma);
                  }});
    }
    return p;
}

} // namespace

int main(int argc, char** argv) {
    if (!initialise(argc, argv)) return 1;
    pix::PixImage loaded;
    if (!loadPhotograph(loaded)) return 1;
    photo = pix::toWorkingFormat(loaded.image(), loaded.imageType());
    const QList<Pair> list = pairs();
    for (const Pair& p : list) {
        timed("area/" + p.name + "/pixendra_op", [p] { benchmark::DoNotOptimize(p.ours()); });
        timed("area/" + p.name + "/opencv", [p] {
            static cv::Mat out;
            p.opencv(out);
        });
    }
    runAll();
    QStringList names;
    for (const Pair& p : list) names << p.name;
    printAgainstOpenCV("operation alone (ms)", "area/", names, 1);
    return 0;
}
