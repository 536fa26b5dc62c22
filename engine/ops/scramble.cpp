#include "scramble.h"

#include "engine/codecs/parallel_bands.h"
#include "engine/image_type.h"

#include <QCryptographicHash>
#include <vector>

namespace pix::ops {

namespace {

constexpr int kLanes = 8; // blocks computed side by side, so the compiler can vectorise the rounds

inline uint32_t rotl(uint32_t v, int n) {
    return (v << n) | (v >> (32 - n));
}

using Lanes = uint32_t[16][kLanes];

inline void quarter(Lanes& x, int a, int b, int c, int d) {
    for (int l = 0; l < kLanes; ++l) {
        x[a][l] += x[b][l];
        x[d][l] = rotl(x[d][l] ^ x[a][l], 16);
        x[c][l] += x[d][l];
        x[b][l] = rotl(x[b][l] ^ x[c][l], 12);
        x[a][l] += x[b][l];
        x[d][l] = rotl(x[d][l] ^ x[a][l], 8);
        x[c][l] += x[d][l];
        x[b][l] = rotl(x[b][l] ^ x[c][l], 7);
    }
}

// kLanes blocks from `counter` on, into out[block][word].
void blockLanes(const ChaChaKey& key, const std::array<uint32_t, 3>& nonce, uint32_t counter,
                uint32_t (*out)[16]) {
    uint32_t init[16] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
    for (int i = 0; i < 8; ++i) init[4 + i] = key[size_t(i)];
    init[12] = counter;
    init[13] = nonce[0];
    init[14] = nonce[1];
    init[15] = nonce[2];
    Lanes x;
    for (int w = 0; w < 16; ++w)
        for (int l = 0; l < kLanes; ++l) x[w][l] = init[w];
    for (int l = 0; l < kLanes; ++l) x[12][l] = counter + uint32_t(l);
    for (int round = 0; round < 10; ++round) {
        quarter(x, 0, 4, 8, 12);
        quarter(x, 1, 5, 9, 13);
        quarter(x, 2, 6, 10, 14);
        quarter(x, 3, 7, 11, 15);
        quarter(x, 0, 5, 10, 15);
        quarter(x, 1, 6, 11, 12);
        quarter(x, 2, 7, 8, 13);
        quarter(x, 3, 4, 9, 14);
    }
    for (int l = 0; l < kLanes; ++l) {
        for (int w = 0; w < 16; ++w) out[l][w] = x[w][l] + init[w];
        out[l][12] += uint32_t(l);
    }
}

// Keystream words [first, first + count) into `out` (words of blocks from the zero nonce).
void streamWords(const ChaChaKey& key, uint64_t first, int count, std::vector<uint32_t>& buffer,
                 uint32_t* out) {
    const uint64_t firstBlock = first / 16;
    const int skip = int(first % 16);
    const int blocks = (skip + count + 15) / 16;
    const int rounded = (blocks + kLanes - 1) / kLanes * kLanes;
    buffer.resize(size_t(rounded) * 16);
    chacha20Blocks(key, {0, 0, 0}, uint32_t(firstBlock), rounded, buffer.data());
    std::copy_n(buffer.data() + skip, count, out);
}

// Applies `perRow(row, words)` to every row with the row's keystream words, in parallel bands.
template <typename PerRow> void eachRow(const QImage& image, const ChaChaKey& key, PerRow perRow) {
    const int w = image.width(), h = image.height();
    const int bands = std::min(h, poolThreads() * 4);
    forEachBand(bands, [&](int band) {
        std::vector<uint32_t> buffer;
        std::vector<uint32_t> words(static_cast<size_t>(w));
        for (int y = bandStart(h, bands, band); y < bandStart(h, bands, band + 1); ++y) {
            streamWords(key, uint64_t(y) * uint64_t(w), w, buffer, words.data());
            perRow(y, words.data());
        }
    });
}

} // namespace

ChaChaKey chachaKeyOf(const QString& keyText) {
    const QByteArray digest =
        QCryptographicHash::hash(keyText.toUtf8(), QCryptographicHash::Sha256);
    const auto* b = reinterpret_cast<const uint8_t*>(digest.constData());
    ChaChaKey key{};
    for (int i = 0; i < 8; ++i)
        key[size_t(i)] = uint32_t(b[4 * i]) | uint32_t(b[4 * i + 1]) << 8 |
                         uint32_t(b[4 * i + 2]) << 16 | uint32_t(b[4 * i + 3]) << 24;
    return key;
}

void chacha20Blocks(const ChaChaKey& key, const std::array<uint32_t, 3>& nonce, uint32_t counter,
                    int count, uint32_t* out) {
    uint32_t lanes[kLanes][16];
    for (int done = 0; done < count; done += kLanes) {
        blockLanes(key, nonce, counter + uint32_t(done), lanes);
        const int n = std::min(kLanes, count - done);
        std::copy_n(&lanes[0][0], size_t(n) * 16, out + size_t(done) * 16);
    }
}

void scramblePixels(QImage& image, int type, const ChaChaKey& key, bool forward) {
    if (image.isNull()) return;
    const int w = image.width();
    switch (type) {
    case kRgb:
    case kRgba:
        eachRow(image, key, [&](int y, const uint32_t* ks) {
            auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) row[x] ^= ks[x] & 0x00FFFFFFu;
        });
        return;
    case kGrayAlpha:
        eachRow(image, key, [&](int y, const uint32_t* ks) {
            auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) row[x] ^= (ks[x] & 0xFFu) * 0x010101u;
        });
        return;
    case kGray:
        eachRow(image, key, [&](int y, const uint32_t* ks) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < w; ++x) row[x] ^= uchar(ks[x]);
        });
        return;
    case kMono:
        eachRow(image, key, [&](int y, const uint32_t* ks) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < w; ++x) row[x >> 3] ^= uchar((ks[x] & 1u) << (7 - (x & 7)));
        });
        return;
    case kIndexed:
    case kIndexedAlpha: {
        // Indexes turn round the colour table, so every result is a colour of the table; an
        // index outside the table is left as it is.
        const uint32_t n = uint32_t(image.colorCount());
        if (n < 2) return;
        eachRow(image, key, [&](int y, const uint32_t* ks) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < w; ++x) {
                if (row[x] >= n) continue;
                const uint32_t step = ks[x] % n;
                row[x] = uchar((row[x] + (forward ? step : n - step)) % n);
            }
        });
        return;
    }
    default:
        return;
    }
}

} // namespace pix::ops
