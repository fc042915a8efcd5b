// Start-up to the first painted frame: the application (bench_start_cartonic) against a minimal
// QOpenGLWidget program (bench_start_minimal), each timed from spawning the process to the byte
// it writes when its first frame is painted. Needs a display.

#include "bench_support.h"

#include <benchmark/benchmark.h>

namespace {

void startUp(benchmark::State& state, const char* program) {
    for (auto _ : state) {
        const double seconds = cartonic::bench::runUntilFirstOutput({program});
        if (seconds < 0) {
            state.SkipWithError("the program did not paint (is there a display?)");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_StartCartonic(benchmark::State& state) {
    startUp(state, CARTONIC_START_PROGRAM);
}
void BM_StartMinimal(benchmark::State& state) {
    startUp(state, MINIMAL_START_PROGRAM);
}

} // namespace

BENCHMARK(BM_StartCartonic)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_StartMinimal)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
