// Catalogue entries run from the command line: --apply "MENU/PATH/Caption" picks an entry by its
// menu path and each --set "Row caption=value" changes one of its rows (the others keep their
// first values). The entry runs through the same table and skeleton as the menu command, on the
// whole current page.
#pragma once

#include "catalogue/catalogue.h"
#include "engine/pix_image.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace pixcli {

struct ApplyStep {
    QString menuPath;
    QList<QPair<QString, QString>> sets; // row caption, value; in command-line order
};

// Takes the --apply and --set options out of `args`, in order; each --set belongs to the --apply
// before it. Throws UsageError for a --set without an --apply or an option without its value.
QList<ApplyStep> takeApplyOptions(QStringList& args);

// Checks a step against the tables without running it: empty when the path, the captions and the
// values are all known, else the reason with the valid choices.
QString checkApplyStep(const ApplyStep& step);

// Runs the steps in order on the image's current page. Throws UsageError for a step that
// checkApplyStep refuses and pix::PixError when an operation fails.
void applySteps(pix::PixImage& image, const QList<ApplyStep>& steps);

// A step checked against the tables: its entry, and its run on an image as applySteps runs it
// (throwing pix::PixError when the operation fails).
struct PreparedStep {
    const catalogue::Entry* entry = nullptr;
    std::function<void(pix::PixImage&)> run;
};

// The steps checked and ready to run, in order. Throws UsageError as applySteps does.
std::vector<PreparedStep> prepareSteps(const QList<ApplyStep>& steps);

// Applies one entry to the image's current page. Returns 0 when done; otherwise 2 (an unknown
// path or caption, a value the row cannot take) or 1 (the operation failed), with the reason,
// and where useful the valid choices, in *error.
int applyCatalogueEntry(pix::PixImage& image, const QString& menuPath,
                        const QList<QPair<QString, QString>>& sets, QString* error);

// Usage lines for the two options.
QString applyUsageText();

} // namespace pixcli
