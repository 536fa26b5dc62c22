// Undo steps that keep only a changed rectangle, mixed with whole-page steps and unrecorded
// changes: every Undo and Redo gives back the exact page, type included, on every page type.
#include "engine/draw.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "engine/pix_image.h"
#include "engine/undo_memory.h"
#include "support/test_images.h"

#include <QRandomGenerator>
#include <cstring>
#include <gtest/gtest.h>
#include <malloc.h>
#include <memory>

using namespace pix;

namespace {

// Changes every pixel of `r` in the image's own format (indexes stay inside the colour table).
void scribble(QImage& img, const QRect& r) {
    const int colours = std::max(2, int(img.colorCount()));
    for (int y = r.top(); y <= r.bottom(); ++y) {
        if (img.depth() <= 8 && img.format() != QImage::Format_Grayscale8) {
            for (int x = r.left(); x <= r.right(); ++x)
                img.setPixel(x, y, uint((img.pixelIndex(x, y) + 1) % colours));
            continue;
        }
        uchar* line = img.scanLine(y);
        const int bpp = img.depth() / 8;
        for (int i = r.left() * bpp; i < (r.right() + 1) * bpp; ++i) line[i] ^= 0x5A;
    }
}

// Sets every pixel of `r` to index 0, or every byte to 0x33.
void stamp(QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
        if (img.depth() <= 8 && img.format() != QImage::Format_Grayscale8) {
            for (int x = r.left(); x <= r.right(); ++x) img.setPixel(x, y, 0);
            continue;
        }
        const int bpp = img.depth() / 8;
        std::memset(img.scanLine(y) + r.left() * bpp, 0x33, size_t(r.width() * bpp));
    }
}

struct State {
    QImage image;
    int type;
};

void expectSame(const PixImage& img, const State& s, const char* where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(img.imageType(), s.type);
    ASSERT_EQ(img.image().format(), s.image.format());
    EXPECT_EQ(img.image().colorTable(), s.image.colorTable());
    EXPECT_TRUE(img.image() == s.image); // QImage compares every pixel
}

} // namespace

