#include "catalogue_apply.h"

#include <algorithm>

#include "convert_run.h"

#include "catalogue/asks.h"
#include "catalogue/dispatch.h"
#include "catalogue/menu_paths.h"
#include "convert_options.h"
#include "platform/vb.h"

#include <QColor>
#include <functional>
#include <optional>

namespace pixcli {

namespace {

// A row change read from one --set value, applied to the row's value when the entry runs.
using Change = std::function<void(catalogue::RowValue&)>;

QString quoted(const QString& s) {
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString quotedList(const QStringList& items) {
    QStringList q;
    for (const QString& s : items) q << quoted(s);
    return q.join(QStringLiteral(", "));
}

// A caption's first line with text: how a prompt of several lines is named on the command line.
QString firstLine(const QString& caption) {
    for (const QString& line : caption.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty()) return line;
    return caption;
}

// Reads `text` as a value of `row`; nullopt with the reason in *why when it cannot.
std::optional<Change> readValue(const catalogue::Row& row, const QString& text, QString* why) {
    const QString v = text.trimmed();
    switch (row.kind) {
    case catalogue::RowKind::Text:
        // A file row (its items hold the dialog's filter) takes a path.
        if (!row.items.isEmpty() && !v.isEmpty())
            return [v](catalogue::RowValue& r) { r.text = v; };
        if (!vb::isNumeric(v)) break;
        if (!catalogue::promptAccepts(row, v)) {
            *why = QStringLiteral("%1 takes a number %2..%3, not %4")
                       .arg(firstLine(row.caption))
                       .arg(row.minimum)
                       .arg(row.maximum)
                       .arg(quoted(text));
            return std::nullopt;
        }
        return [v](catalogue::RowValue& r) { r.text = v; };
    case catalogue::RowKind::File:
        if (v.isEmpty()) break;
        return [v](catalogue::RowValue& r) { r.text = v; };
    case catalogue::RowKind::Colour: {
        const QColor c = QColor::fromString(v);
        if (v.size() != 7 || !v.startsWith(QLatin1Char('#')) || !c.isValid()) break;
        const uint32_t bgr =
            uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
        return [bgr](catalogue::RowValue& r) { r.colour = bgr; };
    }
    case catalogue::RowKind::List: {
        int position = int(row.items.indexOf(v));
        for (int i = 0; position < 0 && i < row.items.size(); ++i)
            if (row.items[i].compare(v, Qt::CaseInsensitive) == 0) position = i;
        bool numeric = false;
        const int n = v.toInt(&numeric);
        if (position < 0 && numeric && n >= 0 && n < row.items.size()) position = n;
        if (position < 0) {
            *why = QStringLiteral("%1 takes one of %2, or a position 0..%3; not %4")
                       .arg(row.caption, quotedList(row.items))
                       .arg(row.items.size() - 1)
                       .arg(quoted(text));
            return std::nullopt;
        }
        return [position](catalogue::RowValue& r) { r.position = position; };
    }
    case catalogue::RowKind::Scroll: {
        bool whole = false;
        const int n = v.toInt(&whole);
        if (!whole || n < row.minimum || n > row.maximum) {
            *why = QStringLiteral("%1 takes a whole number %2..%3, not %4")
                       .arg(row.caption)
                       .arg(row.minimum)
                       .arg(row.maximum)
                       .arg(quoted(text));
            return std::nullopt;
        }
        return [v](catalogue::RowValue& r) { r.text = v; };
    }
    case catalogue::RowKind::Check:
    case catalogue::RowKind::Option: {
        const bool on = v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        if (!on && v.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0) break;
        return [on](catalogue::RowValue& r) { r.ticked = on; };
    }
    }
    static const char* const kExpected[] = {"a number",      "a colour #RRGGBB", "",
                                            "true or false", "true or false",    "a whole number",
                                            "a file's path"};
    *why = QStringLiteral("%1 takes %2, not %3")
               .arg(row.caption, QLatin1String(kExpected[int(row.kind)]), quoted(text));
    return std::nullopt;
}

// The --set values as a parameter source: the rows' first values, changed in order. Linked size
// rows follow each other as they do when typed into the dialog.
class SetSource : public catalogue::ParameterSource {
public:
    SetSource(std::vector<std::pair<int, Change>> changes, const pix::PixImage& image)
        : changes_(std::move(changes)), image_(image) {}
    bool fill(const catalogue::Entry& entry, catalogue::Values& values) override {
        const QSize imageSize(image_.width(), image_.height());
        for (const auto& [row, change] : changes_) {
            change(values[row]);
            const auto& link = entry.aspectLink;
            if (!link || !values[link->keepRow].ticked) continue;
            if (const auto follow = catalogue::linkedEdit(*link, row, values[row].text, imageSize))
                values[follow->row].text = follow->text;
        }
        // Questions the program would not ask of this image take their fixed answers.
        return catalogue::walkAsks(entry, image_, values,
                                   [](const catalogue::Ask&, const catalogue::Row&,
                                      catalogue::RowValue&) { return true; });
    }

private:
    std::vector<std::pair<int, Change>> changes_;
    const pix::PixImage& image_;
};

QStringList validPaths() {
    QStringList paths;
    for (const catalogue::MenuEntry& m : catalogue::menuEntries())
        if (m.entry->input != catalogue::Input::Line) paths << m.path;
    return paths;
}

} // namespace

QList<ApplyStep> takeApplyOptions(QStringList& args) {
    QList<ApplyStep> steps;
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--")) {
            rest << args.mid(i);
            break;
        }
        const bool apply = arg == QLatin1String("--apply") || arg.startsWith("--apply=");
        const bool set = arg == QLatin1String("--set") || arg.startsWith("--set=");
        if (!apply && !set) {
            rest << arg;
            continue;
        }
        const QString name = apply ? QStringLiteral("--apply") : QStringLiteral("--set");
        QString value;
        if (arg.size() > name.size()) {
            value = arg.mid(name.size() + 1);
        } else {
            if (++i >= args.size()) throw UsageError(QStringLiteral("%1 needs a value").arg(name));
            value = args[i];
        }
        if (apply) {
            steps.append({value, {}});
            continue;
        }
        if (steps.isEmpty())
            throw UsageError(QStringLiteral("--set %1 comes before any --apply").arg(value));
        const qsizetype eq = value.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw UsageError(
                QStringLiteral("--set takes \"Row caption=value\", not %1").arg(quoted(value)));
        steps.last().sets.append({value.left(eq), value.mid(eq + 1)});
    }
    args = rest;
    return steps;
}

