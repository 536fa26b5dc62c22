// The converter's band-by-band path: a single-page TIFF of 8-bit RGB or RGBA strips written as
// TIFF, through steps that the catalogue marks as streamable (at most one Rows step, first, then
// Bands steps), is read, changed and written a round of strips at a time, never held whole. The
// file written is byte for byte the one the whole-image path writes.
#pragma once

#include "catalogue_apply.h"
#include "convert_options.h"

#include <vector>

namespace pixcli {

// Converts as the request says when the input, the steps and the output allow it; false, having
// written nothing, when they do not or when anything fails (the whole-image path then runs and
// reports the failure in its own words). Each band holds the rows of `stripsPerRound` strips of
// the output.
bool convertStreamed(const ConvertRequest& request, const std::vector<PreparedStep>& steps,
                     int stripsPerRound = 8);

} // namespace pixcli
