// A catalogue as data: one entry per menu index with its dialog title, its rows and its engine
// call. The document's actions, the command-line tool and the tests all read these tables; a new
// catalogue is a new table.
#pragma once

#include "engine/pix_image.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace catalogue {

// Row kinds, numbered as the parameter dialog numbers its rows; Scroll rows are the scroll bars
// of the preview dialogs.
enum class RowKind : int { Text = 0, Colour = 1, List = 2, Check = 3, Option = 4, Scroll = 5 };

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
};

Row text(const QString& caption, const QString& initial);
Row text(const QString& caption, Start start);
Row colour(const QString& caption, uint32_t bgr);
Row list(const QString& caption, const QStringList& items, int selected);
Row check(const QString& caption, bool ticked);
Row scroll(const QString& caption, int minimum, int maximum, int initial, int largeChange);

class Values;

// The engine call of an entry, on the working copy, with the rows' values.
using EngineCall = std::function<void(pix::PixImage& working, const Values& values)>;
// The engine call of an entry finished by a line dragged on the document image.
using LineCall = std::function<void(pix::PixImage& image, int x1, int y1, int x2, int y2)>;

// Two text rows kept in the document image's proportions while a check row is ticked.
struct AspectLink {
    int widthRow;
    int heightRow;
    int keepRow;
};

struct Entry {
    int index = -1;
    QString title{}; // the dialog's title
    std::vector<Row> rows{};
    EngineCall call{};
    std::optional<AspectLink> aspectLink{};
    // Entries without a dialog that wait for a line on the document image: the message shown
    // first, then the call made when the line is finished.
    QString linePrompt{};
    LineCall onLine{};
    // Entries whose values come from a preview dialog: the dialog's class name. Its rows are the
    // dialog's controls, and its call is made on the preview as on the working copy.
    QString previewDialog{};
};

struct Catalogue {
    const char* menuGroup;  // the menu item group it serves, e.g. "mnuEffects"
    const char* actionName; // the document action, e.g. "Effects"
    std::vector<Entry> entries;

    // The entry of a menu index; nullptr when the index has no operation here.
    const Entry* find(int index) const;
};

// Every catalogue, for the command-line tool and the sweep test.
std::vector<const Catalogue*> allCatalogues();

} // namespace catalogue
