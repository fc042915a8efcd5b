// Start-up to the first painted frame: the application (bench_start_cartonic) against a minimal
// QOpenGLWidget program (bench_start_minimal), each timed from spawning the process to the byte
// it writes when its first frame is painted, in pairs (see timePairs). Needs a display.

#include "bench_support.h"

#include <benchmark/benchmark.h>

namespace {

void BM_StartCartonicVsMinimal(benchmark::State& state) {
    cartonic::bench::timePairs(
        state, [] { return cartonic::bench::runUntilFirstOutput({CARTONIC_START_PROGRAM}); },
        [] { return cartonic::bench::runUntilFirstOutput({MINIMAL_START_PROGRAM}); });
}

} // namespace

BENCHMARK(BM_StartCartonicVsMinimal)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
