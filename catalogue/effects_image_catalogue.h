// The preset actions of the Effects and Images menus that flip, shrink, crop, straighten and
// reduce the colours of an image: one table per document action.
#pragma once

#include "catalogue.h"

#include <vector>

namespace catalogue {

const std::vector<const Catalogue*>& effectsImageCatalogues();

// The palette of a palette file; throws Refusal ("<path> is not a valid palette file.") when the
// file cannot be read, is not 768 bytes long, or holds a level above 63 (with the beep).
QList<QRgb> readPaletteFile(const QString& path);

} // namespace catalogue
