#include "dialog_source.h"

#include "frm_dialog.h"
#include "platform/desktop.h"

namespace catalogue {

namespace {

void addRow(frmDialog& dlg, int k, const Row& row, const RowValue& value) {
    switch (row.kind) {
    case RowKind::Text:
    case RowKind::Scroll: // a scroll bar's value is typed here
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

} // namespace catalogue
