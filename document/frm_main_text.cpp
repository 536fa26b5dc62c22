// The text tool: the floating text box over the image, sized by lblTextSize, and the drawing of
// its text into the image through the engine as one undo step.
#include "frm_main.h"

#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/draw.h"
#include "engine/pix_image.h"
#include "platform/desktop.h"
#include "platform/vb.h"

#include <QLabel>
#include <QTextEdit>
#include <cmath>

namespace {

// The engine font of the palette's text strip; Bold with weight "0 - Don't Care" is weight 7.
pix::TextFont fontOf(const TextStyle& s) {
    pix::TextFont f;
    f.name = s.fontName;
    f.size = s.size;
    f.weight = s.bold && s.weight == 0 ? 7 : s.weight;
    f.italic = s.italic;
    f.underline = s.underline;
    f.strikeOut = s.strikeOut;
    return f;
}

// 50 twips around the measured text.
int boxMargin() {
    return vb::twipsToPixels(50.0, platform::desktop().twipsPerPixel());
}

QTextEdit* makeTextBox(QWidget* parent, const char* name) {
    auto* box = new QTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAcceptRichText(false);
    box->setFrameShape(QFrame::NoFrame);
    box->setLineWrapMode(QTextEdit::NoWrap);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->document()->setDocumentMargin(0);
    box->hide();
    return box;
}

} // namespace

void frmMain::createTextBoxes() {
    // The typed text floats over the image, which stays visible behind it.
    TextInput = makeTextBox(Pix->viewport(), "TextInput");
    TextInput->setAttribute(Qt::WA_TranslucentBackground);
    TextInput->setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    TextInput->viewport()->setAutoFillBackground(false);
    TextInput2 = makeTextBox(this, "TextInput2");
    lblTextSize->setText(QStringLiteral("M"));
    lblTextSize->hide();
    connect(TextInput, &QTextEdit::textChanged, this, [this] {
        if (!TextInput->isHidden()) fitTextBox();
    });
    // At another zoom the box shows the text at the size it will have in the image.
    connect(Pix, &pix::PixCtrl::zoomChanged, this, [this] {
        if (TextInput->isHidden()) return;
        PrepTextBox();
        TextInput->move(Pix->imageToControl(QPointF(TextAnchor)).toPoint());
    });
}

void frmMain::fitTextBox() {
    // The label measures in the box's font (the size slider may have given it another).
    lblTextSize->setFont(TextInput->font());
    lblTextSize->setText(TextInput->toPlainText() + QStringLiteral("M"));
    const QSize label = lblTextSize->sizeHint();
    TextInput->resize(label.width() + boxMargin(), label.height() + boxMargin());
    Pix->viewport()->update();
}

void frmMain::openTextBox(const QPointF& viewportPos) {
    const QPointF p = Pix->controlToImage(viewportPos);
    TextAnchor = QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
    TextInput->move(Pix->imageToControl(QPointF(TextAnchor)).toPoint());
    TextInput->show();
    PrepTextBox();
    TextInput->setFocus();
}

void frmMain::PrepTextBox() {
    const TextStyle style = host_.textStyle();
    const QFont font = pix::Draw::textQFont(fontOf(style), Pix->ZoomFactor());
    TextInput->setFont(font);
    TextInput->document()->setDefaultFont(font);
    QPalette pal = TextInput->palette();
    const uint32_t fg = host_.swatchColour(0);
    pal.setColor(QPalette::Text, QColor(int(fg & 0xFF), int((fg >> 8) & 0xFF), int(fg >> 16)));
    TextInput->setPalette(pal);
    lblTextSize->setFont(font);
    fitTextBox();
}

void frmMain::textStyleChanged() {
    if (!TextInput->isHidden()) PrepTextBox();
}

void frmMain::PrepText() {
    const TextStyle style = host_.textStyle();
    pix::DrawSettings& draw = Pix->image().Draw();
    draw.font = fontOf(style);
    const uint8_t alpha = vb::toByte(style.alpha);
    draw.penColor = (host_.swatchColour(0) & 0xFFFFFFu) | (uint32_t(alpha) << 24);
    draw.antialias = style.antialias;
}

void frmMain::Draw_Text() {
    try {
        PrepText();
    } catch (const vb::OverflowError&) {
        throw pix::PixError(vb::OverflowError::kNumber, QStringLiteral("Overflow"),
                            QStringLiteral("Draw_Text"));
    }
    pix::Draw::DrawText(Pix->image(), TextAnchor.x(), TextAnchor.y(), TextInput->toPlainText(),
                        QString());
}

void frmMain::ApplyText() {
    if (TextInput->isHidden()) return;
    try {
        Draw_Text();
    } catch (const pix::PixError&) {
        return; // the box stays as it was
    }
    DiscardText();
}

void frmMain::DiscardText() {
    TextInput->clear();
    lblTextSize->setText(QStringLiteral("M"));
    TextInput->hide();
}

void frmMain::SetTextColours(uint32_t foreground, uint32_t background) {
    auto qc = [](uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int(c >> 16)); };
    for (QTextEdit* box : {TextInput, TextInput2}) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Text, qc(foreground));
        if (box == TextInput2) pal.setColor(QPalette::Base, qc(background));
        box->setPalette(pal);
    }
    uint32_t& pen = PixBuffer->image().Draw().penColor;
    pen = (pen & 0xFF000000u) | (foreground & 0xFFFFFFu);
}

void frmMain::SetTextBoxSize(double size) {
    if (!(size > 0.0)) return;
    PixBuffer->image().Draw().font.size = size;
    const double shown = size / Pix->ZoomFactor();
    for (QWidget* w : {static_cast<QWidget*>(TextInput2), static_cast<QWidget*>(lblTextSize)}) {
        QFont f = w->font();
        f.setPointSizeF(std::max(shown, 1.0));
        w->setFont(f);
    }
    const QSize label = lblTextSize->sizeHint();
    TextInput2->resize(label.width() + boxMargin(), label.height() + 50);
}
