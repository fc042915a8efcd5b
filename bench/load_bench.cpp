// Loading a 3000 x 2000 photograph: loadImage of the JPEG against the reference decoder (djpeg
// to PPM) on the same file, and buildSlotTexture of the loaded picture, whose reference is the
// load itself. Real time throughout: the reference runs as its own process.

#include "bench_support.h"

#include "gl/headless_context.h"
#include "image/image_loader.h"
#include "image/textures.h"

#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <malloc.h>

namespace {

using namespace cartonic;

// glibc raises its mmap threshold after the first large free, after which later loads reuse
// already-faulted heap pages a fresh load in the application would not have. A fixed threshold
// keeps every load paying for its own memory, as the first one does.
constexpr int kMmapThreshold = 128 * 1024;
[[maybe_unused]] const bool fixedMmapThreshold = mallopt(M_MMAP_THRESHOLD, kMmapThreshold) == 1;

void loadOnce(benchmark::State& state, const std::string& path) {
    FaceSlot slot{};
    SlotImage image;
    std::string why;
    if (!loadImage(slot, image, path, &why)) {
        state.SkipWithError(("loadImage failed: " + why).c_str());
    }
}

void BM_LoadImageJpeg(benchmark::State& state) {
    const std::string path = bench::inputPath("photo.jpg");
    loadOnce(state, bench::inputPath("tiny.jpg")); // the codec plugin is loaded once per run
    for (auto _ : state) {
        loadOnce(state, path);
    }
}

void BM_LoadImagePng(benchmark::State& state) {
    const std::string path = bench::inputPath("photo.png");
    for (auto _ : state) {
        loadOnce(state, path);
    }
}

void BM_DjpegReference(benchmark::State& state) {
    const std::string path = bench::inputPath("photo.jpg");
    for (auto _ : state) {
        const double seconds = bench::runTimed({"djpeg", "-ppm", "-outfile", "/dev/null", path});
        if (seconds < 0) {
            state.SkipWithError("djpeg did not run (install libjpeg-turbo-progs)");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_BuildSlotTexture(benchmark::State& state) {
    std::string why;
    auto context = gl::HeadlessContext::create(&why);
    if (!context) {
        state.SkipWithError(why.c_str());
        return;
    }
    FaceSlot slot{};
    SlotImage image;
    if (!loadImage(slot, image, bench::inputPath("photo.jpg"), &why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        buildSlotTexture(slot, image);
        glFinish();
    }
}

} // namespace

BENCHMARK(BM_LoadImageJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadImagePng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DjpegReference)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_BuildSlotTexture)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
