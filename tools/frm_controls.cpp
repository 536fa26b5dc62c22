#include "frm_controls.h"

#include "document/document_host.h"
#include "document/frm_main.h"
#include "platform/artwork.h"
#include "platform/vb.h"
#include "tools/frm_selector.h"
#include "tools/palette_button.h"
#include "tools/palette_glyphs.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <cmath>

DropDownValue frmControls::Values[frmControls::kDropDowns];

using namespace paletteglyphs;

namespace {

// Tools that have a strip.
constexpr int kStripTools[] = {0, 1, 2, 3, 4, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 19, 20};

// The tool's picture, drawn at the scale of whatever it is painted on.
class ToolIcon : public QWidget {
public:
    ToolIcon(int tool, QWidget* parent) : QWidget(parent), tool_(tool) { setFixedSize(20, 20); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        // The painter's scale is the device's pixel ratio, also when painting is redirected.
        const qreal scale = std::max<qreal>(1.0, p.deviceTransform().m11());
        p.drawImage(QRectF(0, 0, 20, 20), artwork::toolIcon(tool_, scale));
    }

private:
    int tool_;
};

QLabel* caption(const char* text, QWidget* strip) {
    auto* l = new QLabel(QString::fromLatin1(text), strip);
    l->setContentsMargins(4, 0, 0, 0);
    return l;
}

} // namespace

// One setting button: its name, the Draw > Setup item it opens and its picture.
struct frmControls::SettingButton {
    const char* name;
    int setupItem;
    void (*glyph)(QPainter&, const QRectF&);
};

namespace {
const struct {
    const char* name;
    int setupItem;
    void (*glyph)(QPainter&, const QRectF&);
} kSettingKinds[] = {
    {"cmdAntialias", 1, antialiasGlyph}, {"cmdThickness", 2, thicknessGlyph},
    {"cmdLineStyle", 3, lineStyleGlyph}, {"cmdFillStyle", 4, fillStyleGlyph},
    {"cmdOpacity", 5, opacityGlyph},     {"cmdTexture", 6, textureGlyph},
};
// The drawing strips and the index their setting buttons carry.
const struct { int tool, index; } kSettingStrips[] = {{9, 0}, {11, 1}, {10, 2}, {8, 3}, {7, 4}};
} // namespace

void frmControls::resetValues() {
    static constexpr DropDownValue kInitial[kDropDowns] = {
        {0, 100, 50}, {0, 100, 50}, {1, 100, 10}, {1, 100, 10}, {1, 100, 1}, {1, 100, 1},
        {1, 100, 1},  {1, 100, 10}, {1, 100, 10}, {0, 0, 0},    {0, 0, 0}};
    std::copy(std::begin(kInitial), std::end(kInitial), Values);
}

