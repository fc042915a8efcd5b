// One frame of the default scene at 1280 x 800 against the same frame with reflection and
// shadow off. Each frame is finished (glFinish) so the rasteriser's work is inside the time.
// The allocations counter counts C++ allocations per frame: a frame should make none.

#include "export/headless_renderer.h"
#include "gl/offscreen_target.h"
#include "render/scene_renderer.h"

#include <benchmark/benchmark.h>

#include <GL/gl.h>

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

void frames(benchmark::State& state, bool effects) {
    ProjectData data;
    data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    std::string why;
    auto renderer = HeadlessRenderer::create(data, &why);
    auto target = renderer ? gl::OffscreenTarget::create(kFrameWidth, kFrameHeight, &why) : nullptr;
    if (!target) {
        state.SkipWithError(why.c_str());
        return;
    }
    if (!effects) {
        data.showReflection = 0;
        data.showShadow = 0;
    }
    Camera camera = Camera::startUp();
    camera.setViewSize(kFrameWidth, kFrameHeight);
    const auto drawOne = [&] {
        camera.applyProjection();
        drawFrame(data);
        glFinish();
    };
    // The driver compiles its state variants over the first frames; that is not a frame's cost.
    for (int i = 0; i < kWarmUpFrames; ++i) {
        drawOne();
    }
    const long long before = allocations.load();
    for (auto _ : state) {
        drawOne();
    }
    state.counters["allocations"] =
        benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_Frame(benchmark::State& state) {
    frames(state, true);
}
void BM_FrameWithoutEffects(benchmark::State& state) {
    frames(state, false);
}

} // namespace

BENCHMARK(BM_Frame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameWithoutEffects)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
