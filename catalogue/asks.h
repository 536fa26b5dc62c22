// The questions of an Asks entry, walked in order: a question whose condition fails for the image
// is skipped and its row takes the fixed answer; the others go to whoever answers them (the
// desktop's dialogs in the program, the --set options in the converter).
#pragma once

#include "values.h"

#include <functional>
#include <vector>

namespace catalogue {

// Whether a prompt row takes `answer`: any answer when the row has no range, else a number whose
// value rounded half to even lies in the row's range.
bool promptAccepts(const Row& row, const QString& answer);

// The rows that only a person can fill: what is typed into a prompt without a default, picked in
// a colour or file dialog, typed into a dialog's text box that starts empty (a key), or chosen
// in the menus; their first values are no answer.
std::vector<int> rowsWithoutFirstValue(const Entry& entry);

// Answers one question into the row's value; false ends the run.
using AskFn = std::function<bool(const Ask& ask, const Row& row, RowValue& value)>;

// Asks the entry's questions in order on `image`; false when one went unanswered.
bool walkAsks(const Entry& entry, const pix::PixImage& image, Values& values, const AskFn& answer);

} // namespace catalogue
