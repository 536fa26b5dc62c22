// The Channels catalogues: the alpha commands (mnuChannelsAlpha), the alpha masks from a file or
// from the program's mask folder (mnuChannelsAlphaAddMask) and the channel swaps
// (mnuChannelsRGBSwap). The alpha commands ask through prompts and the colour dialog and work on
// the document image itself; the swaps work on the working copy.
#pragma once

#include "catalogue.h"

namespace catalogue {

std::vector<const Catalogue*> channelsCatalogues();

// The folder of the masks the program ships: "AlphaMasks" in the program's own folder.
QString alphaMaskFolder();

// The merge-type prompt's text (a line break, the question, a blank line, the nine types).
QString mergePromptText();

} // namespace catalogue
