// The Filters catalogues: Filters(Index) for the plain items of the Filters menus (each with its
// parameter dialog, a preview dialog, the colour dialog or no dialog), and one table of fixed
// calls per preset submenu or single preset item (blur, sharpen, soften, vibration, edges, gamma,
// intensity, unsharp mask, morphology, negatives, the hand-made kernels and the complex filters).
#pragma once

#include "catalogue.h"

namespace catalogue {

const std::vector<const Catalogue*>& filtersCatalogues();

} // namespace catalogue
