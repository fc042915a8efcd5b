// One frame of the default scene at 1280 x 800 against the same frame with reflection and
// shadow off, in pairs (see timePairs). Each frame is finished (glFinish) so the rasteriser's
// work is inside the time. The allocations counter counts the C++ allocations made while the
// frames are drawn, per pair of frames: a frame should make none.

#include "bench_support.h"

#include "gl/offscreen_target.h"
#include "render/headless_renderer.h"
#include "render/scene_renderer.h"

#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long long> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace cartonic;

constexpr int kFrameWidth = 1280;
constexpr int kFrameHeight = 800;
constexpr int kWarmUpFrames = 10;

// frameSeconds(true) against frameSeconds(false) in pairs, after the warm-up frames (the driver
// compiles its state variants over the first frames; that is not a frame's cost), with the
// allocations frameSeconds counted into frameAllocations as a counter every benchmark here has.
template <typename FrameSeconds>
void timeFramePairs(benchmark::State& state, FrameSeconds& frameSeconds,
                    long long& frameAllocations) {
    for (int i = 0; i < kWarmUpFrames; ++i) {
        frameSeconds(i % 2 == 0);
    }
    frameAllocations = 0;
    bench::timePairs(
        state, [&] { return frameSeconds(true); }, [&] { return frameSeconds(false); });
    state.counters["allocations"] =
        benchmark::Counter(double(frameAllocations), benchmark::Counter::kAvgIterations);
}

void BM_FrameVsFrameWithoutEffects(benchmark::State& state) {
    ProjectData data;
    data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    const auto renderer = HeadlessRenderer::create(data);
    if (!renderer) {
        state.SkipWithError(renderer.status.message().c_str());
        return;
    }
    const auto target = gl::OffscreenTarget::create(kFrameWidth, kFrameHeight);
    if (!target) {
        state.SkipWithError(target.status.message().c_str());
        return;
    }
    Camera camera = Camera::startUp();
    camera.setViewSize(kFrameWidth, kFrameHeight);
    const SceneTextures textures = renderer.value->textures(data, SlotImages{});
    long long frameAllocations = 0;
    const auto frameSeconds = [&](bool effects) {
        data.showReflection = effects ? 1 : 0;
        data.showShadow = effects ? 1 : 0;
        return bench::timed([&] {
            const long long before = allocations.load();
            camera.applyProjection();
            drawFrame(data, textures, {.outlinedFace = selectionOutline(data)});
            glFinish();
            frameAllocations += allocations.load() - before;
            return true;
        });
    };
    timeFramePairs(state, frameSeconds, frameAllocations);
}

} // namespace

BENCHMARK(BM_FrameVsFrameWithoutEffects)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
