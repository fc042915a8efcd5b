#pragma once

// A picture refined a pass at a time: each pass is drawn into a single-sampled target of its own,
// added into a floating-point sum, and the mean of the passes so far can be shown in any
// framebuffer at once. The live view refines itself this way while nothing changes, a short pass
// at a time so that input is never kept waiting; the sum is precise for far more passes than a
// picture takes.

#include "base/status.h"
#include "render/frame_passes.h"

#include <cstdint>
#include <functional>

namespace cartonic {

// The passes a still view is refined with: as many as a picture made to keep takes, each
// single-sampled and shifted, the first few spread over the pixel so that the picture is already
// smooth after them and only sharpens further.
inline constexpr int kRefinePasses = 32;
inline PassPlan refinePlan() {
    return planPasses(kRefinePasses, 1);
}

class PassAccumulator {
public:
    PassAccumulator() = default;
    // Deletes the GL objects; needs the context they were made in to be current, or release()
    // called before while it was.
    ~PassAccumulator();
    PassAccumulator(const PassAccumulator&) = delete;
    PassAccumulator& operator=(const PassAccumulator&) = delete;

    // Forgets the passes summed so far and makes the targets width x height, unless they are
    // already. Fails with the reason when the driver cannot make them (no float colour buffers).
    Status start(int width, int height);
    // Binds the pass target, which has colour, depth and stencil, with the viewport covering it,
    // runs draw to draw one pass into it, and adds the pass to the sum. Leaves the pass target
    // bound.
    void add(const std::function<void()>& draw);
    // Forgets the passes summed so far, keeping the targets.
    void discard() { passes_ = 0; }
    // Passes summed since start.
    int passes() const { return passes_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Draws the mean of the passes so far over the whole of framebuffer, whose size must be the
    // targets', and leaves it bound for drawing. GL state other than the framebuffer binding is
    // given back.
    void show(std::uint32_t framebuffer) const;
    // Deletes the GL objects with their context current; start makes them again.
    void release();

private:
    int width_ = 0;
    int height_ = 0;
    int passes_ = 0;
    std::uint32_t passFramebuffer_ = 0;
    std::uint32_t passColour_ = 0; // a texture, so that it can be drawn into the sum
    std::uint32_t passDepthStencil_ = 0;
    std::uint32_t sumFramebuffer_ = 0;
    std::uint32_t sumColour_ = 0;
};

} // namespace cartonic
