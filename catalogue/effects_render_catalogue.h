// The Effects submenus of renderings and warps: drop shadow, gauzy, scribble and stipple (presets
// and a "Custom..." dialog each) and the perspective examples.
#pragma once

#include "catalogue.h"

namespace catalogue {

const std::vector<const Catalogue*>& effectsRenderCatalogues();

} // namespace catalogue