frmControls::frmControls(DocumentHost& host, std::function<QMenu*(int)> setupMenu, QWidget* parent)
    : QWidget(parent), host_(host), setupMenu_(std::move(setupMenu)) {
    setObjectName(QStringLiteral("frmControls"));
    resetValues();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int tool : kStripTools) {
        auto* strip = new QWidget(this);
        strip->setObjectName(QStringLiteral("DrawToolbar(%1)").arg(tool));
        auto* row = new QHBoxLayout(strip);
        row->setContentsMargins(2, 2, 2, 2);
        row->setSpacing(3);
        row->addWidget(new ToolIcon(tool, strip));
        DrawToolbar.insert(tool, strip);
        strip->hide();
    }
    for (const auto& s : kSettingStrips)
        for (const auto& k : kSettingKinds)
            addSettingButton(DrawToolbar[s.tool], {k.name, k.setupItem, k.glyph}, s.index);
    addSettingButton(DrawToolbar[20], {"cmdThickness", 2, thicknessGlyph}, 7);
    addSettingButton(DrawToolbar[20], {"cmdAntialias", 1, antialiasGlyph}, 5);

    buildTextStrip(DrawToolbar[15]);

    QWidget* pick = DrawToolbar[16];
    pick->layout()->addWidget(caption("Color:", pick));
    ColorPick = new QLabel(pick);
    ColorPick->setObjectName(QStringLiteral("ColorPick"));
    ColorPick->setFixedSize(20, 18);
    ColorPick->setAutoFillBackground(true);
    pick->layout()->addWidget(ColorPick);
    pick->layout()->addWidget(caption("RGB:", pick));
    for (QLabel** l : {&lblRed, &lblGreen, &lblBlue}) {
        *l = new QLabel(QStringLiteral("0"), pick);
        (*l)->setMinimumWidth(26);
        pick->layout()->addWidget(*l);
    }
    lblRed->setObjectName(QStringLiteral("lblRed"));
    lblGreen->setObjectName(QStringLiteral("lblGreen"));
    lblBlue->setObjectName(QStringLiteral("lblBlue"));

    QWidget* zoom = DrawToolbar[3];
    zoom->layout()->addWidget(caption("Zoom:", zoom));
    txtZoom = new QLineEdit(QStringLiteral("100%"), zoom);
    txtZoom->setObjectName(QStringLiteral("txtZoom"));
    txtZoom->setFixedWidth(56);
    txtZoom->installEventFilter(this);
    zoom->layout()->addWidget(txtZoom);

    QWidget* size = DrawToolbar[13];
    size->layout()->addWidget(caption("Size:", size));
    CmdDropDown[7] = new PaletteButton(QStringLiteral("CmdDropDown(7)"), dropDownGlyph, size);
    connect(CmdDropDown[7], &PaletteButton::clicked, this, [this] { ClickDropDown(7); });
    size->layout()->addWidget(CmdDropDown[7]);
    lblSelector[8] = new QLabel(size);
    lblSelector[8]->setObjectName(QStringLiteral("lblSelector(8)"));
    lblSelector[8]->setProperty("tag", QStringLiteral(" pixel"));
    lblSelector[8]->setMinimumWidth(60);
    size->layout()->addWidget(lblSelector[8]);
    setValueCaption(7);

    for (QWidget* strip : std::as_const(DrawToolbar))
        static_cast<QHBoxLayout*>(strip->layout())->addStretch();
    QApplication::restoreOverrideCursor();
}

frmControls::~frmControls() = default;

void frmControls::addSettingButton(QWidget* strip, const SettingButton& kind, int index) {
    const QString key = QStringLiteral("%1(%2)").arg(QString::fromLatin1(kind.name)).arg(index);
    auto* b = new PaletteButton(key, kind.glyph, strip);
    const int item = kind.setupItem;
    // The tip is the caption of the Draw > Setup item the button opens.
    static const char* const kTips[] = {"",           "Antialias", "Thickness", "Line Style",
                                        "Fill Style", "Opacity",   "Texture"};
    if (item > 0 && item < int(std::size(kTips))) b->setToolTip(QString::fromLatin1(kTips[item]));
    connect(b, &PaletteButton::clicked, this, [this, b, item] {
        if (QMenu* menu = setupMenu_ ? setupMenu_(item) : nullptr)
            menu->popup(b->mapToGlobal(QPoint(0, b->height())));
    });
    strip->layout()->addWidget(b);
    settingButtons.insert(key, b);
}

