// The values of an entry's rows, as a dialog or the command line leaves them, and their
// conversion to engine arguments: leading-number texts, half-to-even integers, bytes that must lie
// in 0..255, list positions, check states and colours paired with an alpha.
#pragma once

#include "catalogue.h"

#include <QString>
#include <vector>

namespace catalogue {

struct RowValue {
    QString text;        // text rows
    uint32_t colour = 0; // colour rows, 0x00BBGGRR
    int position = -1;   // list rows, -1 for none
    bool ticked = false; // check and option rows
};

class Values {
public:
    // The rows' first values; text rows that start at the working copy's size read it here.
    Values(const Entry& entry, const pix::PixImage& working, const RunContext* context = nullptr);

    const Entry& entry() const { return *entry_; }
    // The run's selection and check marks (none of either when the run gave no context).
    const RunContext& context() const;
    int size() const { return int(values_.size()); }
    RowValue& operator[](int k) { return values_.at(size_t(k)); }
    const RowValue& operator[](int k) const { return values_.at(size_t(k)); }

    // Conversions for the engine call. A value that does not fit throws pix::PixError (number 6)
    // naming the row, which abandons the operation.
    double real(int k) const;
    int32_t integer(int k) const;
    uint8_t byte(int k) const;
    bool check(int k) const;
    int position(int k) const;
    // The path of a file row (empty when no file was chosen).
    QString path(int k) const;
    // The colour row's colour paired with `alpha` (an engine colour value).
    pix::EngineColor colour(int k, int alpha) const;

private:
    const RowValue& ofKind(int k, RowKind kind, RowKind alt) const;
    [[noreturn]] void outOfRange(int k, const QString& range) const;

    const Entry* entry_;
    const RunContext* context_;
    std::vector<RowValue> values_;
};

} // namespace catalogue
