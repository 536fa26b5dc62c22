// The colour adjustment dialogs through the frame's menus: one flow over all five menu items
// (opening state, preview or not as the preview boxes say, Cancel keeps the image), then each
// dialog's own rules.
#include "adjust/frm_adjust_rgb.h"
#include "adjust/frm_colorize.h"
#include "adjust/frm_negative_color.h"
#include "adjust/frm_shift.h"
#include "catalogue/colour_adjust_catalogue.h"
#include "catalogue_fixture.h"
#include "engine/colors_hsl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Types `text` into a box as keys, then Enter.
void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

template <class D> D& as(QDialog& d) {
    auto* dlg = dynamic_cast<D*>(&d);
    if (!dlg) throw std::logic_error("another dialog opened");
    return *dlg;
}

void settle() {
    QCoreApplication::processEvents();
}

struct DialogCase {
    const char* item;
    int index;
    const char* title;
    std::function<void(PreviewDialog&)> opening;    // checks the opening state
    std::function<QScrollBar*(PreviewDialog&)> bar; // a bar whose change shows in the image
};

} // namespace

class ColourDialogs : public CatalogueTest {
protected:
    // Chooses the menu item; `fn` works the dialog and closes it.
    void choose(const char* item, int index, std::function<void(QDialog&)> fn) {
        desktop.answerModal([fn](QDialog& d) {
            fn(d);
            return d.result();
        });
        ASSERT_TRUE(frame->chooseMenuItem(QString::fromLatin1(item), index));
        EXPECT_EQ(desktop.pendingAnswers(), 0) << "the dialog did not open";
    }
};

