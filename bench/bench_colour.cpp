// The colour picker's field: regenerating all 256 rows must stay within 5 ms, so typing in the
// decimal boxes and dragging on the hue strip keep up. Marker moves never regenerate it.
#include "colour/colour_math.h"

#include <benchmark/benchmark.h>

static void BM_FieldRegeneration(benchmark::State& state) {
    QImage field(256, 256, QImage::Format_RGB32);
    const bool webSafe = state.range(0) != 0;
    int base = 0;
    for (auto _ : state) {
        colour::drawField(field, {255, base & 255, 60}, webSafe);
        benchmark::DoNotOptimize(field.constBits());
        ++base;
    }
    state.SetLabel(webSafe ? "web-safe" : "plain");
}
BENCHMARK(BM_FieldRegeneration)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_GradientBar(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(colour::gradientBar(0x000000, 0xFFFFFF, 40, 21));
}
BENCHMARK(BM_GradientBar)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
