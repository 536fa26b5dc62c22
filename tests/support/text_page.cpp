#include "text_page.h"

#include "engine/image_type.h"

#include <QPainter>
#include <cmath>
#include <numbers>
#include <vector>

namespace pixtest {

QImage textPage(double degrees, QSize size, QRect area) {
    QImage page(size, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.translate(area.center());
    p.rotate(degrees);
    p.translate(-area.center());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    uint32_t seed = 7;
    auto next = [&seed](int n) { return int((seed = seed * 1103515245u + 12345u) >> 16) % n; };
    for (int y = area.top(); y + 10 <= area.bottom(); y += 28)
        for (int x = area.left(); x < area.right();) {
            const int w = 8 + next(40);
            p.drawRect(x, y, std::min(w, area.right() - x), 10);
            x += w + 6 + next(8);
        }
    p.end();
    return pix::convertToType(page, pix::kMono);
}

Lines measureLines(const QImage& image, QRect area) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (area.isEmpty()) area = grey.rect();
    auto isInk = [&](int x, int y) { return grey.constScanLine(y)[x] < 128; };
    std::vector<int> ink(size_t(grey.height()), 0);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ink[size_t(y)] += isInk(x, y);
    Lines lines;
    double sxy = 0, sxx = 0;
    for (int y = area.top(); y <= area.bottom();) {
        if (!ink[size_t(y)]) {
            ++y;
            continue;
        }
        int end = y;
        while (end <= area.bottom() && ink[size_t(end)]) ++end;
        double n = 0, mx = 0, my = 0;
        for (int r = y; r < end; ++r)
            for (int x = area.left(); x <= area.right(); ++x)
                if (isInk(x, r)) ++n, mx += x, my += r;
        mx /= n, my /= n;
        for (int r = y; r < end; ++r)
            for (int x = area.left(); x <= area.right(); ++x)
                if (isInk(x, r)) sxy += (x - mx) * (r - my), sxx += (x - mx) * (x - mx);
        ++lines.count;
        y = end;
    }
    lines.degrees = sxx > 0 ? std::atan(sxy / sxx) * 180.0 / std::numbers::pi : 0.0;
    return lines;
}

} // namespace pixtest
