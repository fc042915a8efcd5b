#pragma once

// A framebuffer object with colour, depth and stencil, in the current context. Used for every
// picture that is not drawn into a window: render tests, the image export and cartonic-render.
// Works in any context that has framebuffer objects (the headless one or the view's).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cartonic::gl {

class OffscreenTarget {
public:
    // Creates a width x height target in the current context and binds it for drawing, with the
    // viewport covering it. Returns nullptr and the reason in *error when the size exceeds what
    // the context allows or the framebuffer is incomplete.
    static std::unique_ptr<OffscreenTarget> create(int width, int height, std::string* error);

    // Deletes the framebuffer; needs the context it was made in to be current.
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t framebuffer() const { return framebuffer_; }

    // Binds the target for drawing and sets the viewport to cover it.
    void bind() const;

    // The colour buffer as RGBA bytes, top row first (rows flipped from OpenGL's bottom-up order),
    // width x height x 4 bytes with no padding.
    std::vector<std::uint8_t> readRgba() const;

private:
    OffscreenTarget() = default;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t framebuffer_ = 0;
    std::uint32_t colour_ = 0;
    std::uint32_t depthStencil_ = 0;
    std::int32_t previousFramebuffer_ = 0;
};

} // namespace cartonic::gl
