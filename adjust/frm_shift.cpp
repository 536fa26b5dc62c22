#include "frm_shift.h"

#include "platform/vb.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>

namespace {

// The largest offset a scroll bar holds.
constexpr int kMaxOffset = 32767;

} // namespace

frmShift::frmShift(const catalogue::Entry& entry, QWidget* owner) : PreviewDialog(entry, owner) {
    // Rows: the two offsets, then the three channels.
    scrLeftRight = scroll(0);
    scrUpDown = scroll(1);
    scrLeftRight->setObjectName(QStringLiteral("scrLeftRight"));
    scrUpDown->setObjectName(QStringLiteral("scrUpDown"));
    // The vertical offset on a vertical bar at the right of the left column, from its caption
    // line down to the preview boxes; the channel boxes make room for it.
    const QRect across = scrUpDown->geometry();
    const int side = across.height();
    const int bottom = chkRealTimePreview->y() - side / 2;
    scrUpDown->setOrientation(Qt::Vertical);
    scrUpDown->setGeometry(across.right() + 1 - side, across.y(), side, bottom - across.y());
    for (int k = 2; k < 5; ++k) check(k)->resize(across.width() - 2 * side, check(k)->height());
    QLineEdit** boxes[] = {&txtOffsetX, &txtOffsetY};
    QScrollBar* bars[] = {scrLeftRight, scrUpDown};
    const char* names[] = {"txtOffsetX", "txtOffsetY"};
    for (int i = 0; i < 2; ++i) {
        QScrollBar* bar = bars[i];
        caption(i)->setText(captionText(i, 0));
        *boxes[i] =
            addNumberBox(bar, QString::fromLatin1(names[i]), true, false, [bar](QLineEdit* edit) {
                // The leading number, rounded, within the bar's range.
                const double n = std::clamp(vb::leadingNumber(edit->text()), double(bar->minimum()),
                                            double(bar->maximum()));
                const int v = vb::toInt32(n);
                bar->setValue(v); // previews through the bar's change
                edit->setText(QString::number(v));
            });
        (*boxes[i])->setText(QStringLiteral("0"));
        connect(bar, &QScrollBar::valueChanged, *boxes[i],
                [box = *boxes[i]](int v) { box->setText(QString::number(v)); });
    }
}

QString frmShift::captionText(int row, int value) const {
    return PreviewDialog::captionText(row, value).section(QLatin1Char(':'), 0, 0) +
           QStringLiteral(":");
}

void frmShift::setupDone() {
    // Offsets up to the image's own size either way.
    const int w = std::min(target()->width(), kMaxOffset);
    const int h = std::min(target()->height(), kMaxOffset);
    scrLeftRight->setRange(-w, w);
    scrUpDown->setRange(-h, h);
    scrLeftRight->setValue(0);
    scrUpDown->setValue(0);
}
