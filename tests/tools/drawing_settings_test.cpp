// Drawing settings of the Draw > Setup menu: colour, textures (file, presets, gradients, clear,
// modes), and the remembered settings a new document starts with.
#include "palette_fixture.h"

#include "engine/codecs/codec.h"
#include "tools/drawing_textures.h"

using platform::Answer;

namespace {
void texture(MDIMain& frame, int index) {
    frame.chooseMenuItem(QStringLiteral("mnuDrawTexture"), index);
}
QString writeGif(const QList<QImage>& frames) {
    const QString path = pixtest::tempDir() + QStringLiteral("/frames.gif");
    QList<pix::PixPage> pages;
    for (const QImage& f : frames) pages.append(pix::PixPage{f, 5, {}});
    pix::encodeFile(path, *pix::codecForExtension(path), pages, pix::SaveOptions{});
    return path;
}
} // namespace

TEST_F(PaletteTest, ChosenTextureSwitchesEveryOpenDocumentToSolidFillAndNewOnesFollow) {
    frmMain* second = newDocument();
    const QString path =
        writeImage(QStringLiteral("tex.png"), {pixtest::flatImage(8, 8, qRgb(0, 200, 0))}, 2);
    desktop.answerOpen(path);
    texture(*frame, 0);
    ASSERT_EQ(desktop.openRequests.size(), 1);
    EXPECT_TRUE(desktop.openRequests[0].filter.startsWith(QStringLiteral(
        "All Images|*.jpg;*.gif;*.bmp;*.png;*.psd;*.tif;*.pcx;*.tga;*.wbmp;*.wmf;*.emf;*.ico|")));
    EXPECT_TRUE(desktop.openRequests[0].filter.endsWith(QStringLiteral("|All Files|*.*")));
    for (frmMain* d : {doc, second}) {
        EXPECT_EQ(d->Pix->image().Draw().fillStyle, 6);
        EXPECT_EQ(d->Pix->Shape().fillStyle, 6);
        EXPECT_EQ(d->Pix->image().Draw().texture.pixel(0, 0), qRgb(0, 200, 0));
    }
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuDrawFillStyle"), 7)->isChecked());
    EXPECT_FALSE(frame->menuItem(QStringLiteral("mnuDrawFillStyle"), 0)->isChecked());
    // A rectangle drawn now is filled with the texture.
    pix::Draw::DrawShape(doc->Pix->image(), pix::Draw::ShapeKind::Rectangle,
                         QPolygonF({{10, 10}, {30, 30}}), QString());
    EXPECT_EQ(doc->Pix->image().image().pixel(20, 20), qRgb(0, 200, 0));
    // The mode is remembered too; a new document starts with all of it.
    texture(*frame, 7); // the active document only
    EXPECT_EQ(second->Pix->image().Draw().textureMode, pix::kTextureStretchImage);
    EXPECT_EQ(doc->Pix->image().Draw().textureMode, pix::kTextureTile);
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuDrawTexture"), 7)->isChecked());
    const pix::DrawSettings& s = newDocument()->Pix->image().Draw();
    EXPECT_EQ(s.fillStyle, 6);
    EXPECT_EQ(s.textureMode, pix::kTextureStretchImage);
    EXPECT_EQ(s.texture.pixel(0, 0), qRgb(0, 200, 0));
    // "Clear" takes the texture away (and new documents start without one).
    texture(*frame, 4);
    EXPECT_TRUE(frame->activeDocument()->Pix->image().Draw().texture.isNull());
    EXPECT_TRUE(newDocument()->Pix->image().Draw().texture.isNull());
}