TEST(UndoSteps, ExactOnEveryTypeThroughRectangleWholeAndUnrecordedChanges) {
    for (int type = 0; type < kImageTypeCount; ++type) {
        SCOPED_TRACE(type);
        PixImage img;
        img.setImage(pixtest::imageOfType(type, 400, 300), type, QStringLiteral("no undo"));
        std::vector<State> states{{img.image().copy(), img.imageType()}};
        auto keep = [&] { states.push_back({img.image().copy(), img.imageType()}); };

        const QRect box(10, 20, 30, 40);
        img.modifyPage(QString(), box, [&](PixPage& p) { scribble(p.image, box); });
        // Only the rectangle's old pixels are held.
        EXPECT_EQ(img.history().memoryUsed(img.pages()), img.image().copy(box).sizeInBytes());
        keep();
        img.Draw().penColor = MakeColor(0x3366CC, 255);
        Draw::DrawShape(img, Draw::ShapeKind::Ellipse, QPolygonF({{50, 50}, {120, 90}}));
        keep();
        Draw::FloodFill(img, 300, 200, 0.5);
        keep();
        img.modifyPage(QString(), QRect(0, 0, 5, 5), [](PixPage& p) {
            scribble(p.image, {0, 0, 5, 5});
        });
        // A change made without a step is taken back with the step before it.
        img.modifyPage(QStringLiteral("No Undo"), [](PixPage& p) {
            scribble(p.image, {0, 0, 9, 9});
        });
        keep();
        img.modifyPage(QString(), [](PixPage& p) { p.image = p.image.mirrored(true, false); });
        keep();
        Draw::DrawText(img, 200, 100, QStringLiteral("Ab\nc"));
        keep();
        // A rectangle change that also changes the colour table or the format: the step must
        // keep the whole old page although the rectangle was written in place first.
        const QRect box2(100, 100, 20, 20);
        img.modifyPage(QString(), box2, [&](PixPage& p) {
            scribble(p.image, box2);
            if (p.image.colorCount() > 0) p.image.setColor(0, qRgb(1, 2, 3));
        });
        keep();
        img.modifyPage(QString(), box2, [&](PixPage& p) {
            scribble(p.image, box2);
            p.image = p.image.convertToFormat(QImage::Format_ARGB32);
            p.type = kRgba;
        });
        keep();

        // The older steps are compressed in the background; Undo unpacks them.
        UndoMemory::instance().waitIdle();
        EXPECT_GE(img.history().packedCount(), 1);

        // A failed change records nothing and changes nothing, even after writing into the
        // rectangle (or into a converted copy).
        const int steps = img.Undos();
        for (const QString& label : {QString(), QStringLiteral("No Undo")}) {
            EXPECT_THROW(img.modifyPage(label, box,
                                        [&](PixPage& p) {
                                            stamp(p.image, box);
                                            throw PixError(kErrInvalidArgument, "x", "t");
                                        }),
                         PixError);
            EXPECT_THROW(img.modifyPage(label, box,
                                        [&](PixPage& p) {
                                            stamp(p.image, box);
                                            p.image = p.image.convertToFormat(QImage::Format_RGB16);
                                            throw PixError(kErrInvalidArgument, "x", "t");
                                        }),
                         PixError);
        }
        EXPECT_EQ(img.Undos(), steps);
        expectSame(img, states.back(), "after failure");

        for (int i = int(states.size()) - 2; i >= 0; --i) {
            ASSERT_TRUE(img.UndoStep());
            expectSame(img, states[size_t(i)], ("undo " + std::to_string(i)).c_str());
        }
        EXPECT_FALSE(img.UndoStep());
        UndoMemory::instance().waitIdle(); // the redo steps behind the newest are compressed too
        for (size_t i = 1; i < states.size(); ++i) {
            ASSERT_TRUE(img.RedoStep());
            expectSame(img, states[i], ("redo " + std::to_string(i)).c_str());
        }
    }
}

TEST(UndoSteps, ACompressedRectangleStepStillUndoesAChangeMadeWithoutAStep) {
    PixImage img;
    img.setImage(pixtest::gradientImage(300, 200), kRgb, QStringLiteral("no undo"));
    const QImage original = img.image().copy();
    const QRect box(10, 10, 50, 50);
    img.modifyPage(QString(), box, [&](PixPage& p) { scribble(p.image, box); });
    for (int i = 0; i < 2; ++i)
        img.modifyPage(QString(), box, [&](PixPage& p) { scribble(p.image, box); });
    UndoMemory::instance().waitIdle();
    img.UndoStep();
    img.UndoStep();
    ASSERT_EQ(img.history().packedCount(), 1); // the first step, now the next to undo
    img.modifyPage(QStringLiteral("No Undo"), [](PixPage& p) { p.image.fill(0xFF00FF00u); });
    ASSERT_TRUE(img.UndoStep());
    EXPECT_TRUE(img.image() == original);
}

// A rectangle change writes into the page's own pixels when nothing else holds them, and into
// a copy while anything does: a copy taken before, a working copy, a page list being saved, a
// whole-page undo step.
TEST(UndoSteps, ARectangleIsWrittenInPlaceYetNoOtherHolderOfThePixelsSeesIt) {
    PixImage img;
    img.setImage(pixtest::gradientImage(300, 200), kRgb, QStringLiteral("no undo"));
    const QRect box(10, 20, 40, 30);
    auto draw = [&] {
        img.modifyPage(QString(), box, [&](PixPage& p) { scribble(p.image, box); });
    };
    const uchar* bits = img.image().constBits();
    const qint64 key = img.image().cacheKey();
    draw();
    EXPECT_EQ(img.image().constBits(), bits) << "the page's own pixels were copied";
    EXPECT_NE(img.image().cacheKey(), key) << "watchers of the pixels would miss the change";

    const QImage earlier = img.image();
    const QImage expected = earlier.copy();
    PixImage working;
    working.CopyFrom(img, QStringLiteral("No Undo"));
    const QList<PixPage> beingSaved = img.pages();
    img.SaveUndoPoint(QString());
    draw();
    EXPECT_FALSE(img.image() == expected);
    EXPECT_TRUE(earlier == expected);
    EXPECT_TRUE(working.image() == expected);
    EXPECT_TRUE(beingSaved[0].image == expected);
    ASSERT_TRUE(img.UndoStep());
    ASSERT_TRUE(img.UndoStep()); // the whole-page point
    EXPECT_TRUE(img.image() == expected);
}