void frmControls::buildTextStrip(QWidget* strip) {
    auto* row = static_cast<QHBoxLayout*>(strip->layout());
    auto addCombo = [&](const char* name, const QStringList& items, bool editable) {
        auto* c = new QComboBox(strip);
        c->setObjectName(QString::fromLatin1(name));
        c->addItems(items);
        c->setEditable(editable);
        row->addWidget(c);
        return c;
    };
    row->addWidget(caption("Size:", strip));
    lstFontSize = addCombo("lstFontSize",
                           {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26",
                            "28", "36", "48", "72"},
                           true);
    lstFontSize->setCurrentText(QStringLiteral("12"));
    lstFontSize->lineEdit()->installEventFilter(this);
    row->addWidget(caption("Font:", strip));
    const QStringList families = QFontDatabase::families();
    lstFonts = addCombo("lstFonts", families, false);
    const int times = families.indexOf(QStringLiteral("Times New Roman"));
    lstFonts->setCurrentIndex(times >= 0 ? times : 0);
    lstFonts->setMaximumWidth(150);
    row->addWidget(caption("Weight:", strip));
    lstWeight =
        addCombo("lstWeight",
                 {"0 - Don't Care", "1 - Thin", "2 - Extra Light", "3 - Light", "4 - Normal",
                  "5 - Medium", "6 - SemiBold", "7 - Bold", "8 - ExtraBold", "9 - Heavy"},
                 false);
    row->addWidget(caption("Align:", strip));
    lstAlign = addCombo("lstAlign", {"Left", "Center", "Right", "Justified"}, false);
    const struct {
        QToolButton** button;
        const char* name;
        const char* text;
        void (QFont::*style)(bool);
    } toggles[] = {{&cmdBold, "cmdBold", "B", &QFont::setBold},
                   {&cmdItalic, "cmdItalic", "I", &QFont::setItalic},
                   {&cmdUnderline, "cmdUnderline", "U", &QFont::setUnderline},
                   {&cmdStrikeOut, "cmdStrikeOut", "S", &QFont::setStrikeOut}};
    for (const auto& t : toggles) {
        auto* b = new QToolButton(strip);
        b->setObjectName(QString::fromLatin1(t.name));
        b->setText(QString::fromLatin1(t.text));
        QFont f = b->font();
        (f.*t.style)(true);
        b->setFont(f);
        b->setCheckable(true);
        b->setAutoRaise(true);
        row->addWidget(b);
        *t.button = b;
    }
    auto addField = [&](const char* label, const char* name, const char* text) {
        row->addWidget(caption(label, strip));
        auto* f = new QLineEdit(QString::fromLatin1(text), strip);
        f->setObjectName(QString::fromLatin1(name));
        f->setFixedWidth(36);
        f->installEventFilter(this);
        row->addWidget(f);
        return f;
    };
    txtAntialias = addField("Antialias:", "txtAntialias", "0");
    txtAlpha = addField("Alpha:", "txtAlpha", "255");
    // An open text box follows every change of the strip.
    auto follow = [this] {
        if (frmMain* doc = host_.currentDocument()) doc->textStyleChanged();
    };
    for (QComboBox* c : {lstFontSize, lstFonts, lstWeight})
        connect(c, &QComboBox::currentTextChanged, this, follow);
    for (QToolButton* b : {cmdBold, cmdItalic, cmdUnderline, cmdStrikeOut})
        connect(b, &QToolButton::toggled, this, follow);
    row->addWidget(caption("Action:", strip));
    const PaletteButton::Glyph glyphs[] = {applyGlyph, discardGlyph};
    for (int i = 0; i < 2; ++i) {
        CmdButton[i] = new PaletteButton(QStringLiteral("CmdButton(%1)").arg(i), glyphs[i], strip);
        connect(CmdButton[i], &PaletteButton::pressed, this,
                [this, i] { CmdButton[i]->setDown(true); });
        connect(CmdButton[i], &PaletteButton::released, this, [this, i] {
            CmdButton[i]->setDown(false);
            if (i == 0) return ApplyText();
            if (frmMain* doc = host_.currentDocument()) doc->DiscardText();
        });
        row->addWidget(CmdButton[i]);
    }
}

void frmControls::showStrip(int tool) {
    if (QWidget* old = DrawToolbar.value(shown_)) old->hide();
    shown_ = -1;
    QWidget* strip = DrawToolbar.value(tool);
    if (!strip) return;
    shown_ = tool;
    strip->adjustSize();
    resize(strip->size());
    strip->move(0, 0);
    strip->show();
    // The bar that holds the palette grows to the tallest strip shown.
    if (QWidget* bar = parentWidget())
        bar->setMinimumHeight(std::max(bar->minimumHeight(), height()));
}

int frmControls::stripRight() const {
    const QWidget* strip = DrawToolbar.value(shown_);
    return strip ? x() + strip->width() : 0;
}

TextStyle frmControls::textStyle() const {
    TextStyle s;
    s.fontName = lstFonts->currentText();
    s.size = vb::leadingNumber(lstFontSize->currentText());
    s.weight = std::max(0, lstWeight->currentIndex());
    s.bold = cmdBold->isChecked();
    s.italic = cmdItalic->isChecked();
    s.underline = cmdUnderline->isChecked();
    s.strikeOut = cmdStrikeOut->isChecked();
    s.alpha = int(vb::leadingNumber(txtAlpha->text()));
    s.antialias = int(vb::leadingNumber(txtAntialias->text()));
    return s;
}