TEST_F(ColourDialogs, EachOpensAndPreviewsAsItsBoxesSayAndCancelKeepsTheImage) {
    const DialogCase cases[] = {
        {"mnuFilters", 3, "Adjust Hue, Saturation and Luminance",
         [](PreviewDialog& d) {
             auto& c = static_cast<frmColorize&>(d);
             for (QScrollBar* b : {c.scrHue, c.scrSat, c.scrLum}) EXPECT_EQ(b->value(), 127);
             EXPECT_TRUE(c.chkHue->isChecked() && c.chkSat->isChecked());
             EXPECT_FALSE(c.chkLum->isChecked());
             EXPECT_EQ(c.chkHue->text(), QStringLiteral("Hue 255"));
             EXPECT_EQ(c.chkDelayedPreview, nullptr);
         },
         [](PreviewDialog& d) { return static_cast<frmColorize&>(d).scrSat; }},
        {"mnuFiltersNegativeColor", -1, "Negative Color",
         [](PreviewDialog& d) {
             auto& n = static_cast<frmNegativeColor&>(d);
             const pix::Colors::Triple hsl = pix::Colors::RGBToHSL(255, 0, 128);
             EXPECT_EQ(QStringList({n.txtRed->text(), n.txtGreen->text(), n.txtBlue->text(),
                                    n.txtHue->text(), n.txtSat->text(), n.txtLum->text()}),
                       QStringList({"255", "0", "128", QString::number(hsl.a),
                                    QString::number(hsl.b), QString::number(hsl.c)}));
             EXPECT_EQ(n.scrBlue->value(), 128);
             EXPECT_FALSE(n.btnPreview->isEnabled());
             settle();
             EXPECT_EQ(n.previewsComputed(), 1) << "opens with the negated preview";
         },
         [](PreviewDialog& d) { return static_cast<frmNegativeColor&>(d).scrGreen; }},
        {"mnuChannelsRGB", 0, "Adjust RGBA",
         [](PreviewDialog& d) {
             auto& a = static_cast<frmAdjustRGB&>(d);
             EXPECT_FALSE(a.HSL());
             for (int k = 0; k < 4; ++k) {
                 EXPECT_EQ(a.scroll(k)->value(), 0);
                 EXPECT_EQ(a.box(a.scroll(k))->text(), QStringLiteral("0"));
             }
             EXPECT_EQ(a.caption(0)->text(), QStringLiteral("Red:"));
             EXPECT_TRUE(a.scrAlpha->isEnabled());
             EXPECT_EQ(a.lstAdjustType->currentText(), QStringLiteral("Adjust Literal"));
         },
         [](PreviewDialog& d) { return d.scroll(0); }},
        {"mnuChannelsAdjust", 0, "Adjust HSL",
         [](PreviewDialog& d) {
             auto& a = static_cast<frmAdjustRGB&>(d);
             EXPECT_TRUE(a.HSL());
             EXPECT_EQ(a.caption(0)->text(), QStringLiteral("Hue:"));
             EXPECT_FALSE(a.scrAlpha->isEnabled());
             // The controls keep their RGB names under the HSL captions.
             EXPECT_EQ(a.findChild<QScrollBar*>(QStringLiteral("scrRed")), a.scroll(0));
             EXPECT_EQ(a.findChild<QLabel*>(QStringLiteral("lblBlue")), a.caption(2));
             EXPECT_EQ(a.findChild<QLineEdit*>(QStringLiteral("txtGreen")), a.box(a.scroll(1)));
         },
         [](PreviewDialog& d) { return d.scroll(2); }},
        {"mnuChannelsRGB", 1, "Shift Channels",
         [](PreviewDialog& d) {
             auto& s = static_cast<frmShift&>(d);
             EXPECT_EQ(s.scrLeftRight->minimum(), -48);
             EXPECT_EQ(s.scrLeftRight->maximum(), 48);
             EXPECT_EQ(s.scrUpDown->maximum(), 36);
             EXPECT_EQ(s.scrUpDown->orientation(), Qt::Vertical);
             EXPECT_EQ(s.scrLeftRight->orientation(), Qt::Horizontal);
             EXPECT_TRUE(s.check(2)->isChecked());
             EXPECT_FALSE(s.check(3)->isChecked() || s.check(4)->isChecked());
         },
         [](PreviewDialog& d) { return static_cast<frmShift&>(d).scrLeftRight; }},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.title);
        setImage(pixtest::gradientImage(48, 36), 5);
        const QImage before = pixels();

        // Delayed (or, without that box, real-time off): a dragged thumb computes nothing; the
        // release, or "Preview", does.
        choose(c.item, c.index, [&](QDialog& d) {
            auto& dlg = static_cast<PreviewDialog&>(d);
            EXPECT_EQ(dlg.windowTitle(), QString::fromLatin1(c.title));
            c.opening(dlg);
            QCheckBox* box = dlg.chkDelayedPreview ? dlg.chkDelayedPreview : dlg.chkRealTimePreview;
            box->click();
            if (dlg.btnPreview) {
                EXPECT_TRUE(dlg.btnPreview->isEnabled());
            }
            settle();
            const int computed = dlg.previewsComputed();
            QScrollBar* bar = c.bar(dlg);
            bar->setSliderDown(true);
            bar->setValue(30);
            settle();
            EXPECT_EQ(dlg.previewsComputed(), computed);
            bar->setSliderDown(false);
            if (dlg.btnPreview) {
                settle();
                EXPECT_EQ(dlg.previewsComputed(), computed);
                dlg.btnPreview->click();
            }
            settle();
            EXPECT_EQ(dlg.previewsComputed(), computed + 1);
            dlg.btnCancel->click();
        });
        EXPECT_TRUE(pixtest::samePixels(pixels(), before));
        EXPECT_EQ(image().Undos(), 0);

        // At the opening state's preview boxes a change previews at once (Apply: the sweep).
        choose(c.item, c.index, [&](QDialog& d) {
            auto& dlg = static_cast<PreviewDialog&>(d);
            settle();
            const int computed = dlg.previewsComputed();
            c.bar(dlg)->setValue(30);
            settle();
            EXPECT_EQ(dlg.previewsComputed(), computed + 1);
            EXPECT_FALSE(dlg.picPreview->pixmap().isNull());
            dlg.btnCancel->click();
        });
    }
}

