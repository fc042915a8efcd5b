#pragma once

// A framebuffer object with colour, depth and stencil, in the current context. Used for every
// picture that is not drawn into a window: render tests, the image export and cartonic-render.
// Works in any context that has framebuffer objects (the headless one or the view's).
//
// With more than one sample a pixel, every attachment is multisampled (the stencil passes of a
// frame then mark each sample, so the mirror and the shadow keep to their areas at the edges)
// and reading resolves the samples into a single-sampled copy first.

#include "base/status.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace cartonic::gl {

// Bits a colour channel has: 8 for pictures as they are written, 16 for frames that are combined
// further before they become 8-bit pictures (a transparent picture is worked out from two).
enum class ColourBits { Eight, Sixteen };

class OffscreenTarget {
public:
    // Creates a width x height target in the current context and binds it for drawing, with the
    // viewport covering it. samples above 1 asks for that many samples a pixel, clamped to what
    // the context offers (maxSamples). Fails with the reason when a side is below 1 (Usage) or
    // exceeds what the context allows (TooLarge), or the framebuffer is incomplete (Unavailable).
    static Result<std::unique_ptr<OffscreenTarget>> create(int width, int height, int samples = 1,
                                                           ColourBits bits = ColourBits::Eight);

    // The most samples a pixel a target may have in the current context; 1 without multisampling.
    static int maxSamples();

    // Deletes the framebuffer; needs the context it was made in to be current.
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Samples a pixel as made (the driver may give more than asked); 1 when single-sampled.
    int samples() const { return samples_; }
    std::uint32_t framebuffer() const { return framebuffer_; }

    // Binds the target for drawing and sets the viewport to cover it.
    void bind() const;

    // The colour buffer as RGBA bytes, top row first (rows flipped from OpenGL's bottom-up order),
    // width x height x 4 bytes with no padding.
    std::vector<std::uint8_t> readRgba() const;

    // Copies the colour buffer, its samples resolved, into the same-sized framebuffer named, and
    // leaves that one bound for drawing: to show a multisampled frame in a window's buffer.
    void resolveInto(std::uint32_t framebuffer) const;

    // Reads the w x h block whose bottom-left pixel is (x, y), in OpenGL's rows (bottom up), as
    // RGBA of 8 bits (ColourBits::Eight) or 16 bits a channel into out, rows rowPixels pixels
    // apart; with topFirst the block's top row comes first. Leaves the target bound for drawing.
    void readBlock(int x, int y, int w, int h, void* out, int rowPixels, bool topFirst) const;

private:
    OffscreenTarget() = default;
    // The samples of the multisampled buffers, resolved into the single-sampled copy.
    void resolve(int x, int y, int w, int h) const;

    int width_ = 0;
    int height_ = 0;
    int samples_ = 1;
    ColourBits bits_ = ColourBits::Eight;
    std::uint32_t framebuffer_ = 0;
    std::uint32_t colour_ = 0;
    std::uint32_t depthStencil_ = 0;
    // Multisampled targets only: the single-sampled framebuffer reads come from.
    std::uint32_t resolved_ = 0;
    std::uint32_t resolvedColour_ = 0;
    std::int32_t previousFramebuffer_ = 0;
};

} // namespace cartonic::gl
