#include "frm_adjust_rgb.h"

#include "platform/vb.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

frmAdjustRGB::frmAdjustRGB(const catalogue::Entry& entry, QWidget* owner)
    : PreviewDialog(entry, owner, Boxes::DelayedWithButton) {
    previewOnDocument = true;
    // The controls keep their RGB names in both modes; only the captions say hue, sat and lum.
    const char* const names[] = {"Red", "Green", "Blue", "Alpha"};
    int amounts = 0;
    for (int k = 0; k < int(entry.rows.size()); ++k) {
        if (QComboBox* combo = list(k)) lstAdjustType = combo;
        QScrollBar* bar = scroll(k);
        if (!bar) continue;
        const QString name = QString::fromLatin1(names[std::min(amounts++, 3)]);
        bar->setObjectName(QStringLiteral("scr") + name);
        caption(k)->setObjectName(QStringLiteral("lbl") + name);
        caption(k)->setText(captionText(k, 0));
        QLineEdit* box = addNumberBox(
            bar, QStringLiteral("txt") + name, true, true, [this, bar](QLineEdit* edit) {
                // Empty or a lone sign reads as 0; the amount stays within the bar's range.
                const int v = std::clamp(
                    int(std::clamp(vb::leadingNumber(edit->text()), -1e6, 1e6)), -255, 255);
                edit->setText(QString::number(v));
                if (bar->value() == v) {
                    changed(true);
                    return;
                }
                bar->setValue(v); // previews through the bar's change
            });
        box->setText(QString::number(bar->value()));
        connect(bar, &QScrollBar::valueChanged, box, [this, box](int v) {
            if (!busy) box->setText(QString::number(v));
        });
        if (amounts == 4) scrAlpha = bar;
    }
    hsl_ = amounts == 3;
    if (hsl_) {
        // The alpha bar stays in its place, disabled: HSL shifts leave alpha alone.
        QLabel* label = nullptr;
        scrAlpha = addScroll(QStringLiteral("Alpha"), -255, 255, 0, 10, &label);
        label->setText(QStringLiteral("Alpha:"));
        QLineEdit* box =
            addNumberBox(scrAlpha, QStringLiteral("txtAlpha"), true, true, [](QLineEdit*) {});
        box->setText(QStringLiteral("0"));
        // It takes the list's place; the list goes below it, as in RGB mode.
        const int listTop = lstAdjustType->y(), up = label->y() - listTop;
        for (QWidget* w : {static_cast<QWidget*>(scrAlpha), static_cast<QWidget*>(label),
                           static_cast<QWidget*>(box)}) {
            w->setEnabled(false);
            w->move(w->x(), w->y() - up);
        }
        lstAdjustType->move(lstAdjustType->x(), listTop + 2 * up);
    }
}

QString frmAdjustRGB::captionText(int row, int) const {
    return PreviewDialog::captionText(row, 0).section(QLatin1Char(':'), 0, 0) + QStringLiteral(":");
}
