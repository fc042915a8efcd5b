#pragma once

// Rendering without a window: a headless GL context set up for one record, for the command-line
// renderer, tests and benchmarks.

#include "export/render_to_buffer.h"
#include "gl/headless_context.h"
#include "model/slot_images.h"

#include <memory>
#include <string>

namespace cartonic {

class HeadlessRenderer {
public:
    // Makes a headless context current and sets up its GL state for data (light, floor pattern,
    // face lists). Returns nullptr with the reason in *why when no context can be had.
    static std::unique_ptr<HeadlessRenderer> create(ProjectData& data, std::string* why);

    // Makes this renderer's context current, for drawing through other calls (TurntableFrames).
    void makeCurrent();

    // Builds slot's texture from its picture in this renderer's context.
    void buildSlotTexture(FaceSlot& slot, const SlotImage& image);

    // The frame as camera sees it, width x height, without the selection outline.
    bool render(const Camera& camera, int width, int height, RgbaPicture& out,
                std::string* why = nullptr, const RenderSettings& settings = {});

private:
    explicit HeadlessRenderer(ProjectData& data) : data_(data) {}
    ProjectData& data_;
    std::unique_ptr<gl::HeadlessContext> context_;
};

} // namespace cartonic
