#include "dialog_source.h"

#include "asks.h"
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

// The colour dialog, starting at the last colour chosen in it; sets `bgr` unless cancelled.
bool askColour(uint32_t& bgr) {
    static std::optional<QColor> last;
    const QColor initial =
        last.value_or(QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)));
    const std::optional<QColor> chosen = platform::desktop().chooseColor(initial);
    if (!chosen) return false;
    last = *chosen;
    bgr = uint32_t(chosen->red()) | uint32_t(chosen->green()) << 8 | uint32_t(chosen->blue()) << 16;
    return true;
}

// A file from the open-file dialog into `path`.
bool askFile(const QString& title, const QString& filter, QString& path) {
    platform::FileRequest request;
    request.title = title;
    request.filter = filter;
    const platform::FileAnswer chosen = platform::desktop().openFile(request);
    if (!chosen.accepted || chosen.fileName.isEmpty()) return false;
    path = chosen.fileName;
    return true;
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
    return askColour(values[0].colour);
}

bool FileSource::fill(const Entry& entry, Values& values) {
    return askFile(entry.title, entry.rows.front().items.value(0), values[0].text);
}

bool PromptSource::fill(const Entry& entry, Values& values) {
    const std::optional<QString> answer =
        platform::desktop().input(entry.rows.front().caption, entry.title, values[0].text);
    if (!answer) return false;
    values[0].text = *answer;
    return true;
}

bool AsksSource::fill(const Entry& entry, Values& values) {
    const QString title = QStringLiteral("Pixendra"); // prompts bear the program's title
    const QString chosen = values.context().chosenCaption();
    return walkAsks(entry, image_, values, [&](const Ask& ask, const Row& row, RowValue& value) {
        switch (ask.kind) {
        case AskKind::Colour:
            return askColour(value.colour);
        case AskKind::File:
            return askFile(entry.title, row.items.value(0), value.text);
        case AskKind::YesNo:
            value.ticked =
                platform::messageBox(row.caption, platform::Buttons::YesNo,
                                     platform::Icon::Question, title) == platform::Answer::Yes;
            return true;
        case AskKind::ChosenCaption:
            value.text = chosen;
            return !chosen.isEmpty();
        case AskKind::Prompt:
            break;
        }
        // The same prompt until the answer is in range; empty or Cancel ends the run.
        for (;;) {
            const std::optional<QString> answer =
                platform::desktop().input(row.caption, title, row.text);
            if (!answer || answer->isEmpty()) return false;
            if (!promptAccepts(row, *answer)) continue;
            value.text = *answer;
            return true;
        }
    });
}

} // namespace catalogue