// Closing an image hands every byte of it and of its steps back to the allocator.
TEST(UndoSteps, ClosingAnImageGivesItsMemoryBackToTheAllocator) {
    auto inUse = [] {
        const struct mallinfo2 m = mallinfo2();
        return int64_t(m.uordblks + m.hblkhd);
    };
    UndoMemory& memory = UndoMemory::instance();
    memory.waitIdle();
    const int64_t heldBefore = memory.bytesHeld();
    const int64_t before = inUse();
    {
        PixImage img;
        QImage noise(1500, 1000, QImage::Format_RGB32); // 6 MB that do not compress
        QRandomGenerator(3).fillRange(reinterpret_cast<quint32*>(noise.bits()), 1500 * 1000);
        img.setImage(noise, kRgb, QStringLiteral("no undo"));
        noise = QImage();
        for (int i = 0; i < 5; ++i) {
            img.modifyPage(QString(), [](PixPage& p) { p.image.invertPixels(); });
            img.modifyPage(QString(), QRect(0, 0, 100, 100), [](PixPage& p) {
                scribble(p.image, {0, 0, 100, 100});
            });
        }
        memory.waitIdle();
        EXPECT_GT(inUse() - before, int64_t(6) << 20);
    }
    EXPECT_EQ(memory.bytesHeld(), heldBefore);
    EXPECT_LT(inUse() - before, int64_t(1) << 20);
}

namespace {
PixImage* edited(int side, int edits) {
    auto* img = new PixImage;
    img->setImage(pixtest::gradientImage(side, side), kRgb, QStringLiteral("no undo"));
    for (int i = 0; i < edits; ++i)
        img->modifyPage(QString(), [i](PixPage& p) { p.image.setPixel(i, 0, 0xFF000001u + i); });
    return img;
}
} // namespace

TEST(UndoSteps, OneBudgetForAllImagesDropsTheOldestStepsOfTheLargestFirst) {
    UndoMemory& memory = UndoMemory::instance();
    const int64_t before = memory.bytesHeld();
    const int64_t saved = memory.budget();
    std::unique_ptr<PixImage> big(edited(300, 6)), small(edited(100, 6));
    UndoMemory::instance().waitIdle();
    EXPECT_EQ(big->Undos(), 6);
    const int64_t held = memory.bytesHeld() - before;
    EXPECT_EQ(held, big->history().bytesHeld() + small->history().bytesHeld());

    // Just over the budget: the big history gives up its oldest step, the small one nothing.
    // (A change without a step checks the budget and hands the compressor nothing new.)
    memory.setBudget(before + held - 1);
    small->modifyPage(QStringLiteral("No Undo"), [](PixPage& p) { p.image.setPixel(50, 50, 0); });
    EXPECT_EQ(small->Undos(), 6);
    EXPECT_EQ(big->Undos(), 5);
    for (int i = 0; i < 5; ++i) big->UndoStep();
    EXPECT_EQ(big->image().pixel(0, 0), 0xFF000001u); // the first edit is the one kept
    EXPECT_FALSE(big->UndoStep());

    // Closing an image frees its steps at once.
    const int64_t smallHeld = small->history().bytesHeld();
    EXPECT_GT(smallHeld, 0);
    small.reset();
    EXPECT_EQ(memory.bytesHeld(), before + big->history().bytesHeld());

    // No budget at all: a history still keeps its newest step.
    memory.setBudget(0);
    big->SaveUndoPoint(QString());
    EXPECT_EQ(big->Undos(), 1);
    memory.setBudget(saved);
}
