// The parameter dialog as the source of an entry's values: one dialog row per table row, its
// control chosen by the row's kind, shown modally through the desktop seam and read back.
#pragma once

#include "dispatch.h"

class frmDialog;

namespace catalogue {

// Entries without a dialog: the rows' first values as they stand.
class NoDialogSource : public ParameterSource {
public:
    bool fill(const Entry&, Values&) override { return true; }
};

// The colour dialog sets colour row 0; it starts at the last colour chosen in it.
class ColourSource : public ParameterSource {
public:
    bool fill(const Entry& entry, Values& values) override;
};

// A file dialog (the filter in row 0's items) sets text row 0 to the chosen path.
class FileSource : public ParameterSource {
public:
    bool fill(const Entry& entry, Values& values) override;
};

// An input prompt (row 0's caption, the entry's title) sets text row 0.
class PromptSource : public ParameterSource {
public:
    bool fill(const Entry& entry, Values& values) override;
};

// The entry's asks through the desktop: colour and file dialogs, input prompts that ask again
// until the answer lies in range, Yes/No messages; conditions are read on `image`.
class AsksSource : public ParameterSource {
public:
    explicit AsksSource(const pix::PixImage& image) : image_(image) {}
    bool fill(const Entry& entry, Values& values) override;

private:
    const pix::PixImage& image_;
};

class DialogSource : public ParameterSource {
public:
    explicit DialogSource(frmDialog& dialog) : dlg_(dialog) {}
    bool fill(const Entry& entry, Values& values) override;

private:
    frmDialog& dlg_;
};

} // namespace catalogue