TEST_F(ColourDialogs, ShiftClampsTypedOffsetsScalesThePreviewAndSkipsNoOffset) {
    // -5000 typed into X of a 640-wide image is -640.
    setImage(pixtest::gradientImage(640, 40), 5);
    choose("mnuChannelsRGB", 1, [](QDialog& d) {
        auto& s = as<frmShift>(d);
        typeInto(s.txtOffsetX, QStringLiteral("-5000"));
        EXPECT_EQ(s.scrLeftRight->value(), -640);
        EXPECT_EQ(s.txtOffsetX->text(), QStringLiteral("-640"));
        typeInto(s.txtOffsetY, QStringLiteral("x7"));
        EXPECT_EQ(s.txtOffsetY->text(), QStringLiteral("7"))
            << "keys other than digits are dropped";
        s.btnCancel->click();
    });

    // A quarter-size preview shows X = 10 as 2 (2.5 to even) and Apply shifts by 10.
    const QImage wide = pixtest::gradientImage(928, 64);
    setImage(wide, 5);
    choose("mnuChannelsRGB", 1, [](QDialog& d) {
        auto& s = as<frmShift>(d);
        ASSERT_DOUBLE_EQ(s.previewScale(), 0.25);
        s.scrLeftRight->setValue(10);
        pix::PixImage probe;
        EXPECT_EQ(s.previewValues(probe).integer(0), 2);
        s.btnApply->click();
    });
    EXPECT_EQ(qRed(pixels().pixel(20, 5)), qRed(wide.pixel(10, 5)));
    EXPECT_EQ(qGreen(pixels().pixel(20, 5)), qGreen(wide.pixel(20, 5)));
    EXPECT_EQ(image().Undos(), 1);

    // Offsets 0, 0: no engine call, so no step; no channel with an offset: still sent.
    choose("mnuChannelsRGB", 1, [](QDialog& d) { as<frmShift>(d).btnApply->click(); });
    EXPECT_EQ(image().Undos(), 1);
    choose("mnuChannelsRGB", 1, [](QDialog& d) {
        auto& s = as<frmShift>(d);
        s.check(2)->click();
        s.scrUpDown->setValue(3);
        s.btnApply->click();
    });
    EXPECT_EQ(image().Undos(), 2);
}

TEST_F(ColourDialogs, AdjustClampsItsBoxesAndSendsPercentsInSinglePrecision) {
    EXPECT_FLOAT_EQ(catalogue::percentOfAmount(255), 100.0f);
    EXPECT_EQ(catalogue::percentOfAmount(-128), float(-128 / 2.55));
    // Through the dialog on white: 255 percent-wise is +100 (stays 255); -128 is -50.196...,
    // which takes 255 to 127 (-50 would give 128).
    setImage(pixtest::flatImage(8, 8, qRgb(255, 255, 255)), 5);
    choose("mnuChannelsRGB", 0, [](QDialog& d) {
        auto& a = as<frmAdjustRGB>(d);
        typeInto(a.box(a.scroll(0)), QStringLiteral("300"));
        EXPECT_EQ(a.scroll(0)->value(), 255);
        typeInto(a.box(a.scroll(1)), QStringLiteral("-999"));
        EXPECT_EQ(a.box(a.scroll(1))->text(), QStringLiteral("-255"));
        a.scroll(1)->setValue(-128);
        a.lstAdjustType->setCurrentIndex(1);
        a.btnApply->click();
    });
    EXPECT_EQ(pixels().pixel(3, 3), qRgb(255, 127, 255));
}

TEST_F(ColourDialogs, ColorizeFollowsItsBarsAndTheColourDialog) {
    setImage(pixtest::gradientImage(60, 40), 5);
    const QImage before = pixels();
    choose("mnuFilters", 3, [this](QDialog& d) {
        auto& c = as<frmColorize>(d);
        // Saturation moves the colour even while it is not imposed.
        c.chkSat->click();
        const uint32_t start = c.colour();
        c.scrSat->setValue(200);
        EXPECT_NE(c.colour(), start);
        EXPECT_EQ(c.chkSat->text(), QStringLiteral("Sat: 200"));
        // A cancelled colour dialog changes nothing; a chosen colour sets the bars to its HSL
        // and previews once.
        desktop.answerColor(std::nullopt);
        const uint32_t kept = c.colour();
        c.btnColor->click();
        EXPECT_EQ(c.colour(), kept);
        settle();
        const int computed = c.previewsComputed();
        desktop.answerColor(QColor(40, 160, 90));
        c.btnColor->click();
        settle();
        const pix::Colors::Triple hsl = pix::Colors::RGBToHSL(40, 160, 90);
        EXPECT_EQ(c.scrHue->value(), hsl.a);
        EXPECT_EQ(c.chkLum->text(), QStringLiteral("Lum: %1").arg(hsl.c));
        EXPECT_EQ(c.colour(), 40u | 160u << 8 | 90u << 16);
        EXPECT_EQ(c.previewsComputed(), computed + 1);
        // Nothing imposed: Apply still calls the engine.
        c.chkHue->click();
        c.btnApply->click();
    });
    EXPECT_EQ(image().Undos(), 1);
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
}

