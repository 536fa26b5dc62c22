// The factory of every format, in probing order. Each format's source defines its factory.
#pragma once

#include "codec.h"

#include <initializer_list>

namespace pix {

using CodecFactory = std::unique_ptr<Codec> (*)();

std::unique_ptr<Codec> makeJpegCodec();
std::unique_ptr<Codec> makePngCodec();
std::unique_ptr<Codec> makeTiffCodec();
std::unique_ptr<Codec> makeGifCodec();

std::unique_ptr<Codec> makeBmpCodec();
std::unique_ptr<Codec> makePcxCodec();
std::unique_ptr<Codec> makeIcoCodec();
std::unique_ptr<Codec> makePsdCodec();
std::unique_ptr<Codec> makeWmfCodec();
std::unique_ptr<Codec> makeEmfCodec();
std::unique_ptr<Codec> makeTgaCodec();
std::unique_ptr<Codec> makeWbmpCodec();

// Add one line per format here and define the factory in the format's source.
inline const std::initializer_list<CodecFactory> kCodecFactories = {
    makeJpegCodec,
    makePngCodec,
    makeTiffCodec,
    makeGifCodec,
    makeBmpCodec,
    makePcxCodec,
    makeIcoCodec,
    makePsdCodec,
    makeWmfCodec,
    makeEmfCodec,
    // Weak signatures last.
    makeTgaCodec,
    makeWbmpCodec,
};

} // namespace pix
