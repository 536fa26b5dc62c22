#include "frm_color_picker.h"

#include "platform/system_colours.h"
#include "platform/vb.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace colour {

// The field as the user sees it: the stored picture with the marker circle drawn inverted.
class FieldView : public QWidget {
public:
    explicit FieldView(frmColorPicker& picker) : QWidget(&picker), picker_(picker) {
        setObjectName(QStringLiteral("picColors"));
        setFixedSize(256, 256);
        setCursor(Qt::CrossCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(0, 0, picker_.field());
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.setPen(Qt::black);
        p.drawEllipse(picker_.marker(), 3, 3);
    }
    void mousePressEvent(QMouseEvent* e) override { track(e); }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (e->buttons() == Qt::LeftButton) track(e);
    }

private:
    void track(QMouseEvent* e) {
        picker_.moveMarker(int(std::nearbyint(e->position().x())),
                           int(std::nearbyint(e->position().y())));
    }
    frmColorPicker& picker_;
};

// The hue strip; the pointer beside it follows the mouse, the release picks the base colour.
class HueStripView : public QLabel {
public:
    HueStripView(frmColorPicker& picker, QWidget* parent) : QLabel(parent), picker_(picker) {
        setObjectName(QStringLiteral("picColorSlider"));
        setPixmap(QPixmap::fromImage(hueStrip()));
        setFixedSize(19, 256);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override { pointAt(int(e->position().y())); }
    void mouseMoveEvent(QMouseEvent* e) override {
        const int y = int(e->position().y());
        if (e->buttons() == Qt::LeftButton && y > 0 && y < height()) pointAt(y);
    }
    void mouseReleaseEvent(QMouseEvent* e) override { picker_.pickHue(int(e->position().y())); }

private:
    void pointAt(int y) {
        if (picker_.lblSlider) picker_.lblSlider->move(picker_.lblSlider->x(), this->y() + y - 2);
    }
    frmColorPicker& picker_;
};

} // namespace colour

using colour::Rgb;

frmColorPicker::frmColorPicker(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmColorPicker"));
    setWindowTitle(QStringLiteral("Color Picker"));
    auto* top = new QVBoxLayout(this);
    lblTitle = new QLabel(QStringLiteral("Select color:"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    top->addWidget(lblTitle);

    auto* row = new QHBoxLayout;
    top->addLayout(row);
    picColors = new colour::FieldView(*this);
    row->addWidget(picColors, 0, Qt::AlignTop);
    auto* stripBox = new QWidget(this);
    stripBox->setFixedSize(34, 262);
    picColorSlider = new colour::HueStripView(*this, stripBox);
    picColorSlider->move(0, 3);
    lblSlider = new QLabel(QStringLiteral("\u25C0"), stripBox);
    lblSlider->setObjectName(QStringLiteral("lblSlider"));
    lblSlider->move(21, 1);
    row->addWidget(stripBox, 0, Qt::AlignTop);

    auto* side = new QVBoxLayout;
    row->addLayout(side);
    picTheColor = new QLabel(this);
    picTheColor->setObjectName(QStringLiteral("picTheColor"));
    picTheColor->setFixedSize(120, 66);
    side->addWidget(picTheColor);

    auto* info = new QGroupBox(QStringLiteral("Color Information"), this);
    auto* grid = new QGridLayout(info);
    const char* const names[] = {"R:", "G:", "B:"};
    QLineEdit** percent[] = {&txtRp, &txtGp, &txtBp};
    const char* const percentNames[] = {"txtRp", "txtGp", "txtBp"};
    const char* const designs[] = {"255", "0", "0"};
    for (int i = 0; i < 3; ++i) {
        txtRGB[i] = new QLineEdit(QString::fromLatin1(designs[i]), info);
        txtRGB[i]->setObjectName(QStringLiteral("txtRGB(%1)").arg(i));
        txtRGB[i]->setMaximumWidth(44);
        txtRGB[i]->installEventFilter(this);
        *percent[i] = new QLineEdit(i == 0 ? QStringLiteral("100") : QStringLiteral("0"), info);
        (*percent[i])->setObjectName(QString::fromLatin1(percentNames[i]));
        (*percent[i])->setReadOnly(true);
        (*percent[i])->setMaximumWidth(40);
        grid->addWidget(new QLabel(QString::fromLatin1(names[i]), info), i, 0);
        grid->addWidget(txtRGB[i], i, 1);
        grid->addWidget(new QLabel(QStringLiteral("/255 ("), info), i, 2);
        grid->addWidget(*percent[i], i, 3);
        grid->addWidget(new QLabel(QStringLiteral(")%"), info), i, 4);
    }
    txtHEX = new QLineEdit(QStringLiteral("FF0000"), info);
    txtHEX->setObjectName(QStringLiteral("txtHEX"));
    txtHEX->setReadOnly(true);
    grid->addWidget(new QLabel(QStringLiteral("Hex:"), info), 3, 0);
    grid->addWidget(txtHEX, 3, 1, 1, 3);
    side->addWidget(info);
    chkWebSafe = new QCheckBox(QStringLiteral(" Show only Web-safe Colors "), this);
    chkWebSafe->setObjectName(QStringLiteral("chkWebSafe"));
    connect(chkWebSafe, &QCheckBox::clicked, this,
            [this] { DrawColors(base_.r, base_.g, base_.b); });
    side->addWidget(chkWebSafe);
    side->addStretch();

    auto* wells = new QGroupBox(QStringLiteral(" System Colors "), this);
    auto* wellGrid = new QGridLayout(wells);
    wellGrid->setSpacing(2);
    for (int i = 0; i < platform::kSystemColourCount; ++i) {
        auto* well = new QPushButton(wells);
        well->setObjectName(QStringLiteral("picSysColor(%1)").arg(i));
        well->setFixedSize(16, 16);
        well->setFlat(true);
        well->setAutoFillBackground(true);
        connect(well, &QPushButton::clicked, this, [this, i] { selectSystemColour(i); });
        wellGrid->addWidget(well, i / 18, i % 18);
        picSysColor << well;
    }
    top->addWidget(wells);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdOK = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, [this] { finish(true); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { finish(false); });
    // Enter in a decimal box does not end the dialog.
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    top->addLayout(buttons);
    field_ = QImage(256, 256, QImage::Format_RGB32);
    field_.fill(Qt::black);
}

frmColorPicker::~frmColorPicker() = default;

// Every showing starts afresh: the wells take the desktop's colours, the marker goes to the
// top-right corner and the base colour comes from the strip.
void frmColorPicker::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (int i = 0; i < picSysColor.size(); ++i) {
        QPalette pal = picSysColor[i]->palette();
        pal.setColor(QPalette::Button, platform::systemColour(i));
        picSysColor[i]->setPalette(pal);
    }
    marker_ = QPoint(255, 0);
    const Rgb c = colour::hueAt(10);
    DrawColors(c.r, c.g, c.b);
}

void frmColorPicker::DrawColors(int r, int g, int b) {
    setWindowTitle(QStringLiteral("Color Picker - Generating colors..."));
    base_ = {std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255)};
    colour::drawField(field_, base_, chkWebSafe->isChecked());
    ++generations_;
    moveMarker(marker_.x(), marker_.y());
    setWindowTitle(QStringLiteral("Color Picker"));
}

