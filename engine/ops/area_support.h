// Shared plumbing of the area filters: OpenCV views over our 32-bit buffers, kernels as grids,
// and the alpha handling every filter shares (colour filtered premultiplied where alpha varies,
// so invisible pixels lend no colour; alpha kept or filtered as asked).
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <QString>
#include <functional>
#include <opencv2/core.hpp>
#include <vector>

namespace pix::ops {

// A width x height grid of values, element (i, j) at i + width * j (i across, j down).
template <class T> struct Grid {
    int width = 0, height = 0;
    std::vector<T> values;
    T at(int i, int j) const { return values[size_t(i + width * j)]; }
};
using Kernel = Grid<double>;
using Element = Grid<int>;

// A CV_8UC4 view of a 32-bit image (no copy).
cv::Mat matView(const QImage& img);

// How a filter treats alpha.
enum class AlphaMode {
    Keep,        // alpha left as it was; colour filtered premultiplied where alpha varies
    Filter,      // alpha filtered with the colour (premultiplied where alpha varies)
    KeepStraight // alpha left as it was; the colour values filtered as they are
};

// Runs `filter(in, out)` over CV_8UC4 views of `src` (premultiplied first when its alpha varies
// and the mode asks) into a new image of the same size, then undoes the premultiplication and
// puts the alpha back as `mode` says. `opaqueAlphaSafe` tells that the filter maps an all-255
// alpha channel to 255 (no repair needed on opaque images).
QImage filterImage(const QImage& src, AlphaMode mode, bool opaqueAlphaSafe,
                   const std::function<void(const cv::Mat& in, cv::Mat& out)>& filter,
                   const char* source);

// Runs an OpenCV neighbourhood filter over the rows of `out` in chunks with progress and cancel;
// `op(inRows, outRows)` gets row ranges of the whole views, so the filter sees the real
// neighbours above and below each chunk. Only for filters that read the rows outside a region
// of interest (filter2D, blur, dilate, erode, GaussianBlur); OpenCV parallelises each chunk.
void filterRows(const cv::Mat& in, cv::Mat& out, const ProgressFn& progress,
                const std::function<void(const cv::Mat& in, cv::Mat& out)>& op, int percentFrom = 0,
                int percentTo = 100);

// As filterRows for filters that treat their input as isolated (medianBlur and our own): each
// chunk is filtered with `radius` rows above and below taken from the image (repeated at its
// edges) and only its own rows are kept.
void filterRowsWithHalo(const cv::Mat& in, cv::Mat& out, int radius, const ProgressFn& progress,
                        const std::function<void(const cv::Mat& in, cv::Mat& out)>& op,
                        int percentFrom = 0, int percentTo = 100);

} // namespace pix::ops
