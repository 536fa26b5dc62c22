// How the distortions and the perspective warp pick vector code: loops built twice by the
// compiler, and hand-written AVX2 paths taken where the processor has AVX2. AVX2 alone brings no
// fused multiply-add, so every build gives the same results.
#pragma once

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#include <immintrin.h>
#define PIX_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#define PIX_HOT_NO_FMA __attribute__((target_clones("avx2", "default"), optimize("O3")))
#define PIX_HAVE_AVX2_PATH 1
#define PIX_AVX2 __attribute__((target("avx2")))
#else
#define PIX_WIDE_VECTORS
#define PIX_HOT_NO_FMA
#define PIX_HAVE_AVX2_PATH 0
#endif

namespace pix::ops {

#if PIX_HAVE_AVX2_PATH
// Whether the processor runs AVX2 code.
inline bool haveAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
#endif

} // namespace pix::ops