void frmControls::ApplyText() {
    if (frmMain* doc = host_.currentDocument()) doc->ApplyText();
}

void frmControls::showPickColour(uint32_t colour) {
    const int r = int(colour & 0xFF), g = int((colour >> 8) & 0xFF), b = int((colour >> 16) & 0xFF);
    QPalette pal = ColorPick->palette();
    pal.setColor(QPalette::Window, QColor(r, g, b));
    ColorPick->setPalette(pal);
    lblRed->setText(QString::number(r));
    lblGreen->setText(QString::number(g));
    lblBlue->setText(QString::number(b));
}

frmSelector& frmControls::selector() {
    if (!selector_) {
        // A tool window of the palette's own, which goes with the palette.
        selector_ = new frmSelector(this);
        selector_->moved = [this] { CalcPos(); };
    }
    return *selector_;
}

void frmControls::DrawButton(int index, bool down) {
    if (index < 0 || index >= kDropDowns || !CmdDropDown[index]) return;
    CmdDropDown[index]->setDown(down);
}

void frmControls::ClickDropDown(int index) {
    if (index < 0 || index >= kDropDowns) return;
    if (DropDownDown[index]) {
        OpenDropDown = -1;
        UnClickButton();
        return;
    }
    OpenDropDown = index;
    for (int i = 0; i < kDropDowns; ++i) {
        DropDownDown[i] = false;
        DrawButton(i, false);
    }
    DropDownDown[index] = true;
    DrawButton(index, true);
    frmSelector& s = selector();
    const DropDownValue& v = Values[index];
    s.setPosition(v.Max > v.Min ? (v.Value - v.Min) / (v.Max - v.Min) : 0.0);
    setValueCaption(index);
    if (QWidget* button = CmdDropDown[index])
        s.move(button->mapToGlobal(QPoint(0, button->height())));
    s.tag = index;
    s.show();
    s.raise();
    s.ScrollBar->setFocus();
}

void frmControls::UnClickButton() {
    for (int i = 0; i < kDropDowns; ++i) {
        DropDownDown[i] = false;
        DrawButton(i, false);
    }
    if (selector_) selector_->hide();
}

void frmControls::setValueCaption(int index) {
    // Drop-down n shows its value in lblSelector(n + 1).
    QLabel* label = index + 1 < kDropDowns ? lblSelector[index + 1] : nullptr;
    if (!label) return;
    label->setText(QString::number(vb::toInt32(Values[index].Value)) +
                   label->property("tag").toString());
}

void frmControls::CalcPos() {
    const int index = selector().tag;
    if (index < 0 || index >= kDropDowns) return;
    DropDownValue& v = Values[index];
    v.Value = selector().position() * (v.Max - v.Min) + v.Min;
    setValueCaption(index);
    if (index == 7)
        if (frmMain* doc = host_.currentDocument()) doc->SetTextBoxSize(v.Value);
}

void frmControls::setLineStyleEnabled(bool enabled) {
    for (auto it = settingButtons.cbegin(); it != settingButtons.cend(); ++it)
        if (it.key().startsWith(QLatin1String("cmdLineStyle("))) it.value()->setEnabled(enabled);
}

void frmControls::checkNumeric(QLineEdit* field) {
    const QString text = field->text();
    const double v = vb::leadingNumber(text);
    if (!vb::isNumeric(text) || v >= 256.0 || v < 0.0) field->setText(LastGoodText);
}

bool frmControls::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field) return QWidget::eventFilter(watched, event);
    if (field == txtZoom) {
        if (event->type() == QEvent::KeyPress &&
            (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)) {
            if (frmMain* doc = host_.currentDocument()) {
                try {
                    doc->SetZoomValue(vb::toInt16(vb::leadingNumber(txtZoom->text())));
                } catch (const vb::OverflowError&) {
                    // a value beyond any zoom: nothing changes
                }
            }
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::FocusIn:
        LastGoodText = field->text();
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // An emptied field stays empty while it is being typed into.
        if (!field->text().isEmpty()) checkNumeric(field);
        break;
    case QEvent::FocusOut:
        checkNumeric(field);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
