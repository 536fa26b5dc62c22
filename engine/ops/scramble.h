// Keyed, reversible scrambling of a page's pixels by a ChaCha20 keystream (RFC 8439 block
// function, 256-bit key from SHA-256 of the key text). It hides a picture from a casual look;
// it is no protection for secrets (no authentication, the same key always gives the same stream).
#pragma once

#include <QByteArray>
#include <QImage>
#include <array>
#include <cstdint>

namespace pix::ops {

using ChaChaKey = std::array<uint32_t, 8>;

// The ChaCha20 key of a key text: SHA-256 of its UTF-8 bytes, read as little-endian words.
ChaChaKey chachaKeyOf(const QString& keyText);

// `count` consecutive 64-byte ChaCha20 blocks starting at block `counter`, as 16 words each
// (the serialised stream is these words in little-endian order).
void chacha20Blocks(const ChaChaKey& key, const std::array<uint32_t, 3>& nonce, uint32_t counter,
                    int count, uint32_t* out);

// Scrambles (forward) or restores (backward) the pixels of `src`, held in the storage format of
// `type` (engine/image_type.h), into `dst` (same size and format; it may be `src` itself). Pixel
// i (row-major) takes keystream word i. Colour table and alpha stay: RGB pixels XOR their colour
// bytes, grey pixels their grey level, 1-bit pixels their bit, and palette indexes move round
// the colour table.
void scramblePixels(const QImage& src, QImage& dst, int type, const ChaChaKey& key, bool forward);

} // namespace pix::ops
