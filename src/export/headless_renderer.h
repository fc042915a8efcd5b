#pragma once

// Rendering without a window: a headless GL context set up for one record, for the command-line
// renderer, tests and benchmarks.

#include "export/render_to_buffer.h"
#include "gl/headless_context.h"
#include "model/slot_images.h"

#include <array>
#include <memory>

namespace cartonic {

class HeadlessRenderer {
public:
    // Makes a headless context current and sets up its GL state for data (light, floor pattern,
    // face lists). data is the record every later call draws; it outlives the renderer.
    // Unavailable, with the reason, when no context can be had.
    static Result<std::unique_ptr<HeadlessRenderer>> create(ProjectData& data);
    ~HeadlessRenderer();

    // Makes this renderer's context current, for drawing through other calls (TurntableFrames).
    void makeCurrent();

    // For a record that has replaced the one the context was set up for (in the same object, its
    // runtime fields kept, as loadProject keeps them): loads its light and settings, and remakes
    // the floor pattern when the record asks for other filtering.
    void prepareRecord();

    // Gives slot its texture in this renderer's context, built from its picture when a frame
    // first draws it: render without pictures does, an export draws its own textures instead. A
    // slot keeps its texture name from one record to the next, and a picture already in it (the
    // same QImage data, as a PictureCache hands out) is not uploaded again.
    void buildSlotTexture(FaceSlot& slot, const SlotImage& image);

    // The frame as camera sees it, width x height, without the selection outline; fails as
    // renderToBuffer does.
    Status render(const Camera& camera, int width, int height, RgbaPicture& out,
                  const RenderSettings& settings = {});

private:
    explicit HeadlessRenderer(ProjectData& data) : data_(data) {}
    void uploadPending();

    ProjectData& data_;
    std::unique_ptr<gl::HeadlessContext> context_;
    std::int32_t patternMipmaps_ = 0;
    std::array<unsigned, kSlotCount> textureNames_{};
    std::array<qint64, kSlotCount> uploaded_{};   // QImage::cacheKey of each texture's picture
    std::array<SlotImage, kSlotCount> pending_{}; // pictures not uploaded yet; empty for none
};

} // namespace cartonic
