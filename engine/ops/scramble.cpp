#include "scramble.h"

#include "engine/codecs/parallel_bands.h"
#include "engine/image_type.h"

#include <QCryptographicHash>
#include <vector>

namespace pix::ops {

namespace {

constexpr int kLanes = 8; // blocks computed side by side, so the compiler can vectorise the rounds

// Eight 32-bit lanes: one word of eight blocks computed side by side.
typedef uint32_t Lane __attribute__((vector_size(4 * kLanes)));

// A macro, not a function: a function returning a vector would change its ABI between the
// AVX2 and the plain clone.
#define PIX_ROTL(v, n) (((v) << (n)) | ((v) >> (32 - (n))))

#define PIX_QUARTER(a, b, c, d)                                                                    \
    x[a] += x[b];                                                                                  \
    x[d] = PIX_ROTL(x[d] ^ x[a], 16);                                                              \
    x[c] += x[d];                                                                                  \
    x[b] = PIX_ROTL(x[b] ^ x[c], 12);                                                              \
    x[a] += x[b];                                                                                  \
    x[d] = PIX_ROTL(x[d] ^ x[a], 8);                                                               \
    x[c] += x[d];                                                                                  \
    x[b] = PIX_ROTL(x[b] ^ x[c], 7)

// kLanes blocks from `counter` on, into out[block][word]. With AVX2 a lane is one register.
__attribute__((target_clones("avx2", "default"))) void
blockLanes(const ChaChaKey& key, const std::array<uint32_t, 3>& nonce, uint32_t counter,
           uint32_t (*out)[16]) {
    uint32_t init[16] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
    for (int i = 0; i < 8; ++i) init[4 + i] = key[size_t(i)];
    init[12] = counter;
    init[13] = nonce[0];
    init[14] = nonce[1];
    init[15] = nonce[2];
    Lane start[16];
    for (int w = 0; w < 16; ++w)
        for (int l = 0; l < kLanes; ++l) start[w][l] = init[w];
    for (int l = 0; l < kLanes; ++l) start[12][l] = counter + uint32_t(l);
    Lane x[16];
    for (int w = 0; w < 16; ++w) x[w] = start[w];
    for (int round = 0; round < 10; ++round) {
        PIX_QUARTER(0, 4, 8, 12);
        PIX_QUARTER(1, 5, 9, 13);
        PIX_QUARTER(2, 6, 10, 14);
        PIX_QUARTER(3, 7, 11, 15);
        PIX_QUARTER(0, 5, 10, 15);
        PIX_QUARTER(1, 6, 11, 12);
        PIX_QUARTER(2, 7, 8, 13);
        PIX_QUARTER(3, 4, 9, 14);
    }
    for (int w = 0; w < 16; ++w) {
        const Lane sum = x[w] + start[w];
        for (int l = 0; l < kLanes; ++l) out[l][w] = sum[l];
    }
}

#undef PIX_QUARTER
#undef PIX_ROTL

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

void scramblePixels(const QImage& src, QImage& dst, int type, const ChaChaKey& key, bool forward) {
    if (src.isNull() || dst.size() != src.size() || dst.format() != src.format()) return;
    const int w = src.width();
    switch (type) {
    case kRgb:
    case kRgba:
        eachRow(src, key, [&](int y, const uint32_t* ks) {
            const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(y));
            auto* out = reinterpret_cast<uint32_t*>(dst.scanLine(y));
            for (int x = 0; x < w; ++x) out[x] = in[x] ^ (ks[x] & 0x00FFFFFFu);
        });
        return;
    case kGrayAlpha:
        eachRow(src, key, [&](int y, const uint32_t* ks) {
            const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(y));
            auto* out = reinterpret_cast<uint32_t*>(dst.scanLine(y));
            for (int x = 0; x < w; ++x) out[x] = in[x] ^ ((ks[x] & 0xFFu) * 0x010101u);
        });
        return;
    case kGray:
        eachRow(src, key, [&](int y, const uint32_t* ks) {
            const uchar* in = src.constScanLine(y);
            uchar* out = dst.scanLine(y);
            for (int x = 0; x < w; ++x) out[x] = in[x] ^ uchar(ks[x]);
        });
        return;
    case kMono:
        eachRow(src, key, [&](int y, const uint32_t* ks) {
            uchar* out = dst.scanLine(y);
            std::copy_n(src.constScanLine(y), src.bytesPerLine(), out);
            for (int x = 0; x < w; ++x) out[x >> 3] ^= uchar((ks[x] & 1u) << (7 - (x & 7)));
        });
        return;
    case kIndexed:
    case kIndexedAlpha: {
        // Indexes turn round the colour table, so every result is a colour of the table; an
        // index outside the table is left as it is.
        const uint32_t n = uint32_t(src.colorCount());
        eachRow(src, key, [&](int y, const uint32_t* ks) {
            const uchar* in = src.constScanLine(y);
            uchar* out = dst.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const uint32_t step = n < 2 ? 0 : ks[x] % n;
                out[x] = in[x] >= n ? in[x] : uchar((in[x] + (forward ? step : n - step)) % n);
            }
        });
        return;
    }
    default:
        return;
    }
}

} // namespace pix::ops
