// The factory of every format, in probing order. Each format's source defines its factory.
#pragma once

#include "codec.h"

#include <initializer_list>

namespace pix {

using CodecFactory = std::unique_ptr<Codec> (*)();

// Add one line per format here and define the factory in the format's source.
inline const std::initializer_list<CodecFactory> kCodecFactories = {
};

} // namespace pix
