// Start-up of the command-line renderer: cartonic-render drawing the sample project at 64 x 64
// against a minimal EGL program drawing the same kind of frame with the same pictures and reading
// it back (bench_render_minimal_egl), each timed from spawning the process to its end, each side
// the median of runs that alternate with the other's (see timeMedians). Needs no display.

#include "bench_support.h"

#include <benchmark/benchmark.h>

namespace {

// Runs of each side in one repetition: one run is a fraction of a second, and the medians of a
// few runs leave out the ones a busy moment of the machine lengthened.
constexpr int kRunsPerSide = 9;

void BM_RenderStartVsMinimalEgl(benchmark::State& state) {
    const std::string output = cartonic::bench::inputPath("start.png");
    cartonic::bench::timeMedians(
        state,
        [&output] {
            return cartonic::bench::runTimed({CARTONIC_RENDER_PROGRAM, CARTONIC_SAMPLE_PROJECT,
                                              "-o", output, "--size", "64x64"});
        },
        [] {
            // The sample's pictures, in the minimal program's order of faces.
            const std::string art = CARTONIC_SAMPLE_ART;
            return cartonic::bench::runTimed(
                {MINIMAL_RENDER_PROGRAM, art + "/top.png", art + "/bottom.png", art + "/front.png",
                 art + "/back.png", art + "/left.png", art + "/right.png", art + "/floor.png"});
        });
}

} // namespace

BENCHMARK(BM_RenderStartVsMinimalEgl)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRunsPerSide);

BENCHMARK_MAIN();
