// A catalogue as data: one entry per menu index with its dialog title, its rows and its engine
// call. The document's actions, the command-line tool and the tests all read these tables; a new
// catalogue is a new table.
#pragma once

#include "engine/pix_image.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace catalogue {

// Row kinds, numbered as the parameter dialog numbers its rows; Scroll rows are the scroll bars
// of the preview dialogs; File rows hold the path of a file chosen in the file dialog.
enum class RowKind : int {
    Text = 0,
    Colour = 1,
    List = 2,
    Check = 3,
    Option = 4,
    Scroll = 5,
    File = 6
};

// Where a text row's first value comes from.
enum class Start { Given, WorkingWidth, WorkingHeight };

// One parameter: its caption exactly as shown, its kind and its first value.
struct Row {
    QString caption;
    RowKind kind = RowKind::Text;
    QString text; // text rows
    Start start = Start::Given;
    uint32_t colour = 0; // colour rows, 0x00BBGGRR
    QStringList items;   // list rows
    int selected = 0;    // list rows: the first selected position
    bool ticked = false; // check and option rows
    // Scroll rows: the range and page step (the value is held as text, like a text row's).
    int minimum = 0, maximum = 0, largeChange = 1;
    // The value is a length in image pixels: a preview scales it with the preview.
    bool pixelSized = false;
    // Prompt rows: an answer outside minimum..maximum (rounded half to even) is asked again.
    bool ranged = false;
};

Row text(const QString& caption, const QString& initial);
Row text(const QString& caption, Start start);
Row colour(const QString& caption, uint32_t bgr);
Row list(const QString& caption, const QStringList& items, int selected);
Row check(const QString& caption, bool ticked);
Row scroll(const QString& caption, int minimum, int maximum, int initial, int largeChange);
// A text row answered in an input prompt (the caption is the prompt's text) whose answer must
// lie in minimum..maximum.
Row prompt(const QString& caption, const QString& initial, int minimum, int maximum);
Row file(const QString& caption);

class Values;

// What a run knows besides the rows' values: the document's selection and the frame's check
// marks. The program and the converter each provide one; an entry never sees the frame itself.
class RunContext {
public:
    virtual ~RunContext() = default;
    // The selection rectangle in image pixels; empty when nothing is selected.
    virtual QRect selection() const = 0;
    // Whether the frame's check mark `item` (a menu item key, e.g. "mnuDitherPalette") is on.
    virtual bool checked(const QString& item) const = 0;
    // The caption of the menu item that started the run (items built at run time, such as the
    // mask files, are known by it); empty when there is none.
    virtual QString chosenCaption() const { return {}; }
};

// The engine call of an entry, on its target, with the rows' values (values.context() gives the
// selection and the check marks).
using EngineCall = std::function<void(pix::PixImage& image, const Values& values)>;
// The engine call of an entry finished by a line dragged on the document image.
using LineCall = std::function<void(pix::PixImage& image, int x1, int y1, int x2, int y2)>;
// A precondition: the message that refuses the run, or nothing when the run may go on.
using Precondition =
    std::function<std::optional<QString>(const pix::PixImage& image, const RunContext& context)>;

// Two text rows kept in the document image's proportions while a check row is ticked.
struct AspectLink {
    int widthRow;
    int heightRow;
    int keepRow;
};

// How an entry gets its values.
enum class Input {
    Rows,    // the parameter dialog shows the rows
    None,    // nothing asked: presets and plain commands (the values are the rows' first ones)
    Colour,  // the colour dialog sets colour row 0
    File,    // a file dialog sets text row 0 to the chosen path
    Prompt,  // an input prompt (row 0's caption) sets text row 0
    Preview, // the preview dialog `previewDialog` shows the scroll rows
    Line,    // a line dragged on the document image (linePrompt first, then onLine)
    Panel,   // the non-modal Transforms panel shows the rows and applies them on each Apply
    Asks,    // the entry's asks, in order (colour dialog, prompts, file dialog, yes/no)
};

