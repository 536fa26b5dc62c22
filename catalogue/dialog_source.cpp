#include "dialog_source.h"

#include "frm_dialog.h"
#include "platform/desktop.h"

#include <QColor>
#include <optional>

namespace catalogue {

namespace {

void addRow(frmDialog& dlg, int k, const Row& row, const RowValue& value) {
    switch (row.kind) {
    case RowKind::Text:
    case RowKind::Scroll: // a scroll bar's value is typed here
    case RowKind::File:   // a path is typed here
        dlg.AddControl(row.caption, value.text, frmDialog::kText);
        break;
    case RowKind::Colour:
        dlg.AddControl(row.caption, qlonglong(value.colour), frmDialog::kColour);
        break;
    case RowKind::List:
        dlg.AddControl(row.caption, 0, frmDialog::kList);
        dlg.cmbCombo(k)->addItems(row.items);
        dlg.cmbCombo(k)->setCurrentIndex(value.position);
        break;
    case RowKind::Check:
        dlg.AddControl(row.caption, value.ticked, frmDialog::kCheck);
        break;
    case RowKind::Option:
        dlg.AddControl(row.caption, value.ticked, frmDialog::kOption);
        break;
    }
}

void readRow(const frmDialog& dlg, int k, const Row& row, RowValue& value) {
    switch (row.kind) {
    case RowKind::Text:
    case RowKind::Scroll:
    case RowKind::File:
        value.text = dlg.txtText(k)->text();
        break;
    case RowKind::Colour:
        value.colour = dlg.colorValue(k);
        break;
    case RowKind::List:
        value.position = dlg.cmbCombo(k)->currentIndex();
        break;
    case RowKind::Check:
        value.ticked = dlg.chkCheck(k)->isChecked();
        break;
    case RowKind::Option:
        value.ticked = dlg.optOption(k)->isChecked();
        break;
    }
}

} // namespace

bool DialogSource::fill(const Entry& entry, Values& values) {
    dlg_.setWindowTitle(entry.title);
    for (int k = 0; k < values.size(); ++k) addRow(dlg_, k, entry.rows[size_t(k)], values[k]);
    platform::desktop().showModal(dlg_);
    if (dlg_.Cancelled) return false;
    for (int k = 0; k < values.size(); ++k) readRow(dlg_, k, entry.rows[size_t(k)], values[k]);
    return true;
}

bool ColourSource::fill(const Entry&, Values& values) {
    static std::optional<QColor> last;
    const uint32_t bgr = values[0].colour;
    const QColor initial =
        last.value_or(QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)));
    const std::optional<QColor> chosen = platform::desktop().chooseColor(initial);
    if (!chosen) return false;
    last = *chosen;
    values[0].colour =
        uint32_t(chosen->red()) | uint32_t(chosen->green()) << 8 | uint32_t(chosen->blue()) << 16;
    return true;
}

bool FileSource::fill(const Entry& entry, Values& values) {
    platform::FileRequest request;
    request.title = entry.title;
    request.filter = entry.rows.front().items.value(0);
    const platform::FileAnswer chosen = platform::desktop().openFile(request);
    if (!chosen.accepted) return false;
    values[0].text = chosen.fileName;
    return true;
}

bool PromptSource::fill(const Entry& entry, Values& values) {
    const std::optional<QString> answer =
        platform::desktop().input(entry.rows.front().caption, entry.title, values[0].text);
    if (!answer) return false;
    values[0].text = *answer;
    return true;
}

} // namespace catalogue