namespace {

// An --apply step checked against the tables: its entry and its row changes.
struct Resolved {
    const catalogue::Catalogue* table = nullptr;
    const catalogue::Entry* entry = nullptr;
    std::vector<std::pair<int, Change>> changes;
};

std::optional<Resolved> resolve(const QString& menuPath, const QList<QPair<QString, QString>>& sets,
                                QString* error) {
    Resolved r;
    for (const catalogue::MenuEntry& m : catalogue::menuEntries())
        if (m.path == menuPath) r = {m.table, m.entry, {}};
    if (!r.entry) {
        *error = QStringLiteral("--apply: no menu item %1. Valid ones:\n  %2")
                     .arg(quoted(menuPath), validPaths().join(QStringLiteral("\n  ")));
        return std::nullopt;
    }
    const catalogue::Entry& entry = *r.entry;
    if (entry.input == catalogue::Input::Line) {
        *error = QStringLiteral("--apply: %1 needs a line dragged on the image; it runs only in "
                                "the editor")
                     .arg(quoted(menuPath));
        return std::nullopt;
    }
    for (const auto& [caption, value] : sets) {
        int row = -1;
        QStringList captions;
        for (size_t k = 0; k < entry.rows.size(); ++k) {
            const QString& c = entry.rows[k].caption;
            captions << firstLine(c);
            if (c == caption || firstLine(c) == caption) row = int(k);
        }
        if (row < 0) {
            *error = captions.isEmpty()
                         ? QStringLiteral("--set: %1 has no rows").arg(quoted(menuPath))
                         : QStringLiteral("--set: %1 has no row %2. Its rows: %3")
                               .arg(quoted(menuPath), quoted(caption), quotedList(captions));
            return std::nullopt;
        }
        QString why;
        // A file dialog's row takes the path as it is given.
        const std::optional<Change> change =
            entry.input == catalogue::Input::File && row == 0
                ? std::optional<Change>([value](catalogue::RowValue& r) { r.text = value; })
                : readValue(entry.rows[size_t(row)], value, &why);
        if (!change) {
            *error = QStringLiteral("--set: ") + why;
            return std::nullopt;
        }
        r.changes.emplace_back(row, *change);
    }
    // What a person types into a prompt without a default, or picks in a colour or file dialog,
    // has no first value to use.
    for (int row : catalogue::rowsWithoutFirstValue(entry)) {
        if (std::any_of(r.changes.begin(), r.changes.end(),
                        [row](const auto& c) { return c.first == row; }))
            continue;
        const QString caption = firstLine(entry.rows[size_t(row)].caption);
        *error = QStringLiteral("--apply: %1 asks a person for %2; give it with --set \"%3=...\"")
                     .arg(quoted(menuPath), quoted(caption), caption);
        return std::nullopt;
    }
    return r;
}

// Runs a resolved step on the image; throws pix::PixError when the operation fails.
void run(pix::PixImage& image, const Resolved& step) {
    SetSource source(step.changes, image);
    // The converter has no selection and no check marks.
    const catalogue::RunResult result = catalogue::runFound(*step.entry, image, source);
    if (result.outcome == catalogue::Outcome::Applied) return;
    if (result.outcome == catalogue::Outcome::Refused)
        throw pix::PixError(pix::kErrInvalidArgument, result.refusal, step.entry->title);
    throw result.error.value_or(pix::PixError(
        pix::kErrInvalidArgument, QStringLiteral("The operation did not run"), step.entry->title));
}

} // namespace