// One question of an Asks entry. Each sets one row; an unanswered question (Cancel, an empty
// prompt, no file) ends the run without change.
enum class AskKind {
    Colour,       // the colour dialog sets colour row `row`
    Prompt,       // an input prompt (the row's caption, the program's title) sets text row `row`;
                  // a ranged row asks again until the answer lies in its range
    File,         // the open-file dialog (the filter in the row's items) sets text row `row`
    YesNo,        // a Yes/No message (the row's caption) sets check row `row`: ticked for Yes
    ChosenCaption // text row `row` takes the caption of the menu item that started the run
};

struct Ask {
    AskKind kind = AskKind::Prompt;
    int row = 0;
    // Asked only when this holds for the image; otherwise the row's text becomes `otherwise`.
    std::function<bool(const pix::PixImage&)> when{};
    QString otherwise{};
};

// What the call works on.
enum class Target {
    WorkingCopy, // the working copy, cut to the selection, written back afterwards
    Document,    // the document image itself (no working copy, no write-back)
};

// Whether the converter may run an entry over a file a band of rows at a time instead of on the
// whole image (each result band is then written before the next source band is read).
enum class Streams {
    No,
    Bands, // each band of the result is the entry run on the same rows of the source: a map of
           // each pixel (or row) alone, with no figure taken from the whole image
    Rows,  // the result is whole rows of a part of the source, given by the entry's rowPlan
};

// The part of a source of some size that a Rows entry keeps, its rows taken bottom up when
// `bottomUp`.
struct RowPlan {
    QRect source;
    bool bottomUp = false;
};

struct Entry {
    int index = -1;  // the menu index, -1 for an item outside an indexed group
    QString title{}; // the dialog's title; also the source named in failures
    std::vector<Row> rows{};
    EngineCall call{};
    Input input = Input::Rows;
    Target target = Target::WorkingCopy;
    Precondition precondition{};
    std::optional<AspectLink> aspectLink{};
    // Line entries: the message shown first, then the call made when the line is finished.
    QString linePrompt{};
    LineCall onLine{};
    // Preview entries: the dialog's class name. Its rows are the dialog's controls, and its call
    // is made on the preview as on the working copy.
    QString previewDialog{};
    // Asks entries: the questions, in order.
    std::vector<Ask> asks{};
    // The entry serves every index from `index` on (items the program adds at run time).
    bool coversFollowing = false;
    // The precondition's refusal is shown with the information icon (else with none).
    bool refusalInforms = false;
    // The menu item's help text (its status tip); empty for none.
    QString help{};
    // The progress window's text while the call runs; empty for the usual "Processing Image".
    QString progressText{};
    // How the converter may stream the entry; a Rows entry's part of a source of a given size.
    Streams streams = Streams::No;
    std::function<RowPlan(QSize)> rowPlan{};
};

// How a catalogue reports a failure of its calls.
enum class FailureStyle {
    ErrorAndSource,       // "Error: description" and "Source: source", critical icon
    NumberAndDescription, // "Error: number", a blank line, the description; titled with the source
    DescriptionOnly,      // "Error: description" with the program's title
};

struct Catalogue {
    const char* menuGroup;  // the menu item group it serves, e.g. "mnuEffects"
    const char* actionName; // the document action, e.g. "Effects"
    std::vector<Entry> entries;
    FailureStyle failure = FailureStyle::ErrorAndSource;

    // The entry of a menu index; nullptr when the index has no operation here.
    const Entry* find(int index) const;
};

// The addresses of a file's tables, for its part of the registry.
std::vector<const Catalogue*> pointersTo(const std::vector<Catalogue>& tables);

// Every catalogue: the registry that the document's routing, the converter and the sweep read.
const std::vector<const Catalogue*>& allCatalogues();
// The catalogue serving a document action; nullptr when no catalogue does.
const Catalogue* catalogueOfAction(const QString& actionName);

} // namespace catalogue
