#pragma once

// Rendering without a window: a headless GL context set up for one record, for the command-line
// renderer, tests and benchmarks.

#include "export/render_to_buffer.h"
#include "gl/headless_context.h"
#include "model/slot_images.h"

#include <memory>

namespace cartonic {

class HeadlessRenderer {
public:
    // Makes a headless context current and sets up its GL state for data (light, floor pattern,
    // face lists). Unavailable, with the reason, when no context can be had.
    static Result<std::unique_ptr<HeadlessRenderer>> create(ProjectData& data);

    // Builds slot's texture from its picture in this renderer's context.
    void buildSlotTexture(FaceSlot& slot, const SlotImage& image);

    // The frame as camera sees it, width x height, without the selection outline; fails as
    // renderToBuffer does.
    Status render(const Camera& camera, int width, int height, RgbaPicture& out,
                  const RenderSettings& settings = {});

private:
    explicit HeadlessRenderer(ProjectData& data) : data_(data) {}
    ProjectData& data_;
    std::unique_ptr<gl::HeadlessContext> context_;
};

} // namespace cartonic
