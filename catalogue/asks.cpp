#include "asks.h"

#include "platform/vb.h"

namespace catalogue {

bool promptAccepts(const Row& row, const QString& answer) {
    if (!row.ranged) return true;
    try {
        const int32_t v = vb::toInt32(vb::leadingNumber(answer));
        return v >= row.minimum && v <= row.maximum;
    } catch (const vb::OverflowError&) {
        return false;
    }
}

std::vector<int> rowsWithoutFirstValue(const Entry& entry) {
    std::vector<int> rows;
    if (entry.input == Input::Prompt || entry.input == Input::File) rows.push_back(0);
    // A dialog's text box that starts empty (a key) waits for what a person types.
    if (entry.input == Input::Rows)
        for (size_t k = 0; k < entry.rows.size(); ++k)
            if (entry.rows[k].kind == RowKind::Text && entry.rows[k].start == Start::Given &&
                entry.rows[k].text.isEmpty())
                rows.push_back(int(k));
    for (const Ask& a : entry.asks)
        if (a.kind != AskKind::YesNo &&
            (a.kind != AskKind::Prompt || entry.rows[size_t(a.row)].text.isEmpty()))
            rows.push_back(a.row);
    return rows;
}

bool walkAsks(const Entry& entry, const pix::PixImage& image, Values& values, const AskFn& answer) {
    for (const Ask& ask : entry.asks) {
        RowValue& value = values[ask.row];
        if (ask.when && !ask.when(image)) {
            value.text = ask.otherwise;
            continue;
        }
        if (!answer(ask, entry.rows[size_t(ask.row)], value)) return false;
    }
    return true;
}

} // namespace catalogue
