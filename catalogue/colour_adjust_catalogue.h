// The colour channel catalogues of the Channels menu that open preview dialogs: ChannelsRGB
// ("Adjust..." in RGB, "Shift...") and ChannelsAdjust ("Adjust..." in HSL).
#pragma once

#include "catalogue.h"

namespace catalogue {

const std::vector<const Catalogue*>& colourAdjustCatalogues();

// An amount of -255..255 as the percent the engine takes: divided by 2.55 in double precision
// and passed on in single precision (255 is 100.0, -128 is -50.196...).
float percentOfAmount(int amount);

} // namespace catalogue
