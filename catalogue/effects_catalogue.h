// The Effects catalogue: the plain items of the mnuEffects group (resize, canvas, rotate, skew and
// the parameterised effects). Items that open a submenu are served by their own actions.
#pragma once

#include "catalogue.h"

namespace catalogue {

const Catalogue& effectsCatalogue();

} // namespace catalogue
