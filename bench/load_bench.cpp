// Loading a 3000 x 2000 photograph: loadImage of the JPEG against the reference decoder (djpeg
// to PPM) on the same file, a 6000 x 4000 one against that decoder's eighth-size decode, and
// uploadSlotTexture of the loaded picture against the load itself.
// Wall-clock time in pairs (see timePairs): the reference decoder runs as a process of its own.

#include "bench_support.h"

#include "gl/headless_context.h"
#include "image/image_loader.h"
#include "render/textures.h"

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

// One whole load into a fresh slot, released again, in seconds; negative when it fails.
double loadSeconds(const std::string& path) {
    return bench::timed([&path] {
        FaceSlot slot{};
        SlotImage image;
        return loadImage(slot, image, path).ok();
    });
}

void BM_LoadVsDjpeg(benchmark::State& state) {
    const std::string path = bench::inputPath("photo.jpg");
    loadSeconds(bench::inputPath("tiny.jpg")); // the codec plugin is loaded once per run
    bench::timePairs(
        state, [&path] { return loadSeconds(path); },
        [&path] {
            return bench::runTimed({"djpeg", "-ppm", "-outfile", "/dev/null", path});
        });
}

// A camera's 6000 x 4000 photograph into a slot, which keeps it at its texture size, against the
// reference decoder's own eighth-size decode of it (plain colour upsampling, as the load's): the
// floor for reading the file at that size, since every coefficient is still entropy-decoded at
// any scale.
void BM_LargeLoadVsScaledDjpeg(benchmark::State& state) {
    const std::string path = bench::inputPath("large.jpg");
    loadSeconds(bench::inputPath("tiny.jpg"));
    bench::timePairs(
        state, [&path] { return loadSeconds(path); },
        [&path] {
            return bench::runTimed(
                {"djpeg", "-scale", "1/8", "-nosmooth", "-ppm", "-outfile", "/dev/null", path});
        });
}

void BM_TextureVsLoad(benchmark::State& state) {
    const auto context = gl::HeadlessContext::create();
    FaceSlot slot{};
    SlotImage image;
    unsigned texture = 0;
    const std::string path = bench::inputPath("photo.jpg");
    if (!context) {
        state.SkipWithError(context.status.message().c_str());
        return;
    }
    if (const Status loaded = loadImage(slot, image, path); !loaded) {
        state.SkipWithError(loaded.message().c_str());
        return;
    }
    bench::timePairs(
        state,
        [&] {
            return bench::timed([&] {
                uploadSlotTexture(texture, image);
                glFinish();
                return true;
            });
        },
        [&path] { return loadSeconds(path); });
}

} // namespace

BENCHMARK(BM_LoadVsDjpeg)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_LargeLoadVsScaledDjpeg)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_TextureVsLoad)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