TEST_F(ColourDialogs, NegativeColorKeepsEveryRepresentationInStep) {
    setImage(pixtest::gradientImage(60, 40), 5);
    choose("mnuFiltersNegativeColor", -1, [](QDialog& d) {
        auto& n = as<frmNegativeColor>(d);
        typeInto(n.txtGreen, QStringLiteral("999"));
        EXPECT_EQ(n.txtGreen->text(), QStringLiteral("255"));
        EXPECT_EQ(n.scrGreen->value(), 255);
        const pix::Colors::Triple hsl = pix::Colors::RGBToHSL(255, 255, 128);
        EXPECT_EQ(n.txtLum->text(), QString::number(hsl.c));
        // Saturation: R, G, B from the three HSL boxes, then the boxes from R, G, B.
        typeInto(n.txtSat, QStringLiteral("40"));
        const pix::Colors::Triple rgb = pix::Colors::HSLToRGB(hsl.a, 40, hsl.c);
        EXPECT_EQ(n.txtRed->text(), QString::number(rgb.a));
        EXPECT_EQ(n.scrBlue->value(), rgb.c);
        EXPECT_EQ(n.colour(), rgb.a | uint32_t(rgb.b) << 8 | uint32_t(rgb.c) << 16);
        n.btnCancel->click();
    });
    EXPECT_EQ(image().Undos(), 0);
}

TEST_F(ColourDialogs, PreviewBoxesFillTheAreaTheirAnchorsLeave) {
    // Colorize: the side is the height below the luminance bar less 16 pixels, whatever the
    // width; the box is centred right of "Real-Time Preview" and below that bar. Negative
    // Color: the smaller of the width right of the red bar less 8 and the height above
    // "Preview" less 16, the box centred there.
    struct Area {
        int left, top, bottom, size;
    };
    const struct {
        const char* item;
        int index;
        std::function<Area(PreviewDialog&)> area;
    } cases[] = {
        {"mnuFilters", 3,
         [](PreviewDialog& d) {
             const QRect lum = as<frmColorize>(d).scrLum->geometry(),
                         check = d.chkRealTimePreview->geometry();
             const int top = lum.y() + lum.height();
             return Area{check.x() + check.width(), top, d.height(), d.height() - top - 16};
         }},
        {"mnuFiltersNegativeColor", -1,
         [](PreviewDialog& d) {
             const QRect red = as<frmNegativeColor>(d).scrRed->geometry();
             const int left = red.x() + red.width(), bottom = d.btnPreview->y();
             return Area{left, 0, bottom, std::min(d.width() - left - 8, bottom - 16)};
         }},
    };
    for (const auto& c : cases) {
        for (const QSize shape : {QSize(900, 90), QSize(90, 900)}) {
            SCOPED_TRACE(QStringLiteral("%1 %2x%3")
                             .arg(QLatin1String(c.item))
                             .arg(shape.width())
                             .arg(shape.height())
                             .toStdString());
            setImage(pixtest::gradientImage(shape.width(), shape.height()), 5);
            choose(c.item, c.index, [&](QDialog& d) {
                auto& dlg = static_cast<PreviewDialog&>(d);
                const Area a = c.area(dlg);
                const QRect box = dlg.picPreview->geometry();
                EXPECT_EQ(dlg.previewSize(), a.size);
                EXPECT_EQ(std::max(box.width(), box.height()), a.size);
                EXPECT_NEAR(box.x() - a.left, dlg.width() - box.x() - box.width(), 1);
                EXPECT_NEAR(box.y() - a.top, a.bottom - box.y() - box.height(), 1);
                dlg.btnCancel->click();
            });
        }
    }
}

TEST_F(ColourDialogs, AdjustWithASelectionPreviewsItInPlaceOnTheDocument) {
    const QImage white = pixtest::flatImage(464, 348, qRgb(255, 255, 255));
    setImage(white, 5);
    const QRect sel(100, 100, 100, 50);
    select(sel);
    choose("mnuChannelsRGB", 0, [](QDialog& d) {
        auto& a = as<frmAdjustRGB>(d);
        a.scroll(0)->setValue(-255);
        settle();
        // The whole document at half size, the selection cyan at its half-size place.
        const QImage shown = a.picPreview->pixmap().toImage();
        ASSERT_EQ(shown.size(), QSize(232, 174));
        EXPECT_EQ(shown.pixel(75, 62), qRgb(0, 255, 255));
        EXPECT_EQ(shown.pixel(45, 62), qRgb(255, 255, 255));
        EXPECT_EQ(shown.pixel(75, 80), qRgb(255, 255, 255));
        a.btnApply->click();
    });
    EXPECT_EQ(pixels().pixel(150, 120), qRgb(0, 255, 255));
    EXPECT_EQ(changedOutside(pixels(), white.convertToFormat(QImage::Format_ARGB32), sel), 0);
}
