#include "document_actions.h"

#include "frm_main.h"

#include "catalogue/catalogue.h"

#include <algorithm>
#include <initializer_list>
#include <variant>
#include <vector>

namespace documentactions {

namespace {

using Plain = void (frmMain::*)();
using Indexed = void (frmMain::*)(int16_t);
using Missing = std::monostate; // reachable from the menus, not built yet

struct Action {
    const char* name;
    std::variant<Missing, Plain, Indexed> run;
};

// Saving returns whether it wrote; the menus ignore that.
void save(frmMain& d) {
    d.Save();
}

const Action kActions[] = {
    // File
    {"SaveAs", &frmMain::SaveAs},
    {"CaptureScreen", &frmMain::CaptureScreen},
    {"CaptureRect", &frmMain::CaptureRect},
    {"CaptureWindow", &frmMain::CaptureWindow},
    // Edit
    {"Undo", &frmMain::Undo},
    {"Redo", &frmMain::Redo},
    {"Copy", &frmMain::Copy},
    {"Paste", &frmMain::Paste},
    {"Delete", &frmMain::Delete},
    {"SelectAll", &frmMain::SelectAll},
    // View
    {"ZoomIn", &frmMain::ZoomIn},
    {"ZoomOut", &frmMain::ZoomOut},
    {"ZoomType", &frmMain::ZoomType},
    {"DemosHistogram", &frmMain::DemosHistogram},
    // Images
    {"Images", &frmMain::Images},
    {"ImagesImage", &frmMain::ImagesImage},
    {"Images_Menu", &frmMain::Images_Menu},
    {"Draw_Image", &frmMain::Draw_Image},
    // Draw
    {"DrawSetup", &frmMain::DrawSetup},
    {"DrawAntialias", &frmMain::DrawAntialias},
    {"DrawThickness", &frmMain::DrawThickness},
    {"DrawLineStyle", &frmMain::DrawLineStyle},
    {"DrawFillStyle", &frmMain::DrawFillStyle},
    {"DrawOpacity", &frmMain::DrawOpacity},
    {"DrawTexture", &frmMain::DrawTexture},
    {"DrawTextureEx", &frmMain::DrawTextureEx},
    // Metadata
    {"Metadata", &frmMain::Metadata},
};

// Items of built indexed actions whose own index does nothing yet.
struct MissingItems {
    const char* name;
    std::initializer_list<int> indexes;
};
const std::vector<MissingItems> kMissingItems = {};

const Action* find(const QString& name) {
    for (const Action& a : kActions)
        if (name == QLatin1String(a.name)) return &a;
    return nullptr;
}

} // namespace

bool run(frmMain& doc, const QString& name, int16_t index) {
    // While a long operation or a download reports for the document, only its Cancel acts.
    if (doc.isBusy()) return false;
    // An engine failure inside an action ends it with the error box; it never escapes into the
    // menu's event handling.
    try {
        if (name == QLatin1String("Save")) {
            save(doc);
            return true;
        }
        // Catalogue actions run their table's entry; adding a catalogue needs no line here.
        if (const catalogue::Catalogue* table = catalogue::catalogueOfAction(name)) {
            doc.runCatalogue(*table, index);
            return true;
        }
        const Action* a = find(name);
        if (!a) return false;
        if (auto* plain = std::get_if<Plain>(&a->run)) {
            (doc.**plain)();
            return true;
        }
        if (auto* indexed = std::get_if<Indexed>(&a->run)) {
            (doc.**indexed)(index);
            return true;
        }
    } catch (const pix::PixError& e) {
        doc.RaiseError(e);
        return true;
    } catch (const std::exception& e) {
        doc.RaiseError(pix::kErrInvalidArgument, QString::fromLocal8Bit(e.what()), name);
        return true;
    }
    return false;
}

State state(const QString& name, int index) {
    if (name == QLatin1String("Save")) return State::Built;
    // A catalogue action does something at the indexes its table holds; without an index (a
    // submenu header forwarding) it is there to receive.
    if (const catalogue::Catalogue* table = catalogue::catalogueOfAction(name))
        return index < 0 || table->find(index) ? State::Built : State::NotBuilt;
    const Action* a = find(name);
    if (!a) return State::Unknown;
    if (std::holds_alternative<Missing>(a->run)) return State::NotBuilt;
    for (const MissingItems& m : kMissingItems)
        if (name == QLatin1String(m.name) && std::count(m.indexes.begin(), m.indexes.end(), index))
            return State::NotBuilt;
    return State::Built;
}

QStringList notBuilt() {
    QStringList names;
    for (const Action& a : kActions)
        if (std::holds_alternative<Missing>(a.run)) names << QString::fromLatin1(a.name);
    for (const MissingItems& m : kMissingItems)
        for (int index : m.indexes) names << QStringLiteral("%1(%2)").arg(m.name).arg(index);
    return names;
}

} // namespace documentactions
