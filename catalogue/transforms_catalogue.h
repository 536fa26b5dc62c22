// The Transforms catalogue: the distortions of the mnuTransforms group. Each visible item opens
// the Transforms panel with its rows (a style list first where it has one); "Custom" runs at once.
#pragma once

#include "catalogue.h"

namespace catalogue {

const Catalogue& transformsCatalogue();

// A distortion's name from its menu caption: lower case, every "..." removed.
QString transformName(const QString& caption);

// The entry whose distortion has `name`; nullptr for a name outside the table.
const Entry* findTransform(const QString& name);

} // namespace catalogue
