// The zoomed-out view follows edits: a rectangle edit updates only what it touches yet shows
// exactly what a fresh build shows; a whole-page edit is rebuilt in the background and then
// shown; a control destroyed during a rebuild goes quietly.
#include "view_fixture.h"

#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "tests/support/test_images.h"

#include <QPainter>
#include <random>

class ViewCacheTest : public ViewTest {
protected:
    QImage paint(pix::PixCtrl& c) {
        QImage canvas(c.viewport()->size(), QImage::Format_RGB32);
        QPainter p(&canvas);
        c.paintView(p, canvas.rect());
        return canvas;
    }
    void waitForView() {
        while (ctrl->viewBuilding()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // Every pixel well inside the image on the canvas.
    std::vector<QRgb> shownPixels(const QImage& canvas, const QRect& inImage = {}) {
        const QRectF whole = ctrl->imageRectInViewport();
        const QRect part =
            inImage.isNull() ? QRect(QPoint(), ctrl->image().image().size()) : inImage;
        const QRect on = QRectF(ctrl->imageToControl(part.topLeft()),
                                ctrl->imageToControl(part.bottomRight() + QPoint(1, 1)))
                             .toAlignedRect()
                             .adjusted(2, 2, -2, -2) &
                         whole.toAlignedRect() & canvas.rect();
        std::vector<QRgb> out;
        for (int y = on.top(); y <= on.bottom(); ++y)
            for (int x = on.left(); x <= on.right(); ++x) out.push_back(canvas.pixel(x, y));
        return out;
    }
    static bool all(const std::vector<QRgb>& pixels, QRgb colour) {
        return !pixels.empty() &&
               std::all_of(pixels.begin(), pixels.end(), [&](QRgb p) { return p == colour; });
    }
    // Lines of two colours, one pixel wide: a view averaging them differs from one sampling
    // them.
    static QImage stripes(QSize size, bool vertical, QRgb a, QRgb b) {
        QImage img(size, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) row[x] = ((vertical ? x : y) & 1) ? b : a;
        }
        return img;
    }
};

// Random rectangle edits, some painted one by one and some together, with Undo and Redo among
// them, on paletted, grey and 32-bit pages, at zooms that draw from the full-size image and
// from each halved copy, sampled and smooth: after each round the view equals the one built
// afresh from the same pixels.
TEST_F(ViewCacheTest, RectangleEditsShowExactlyWhatAFreshViewShows) {
    std::mt19937 rng(7);
    auto rnd = [&](int n) { return int(rng() % unsigned(n)); };
    const QSize size(701, 531); // odd sizes: the halved copies drop a last row and column
    for (int type : {1, 3, 5, 6}) {
        pix::PixImage& image = ctrl->image();
        image.setImage(pixtest::imageOfType(type, size.width(), size.height()), type,
                       QStringLiteral("no undo"));
        image.ClearUndo(); // only the rectangle steps below are undone
        for (double zoom : {0.8, 0.55, 0.3, 0.13}) {
            for (bool smooth : {false, true}) {
                ctrl->setZoomFactor(zoom);
                ctrl->setAntialiasDisplay(smooth);
                paint(*ctrl);
                for (int round = 0; round < 4; ++round) {
                    for (int edits = 1 + rnd(3); edits > 0; --edits) {
                        if (rnd(4) == 0 && image.Undos() > 0) {
                            ASSERT_TRUE(rnd(2) && image.Redos() ? image.RedoStep()
                                                                : image.UndoStep());
                            continue;
                        }
                        // Corners, edges, single pixels and rectangles reaching outside.
                        const QRect rect(rnd(size.width() + 20) - 10, rnd(size.height() + 20) - 10,
                                         1 + rnd(rnd(2) ? 4 : 160), 1 + rnd(rnd(2) ? 4 : 160));
                        image.modifyPage(QString(), rect, [&](pix::PixPage& page) {
                            QImage& img = page.image;
                            const QRect r = rect & img.rect();
                            for (int y = r.top(); y <= r.bottom(); ++y) {
                                uchar* row = img.scanLine(y);
                                for (int x = r.left(); x <= r.right(); ++x) {
                                    if (img.depth() == 32)
                                        reinterpret_cast<QRgb*>(row)[x] =
                                            rng() | (type == 6 ? 0 : 0xFF000000u);
                                    else
                                        row[x] = uchar(rng() % (img.colorCount() > 0
                                                                    ? unsigned(img.colorCount())
                                                                    : 256u));
                                }
                            }
                        });
                        if (rect.intersects(QRect(QPoint(), size))) {
                            ASSERT_FALSE(image.changedArea().isNull()) << "type " << type;
                        }
                    }
                    const QImage followed = paint(*ctrl);
                    // The same pixels as a new page: built from scratch.
                    pix::PixPage fresh = image.page(image.currentPage());
                    fresh.image = fresh.image.copy();
                    image.setPage(fresh, QStringLiteral("no undo"));
                    ASSERT_TRUE(pixtest::samePixels(followed, paint(*ctrl)))
                        << "type " << type << " zoom " << zoom << " smooth " << smooth << " round "
                        << round;
                }
            }
        }
    }
}

// A whole-page edit of a large image: at first the image is drawn sampled, then the rebuilt
// view shows the averaged new pixels. A build overtaken by another whole-page edit gives way
// to it, and a rectangle edit made during a build is shown on top of the rebuilt view.
TEST_F(ViewCacheTest, AWholePageEditIsRebuiltInTheBackgroundAndThenShown) {
    const QSize size(1400, 1000);
    const QRgb grey = qRgb(128, 128, 128), purple = qRgb(128, 0, 128);
    pix::PixImage& image = ctrl->image();
    ctrl->setZoomFactor(0.25);
    image.setImage(stripes(size, true, qRgb(0, 0, 0), qRgb(255, 255, 255)), 5, QString());
    const QImage sampled = paint(*ctrl);
    ASSERT_TRUE(ctrl->viewBuilding());
    EXPECT_FALSE(all(shownPixels(sampled), grey)) << "drawn sampled meanwhile";
    waitForView();
    EXPECT_TRUE(all(shownPixels(paint(*ctrl)), grey));

    // Two whole-page edits in a row, then a rectangle edit during the second build.
    image.setImage(stripes(size, false, qRgb(255, 0, 0), qRgb(0, 0, 255)), 5, QString());
    paint(*ctrl);
    image.setImage(stripes(size, true, qRgb(0, 0, 255), qRgb(255, 0, 0)), 5, QString());
    paint(*ctrl);
    const QRect white(200, 100, 400, 300);
    image.modifyPage(QString(), white,
                     [&](pix::PixPage& p) { QPainter(&p.image).fillRect(white, Qt::white); });
    waitForView();
    const QImage shown = paint(*ctrl);
    EXPECT_TRUE(all(shownPixels(shown, white), qRgb(255, 255, 255)));
    EXPECT_TRUE(all(shownPixels(shown, QRect(700, 500, 600, 400)), purple));
    // Undoing the whole-page edits rebuilds again, back to the grey.
    ASSERT_TRUE(image.UndoStep() && image.UndoStep() && image.UndoStep());
    paint(*ctrl);
    waitForView();
    EXPECT_TRUE(all(shownPixels(paint(*ctrl)), grey));
}

// Controls destroyed while their view is rebuilt, some with the page replaced during the
// build, some with the finished build waiting to be taken: no build outlives its control.
TEST_F(ViewCacheTest, DestroyingAControlDuringARebuildIsSafe) {
    for (int i = 0; i < 6; ++i) {
        auto* c = new pix::PixCtrl;
        c->resize(400, 300);
        c->show();
        c->setZoomFactor(0.2);
        const QImage pixels = pixtest::gradientImage(1500, 1000 + i);
        c->image().setImage(pixels, 5, QStringLiteral("no undo"));
        paint(*c);
        ASSERT_TRUE(c->viewBuilding());
        ASSERT_FALSE(pixels.isDetached()) << "shared with the page and the build";
        if (i % 3 == 1) {
            c->image().setImage(pixtest::gradientImage(1200, 900), 5, QStringLiteral("no undo"));
            paint(*c);
        }
        if (i % 3 == 2) QCoreApplication::processEvents();
        delete c;
        EXPECT_TRUE(pixels.isDetached()) << "no build outlives the control";
    }
    QCoreApplication::processEvents();
}