uint32_t frmColorPicker::markerColour() const {
    return colour::toColour(field_.pixel(marker_));
}

void frmColorPicker::moveMarker(int x, int y) {
    marker_ = QPoint(std::clamp(x, 0, 255), std::clamp(y, 0, 255));
    picColors->update();
    updateReadouts();
    paintComparison();
}

void frmColorPicker::pickHue(int y) {
    const Rgb c = colour::hueAt(y);
    DrawColors(c.r, c.g, c.b);
}

void frmColorPicker::selectSystemColour(int index) {
    const QColor c = platform::systemColour(index);
    marker_ = QPoint(255, 0);
    DrawColors(c.red(), c.green(), c.blue());
}

void frmColorPicker::updateReadouts() {
    const Rgb c = colour::GetRGB(int32_t(markerColour()));
    const int channels[] = {c.r, c.g, c.b};
    QLineEdit* percent[] = {txtRp, txtGp, txtBp};
    QString hex;
    for (int i = 0; i < 3; ++i) {
        txtRGB[i]->setText(QString::number(channels[i]));
        percent[i]->setText(QString::number(vb::toInt32(channels[i] / 2.55)));
        hex += QStringLiteral("%1").arg(channels[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    txtHEX->setText(hex);
}

void frmColorPicker::paintComparison() {
    QPixmap swatch(picTheColor->size());
    QPainter p(&swatch);
    p.fillRect(0, 0, swatch.width(), 33, QColor(colour::toQRgb(markerColour())));
    p.fillRect(0, 33, swatch.width(), swatch.height() - 33, QColor(colour::toQRgb(OldColor)));
    p.end();
    picTheColor->setPixmap(swatch);
}

bool frmColorPicker::checkBox(QLineEdit* box) {
    const QString text = box->text();
    bool valid = vb::isNumeric(text);
    if (valid) {
        try {
            const int v = vb::toInt32(vb::leadingNumber(text));
            valid = v >= 0 && v <= 255;
        } catch (const vb::OverflowError&) {
            valid = false;
        }
    }
    if (!valid) box->setText(savedText_);
    return valid;
}

// Typed values set the base colour of the field; the marker stays where it is.
void frmColorPicker::drawFromBoxes() {
    int v[3];
    for (int i = 0; i < 3; ++i) {
        try {
            v[i] = std::clamp(vb::toInt32(vb::leadingNumber(txtRGB[i]->text())), 0, 255);
        } catch (const vb::OverflowError&) {
            v[i] = 0;
        }
    }
    DrawColors(v[0], v[1], v[2]);
}

bool frmColorPicker::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || std::find(std::begin(txtRGB), std::end(txtRGB), box) == std::end(txtRGB))
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        savedText_ = box->text();
        break;
    case QEvent::KeyPress:
        // An emptied box stays empty while it is typed into.
        if (!box->text().isEmpty()) checkBox(box);
        break;
    case QEvent::KeyRelease:
        if (!box->text().isEmpty()) {
            checkBox(box);
            drawFromBoxes();
        }
        break;
    case QEvent::FocusOut:
        checkBox(box);
        drawFromBoxes();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void frmColorPicker::finish(bool ok) {
    const uint32_t c = markerColour();
    hide();
    if (ok && chosen) chosen(c);
    if (closed) closed();
}

// Closing the window or Escape counts as Cancel: the frame must never stay disabled.
void frmColorPicker::reject() {
    finish(false);
}