QString checkApplyStep(const ApplyStep& step) {
    QString error;
    resolve(step.menuPath, step.sets, &error);
    return error;
}

void applySteps(pix::PixImage& image, const QList<ApplyStep>& steps) {
    for (const ApplyStep& step : steps) {
        QString error;
        const std::optional<Resolved> r = resolve(step.menuPath, step.sets, &error);
        if (!r) throw UsageError(error);
        run(image, *r);
    }
}

std::vector<PreparedStep> prepareSteps(const QList<ApplyStep>& steps) {
    std::vector<PreparedStep> prepared;
    for (const ApplyStep& step : steps) {
        QString error;
        std::optional<Resolved> r = resolve(step.menuPath, step.sets, &error);
        if (!r) throw UsageError(error);
        prepared.push_back(
            {r->entry, [r = std::move(*r)](pix::PixImage& image) { run(image, r); }});
    }
    return prepared;
}

int applyCatalogueEntry(pix::PixImage& image, const QString& menuPath,
                        const QList<QPair<QString, QString>>& sets, QString* error) {
    const std::optional<Resolved> r = resolve(menuPath, sets, error);
    if (!r) return kExitUsage;
    try {
        run(image, *r);
        return kExitOk;
    } catch (const pix::PixError& e) {
        *error = QStringLiteral("Error: %1\nSource: %2").arg(e.description(), e.source());
        return kExitFailed;
    }
}

QString applyUsageText() {
    return QStringLiteral(
        "  --apply \"MENU/PATH\"       run a menu operation on the image, e.g. "
        "\"Transforms/Resize...\"\n"
        "  --set \"Row caption=value\" set one row of the operation before it (repeatable); a "
        "list row takes\n"
        "                            an item's text or position, a colour row #RRGGBB, a check "
        "row true/false, a\n"
        "                            preview dialog's scroll bar (\"Brightness=20\") a whole "
        "number in its range;\n"
        "                            linked rows follow as in the dialog (\"Width:\" sets "
        "\"Height:\" while\n"
        "                            \"Keep Aspect Ratio:\" is ticked)\n");
}

} // namespace pixcli
