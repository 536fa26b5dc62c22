// View > Histogram Window through the real menu: the window's drawing area, the chart against a
// histogram counted here, the check mark through toggling and closing.
#include "info/frm_histogram.h"
#include "ui/frame_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <cmath>

class HistogramTest : public FrameTest {
protected:
    bool checked() const {
        return frame->menuItem(QStringLiteral("mnuDemosHistogram"))->isChecked();
    }
    frmHistogram& window() const { return frmHistogram::instance(); }
};

TEST_F(HistogramTest, TheChartCountsThePixelsInAFixedArea) {
    frmMain* doc = newDocument(90, 70);
    doc->Pix->image().setImage(pixtest::gradientImage(90, 70), 5, QStringLiteral("No Undo"));
    frame->chooseMenuItem(QStringLiteral("mnuDemosHistogram"));
    ASSERT_TRUE(window().isVisible());
    EXPECT_TRUE(checked());
    EXPECT_EQ(window().picHistogram->size(), QSize(276, 100));
    EXPECT_EQ(window().size(), QSize(276, 100)) << "the inner area is the surface";
    // Counted here: each level's column is count * 100 / largest count high, from the bottom.
    std::array<int, 256> counts{};
    const QImage picture = doc->Pix->image().image();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) ++counts[size_t(qGray(picture.pixel(x, y)))];
    const int most = *std::max_element(counts.begin(), counts.end());
    const QImage chart = window().surface();
    ASSERT_EQ(chart.size(), QSize(276, 100));
    for (int level = 0; level < 256; ++level) {
        int black = 0;
        for (int y = 0; y < 100; ++y) black += chart.pixel(10 + level, y) == qRgb(0, 0, 0);
        EXPECT_EQ(black, int(std::nearbyint(counts[size_t(level)] * 100.0 / most))) << level;
        EXPECT_TRUE(black == 0 || chart.pixel(10 + level, 99) == qRgb(0, 0, 0)) << level;
    }
    // An edit afterwards leaves the old chart until the window is toggled off and on.
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::black); });
    EXPECT_EQ(window().surface(), chart);
    frame->chooseMenuItem(QStringLiteral("mnuDemosHistogram"));
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(checked());
    frame->chooseMenuItem(QStringLiteral("mnuDemosHistogram"));
    EXPECT_EQ(window().surface().pixel(10, 0), qRgb(0, 0, 0)) << "all pixels are black now";
    window().close(); // the window's own close button takes the check mark away
    EXPECT_FALSE(checked());
    EXPECT_FALSE(window().isVisible());
}
