#include "values.h"

#include "engine/pix_error.h"
#include "platform/vb.h"

#include <cmath>
#include <stdexcept>

namespace catalogue {

Values::Values(const Entry& entry, const pix::PixImage& working, const RunContext* context)
    : entry_(&entry), context_(context) {
    values_.reserve(entry.rows.size());
    for (const Row& row : entry.rows) {
        RowValue v;
        switch (row.start) {
        case Start::WorkingWidth:
            v.text = QString::number(working.width());
            break;
        case Start::WorkingHeight:
            v.text = QString::number(working.height());
            break;
        case Start::Given:
            v.text = row.text;
            break;
        }
        v.colour = row.colour;
        v.position = row.kind == RowKind::List ? row.selected : -1;
        v.ticked = row.ticked;
        values_.push_back(v);
    }
}

namespace {

// A run without a document: nothing selected, nothing checked.
class NoContext : public RunContext {
public:
    QRect selection() const override { return {}; }
    bool checked(const QString&) const override { return false; }
};

} // namespace

const RunContext& Values::context() const {
    static const NoContext none;
    return context_ ? *context_ : none;
}

const RowValue& Values::ofKind(int k, RowKind kind, RowKind alt) const {
    if (k < 0 || k >= size()) throw std::logic_error("catalogue row index out of range");
    const RowKind actual = entry_->rows[size_t(k)].kind;
    if (actual != kind && actual != alt)
        throw std::logic_error("catalogue row read as the wrong kind");
    return values_[size_t(k)];
}

void Values::outOfRange(int k, const QString& range) const {
    const Row& row = entry_->rows[size_t(k)];
    throw pix::PixError(vb::OverflowError::kNumber,
                        QStringLiteral("%1 %2 is out of range (%3)")
                            .arg(row.caption, values_[size_t(k)].text.trimmed(), range),
                        entry_->title.isEmpty() ? QStringLiteral("Catalogue") : entry_->title);
}

double Values::real(int k) const {
    return vb::leadingNumber(ofKind(k, RowKind::Text, RowKind::Scroll).text);
}

int32_t Values::integer(int k) const {
    try {
        return vb::toInt32(real(k));
    } catch (const vb::OverflowError&) {
        outOfRange(k, QStringLiteral("a whole number that fits 32 bits"));
    }
}

uint8_t Values::byte(int k) const {
    try {
        return vb::toByte(real(k));
    } catch (const vb::OverflowError&) {
        outOfRange(k, QStringLiteral("0..255"));
    }
}

bool Values::check(int k) const {
    return ofKind(k, RowKind::Check, RowKind::Option).ticked;
}

int Values::position(int k) const {
    return ofKind(k, RowKind::List, RowKind::List).position;
}

QString Values::path(int k) const {
    return ofKind(k, RowKind::File, RowKind::File).text;
}

pix::EngineColor Values::colour(int k, int alpha) const {
    return pix::MakeColor(ofKind(k, RowKind::Colour, RowKind::Colour).colour, alpha);
}

} // namespace catalogue
