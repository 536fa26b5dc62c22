// A frame with one document for catalogue tests: its image, its selection and the helpers that
// compare what an operation left behind.
#pragma once

#include "catalogue/frm_dialog.h"
#include "ui/frame_fixture.h"

#include <QRect>

class CatalogueTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        doc = newDocument();
    }

    // Gives the document an image of `type` (no undo step) and clears the selection.
    void setImage(const QImage& image, int type) {
        pix::PixImage& img = doc->Pix->image();
        img.setImage(image, type, QStringLiteral("No Undo"));
        img.ClearUndo();
        select(QRect());
    }
    void setImage(int type, int w = 40, int h = 30) {
        setImage(pixtest::imageOfType(type, w, h), type);
    }
    // Selects `r` in the document (an empty rectangle clears the selection).
    void select(const QRect& r) {
        if (r.isEmpty())
            doc->Pix->clearSelection();
        else
            doc->Pix->setSelection(QRectF(r));
    }
    const pix::PixImage& image() const { return doc->Pix->image(); }
    QImage pixels() const { return image().image().convertToFormat(QImage::Format_ARGB32); }

    frmMain* doc = nullptr;
};

// Number of pixels outside `keep` that differ between two images of the same size.
inline int changedOutside(const QImage& a, const QImage& b, const QRect& keep) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (!keep.contains(x, y) && ra[x] != rb[x]) ++n;
    }
    return n;
}

inline frmDialog& asDialog(QDialog& d) {
    return static_cast<frmDialog&>(d);
}