TEST_F(PaletteTest, GifTextureAsksForTheImageNumberAndRefusesAnInvalidOne) {
    const QString path = writeGif(
        {pixtest::flatImage(8, 8, qRgb(255, 0, 0)), pixtest::flatImage(8, 8, qRgb(0, 0, 255))});
    desktop.answerOpen(path);
    desktop.answerInput(QStringLiteral("3"));
    desktop.answerMessage(Answer::Ok);
    texture(*frame, 0);
    ASSERT_EQ(desktop.inputsShown.size(), 1);
    EXPECT_EQ(
        desktop.inputsShown[0],
        QStringLiteral("This file contains 2 images.  Please select the image number. [1..2]"));
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("You entered an invalid image number."));
    EXPECT_TRUE(doc->Pix->image().Draw().texture.isNull());
    EXPECT_EQ(doc->Pix->image().Draw().fillStyle, -1) << "nothing changed";
    desktop.answerOpen(path);
    desktop.answerInput(QStringLiteral("2"));
    texture(*frame, 0);
    EXPECT_EQ(qBlue(doc->Pix->image().Draw().texture.pixel(1, 1)), 255);
    // An icon's transparent areas take the colour the user chooses.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x) icon.setPixel(x, y, qRgb(255, 0, 0));
    const QString ico = pixtest::tempDir() + QStringLiteral("/tex.ico");
    pix::encodeFile(ico, *pix::codecForExtension(ico), {pix::PixPage{icon, 6, {}}},
                    pix::SaveOptions{});
    desktop.answerOpen(ico);
    desktop.answerMessage(Answer::Ok);
    desktop.answerColor(QColor(0, 255, 0));
    texture(*frame, 0);
    EXPECT_EQ(desktop.messagesShown.last().text,
              QStringLiteral("Please select a color to use for the icon's transparent areas."));
    const QImage& t = doc->Pix->image().Draw().texture;
    EXPECT_EQ(t.pixel(2, 2), qRgb(0, 255, 0));
    EXPECT_EQ(t.pixel(12, 2), qRgb(255, 0, 0));
}

TEST_F(PaletteTest, PresetsGradientsAndColourReachTheEngine) {
    frame->chooseMenuItem(QStringLiteral("mnuDrawTextureEx"), 1);
    const QImage& preset = doc->Pix->image().Draw().texture;
    ASSERT_FALSE(preset.isNull()) << "the preset textures are compiled in";
    EXPECT_EQ(doc->Pix->image().Draw().textureMode, pix::kTextureTile);
    EXPECT_EQ(frame->drawing.texturePreset, 2);
    // Two colour dialogs; a cancelled one ends the command without change.
    desktop.answerColor(QColor(Qt::black));
    desktop.answerColor(std::nullopt);
    frame->chooseMenuItem(QStringLiteral("mnuDrawTextureGradient"), 1);
    EXPECT_EQ(doc->Pix->image().Draw().texture, preset);
    desktop.answerColor(QColor(Qt::black));
    desktop.answerColor(QColor(Qt::white));
    frame->chooseMenuItem(QStringLiteral("mnuDrawTextureGradient"), 1);
    const QImage& gradient = doc->Pix->image().Draw().texture;
    EXPECT_EQ(gradient.size(), QSize(256, 256));
    EXPECT_EQ(gradient.pixel(100, 0), qRgb(0, 0, 0)) << "vertical: top row is the first colour";
    EXPECT_EQ(gradient.pixel(100, 255), qRgb(255, 255, 255));
    EXPECT_EQ(doc->Pix->image().Draw().fillStyle, 6);
    // "Color..." sets the pen's colour and keeps its alpha.
    frame->chooseMenuItem(QStringLiteral("mnuDrawOpacity"), 9);
    desktop.answerColor(QColor(10, 20, 30));
    frame->chooseMenuItem(QStringLiteral("mnuDrawSetup"), 0);
    EXPECT_EQ(doc->Pix->image().Draw().penColor, 0x1A1E140Au);
    desktop.answerColor(std::nullopt);
    frame->chooseMenuItem(QStringLiteral("mnuDrawSetup"), 0);
    EXPECT_EQ(doc->Pix->image().Draw().penColor, 0x1A1E140Au);
}
