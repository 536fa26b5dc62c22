// The skeleton every catalogue action runs over its table: pick the entry of the menu index, get
// the row values from a parameter source, convert them and make the engine call on the working
// copy, trapping every failure. The document wraps it in its working copy (fill, write back); the
// command-line tool runs it on the loaded image.
#pragma once

#include "catalogue.h"
#include "engine/pix_error.h"
#include "values.h"

#include <QSize>
#include <optional>

namespace catalogue {

// Where an entry's parameter values come from: the parameter dialog in the program, the --set
// options in the command-line tool.
class ParameterSource {
public:
    virtual ~ParameterSource() = default;
    // Changes `values` (the rows' first values on entry); false when the user cancelled.
    virtual bool fill(const Entry& entry, Values& values) = 0;
};

enum class Outcome {
    NoOperation, // the index has no operation in this table
    Cancelled,
    Applied,
    Failed,     // a conversion or the engine failed; the rest of the operation was abandoned
    AwaitsLine, // a line entry: the caller waits for the line on the document image
    Refused,    // the entry's precondition refused the run: `refusal` says why
};

// Thrown by an engine call that refuses its values once it has them (a file it cannot use): the
// run ends as Refused with this message, and `beep` asks for the system beep before it.
struct Refusal {
    QString message;
    bool beep = false;
};

struct RunResult {
    Outcome outcome = Outcome::NoOperation;
    const Entry* entry = nullptr;
    bool workingChanged = false;        // the working copy was changed and needs writing back
    std::optional<pix::PixError> error; // set when Failed
    QString refusal;                    // set when Refused
    bool beep = false;                  // the refusal asks for the system beep first
};

// Runs the entry of `index` on `image` (the working copy, or the document image for entries that
// work on it). Never throws: failures come back in the result, and the image keeps what the
// engine changed before the failure.
RunResult runEntry(const Catalogue& table, int index, pix::PixImage& image, ParameterSource& source,
                   const RunContext* context = nullptr);

// Runs an entry found already (as runEntry does after its look-up).
RunResult runFound(const Entry& entry, pix::PixImage& image, ParameterSource& source,
                   const RunContext* context = nullptr);

// The live link of two size rows: when `editedRow` changes to `editedText`, the other row takes
// the value in the proportions of `documentSize`, rounded half to even.
struct LinkedEdit {
    int row;
    QString text;
};
std::optional<LinkedEdit> linkedEdit(const AspectLink& link, int editedRow,
                                     const QString& editedText, QSize documentSize);

} // namespace catalogue
