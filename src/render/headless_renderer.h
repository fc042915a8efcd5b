#pragma once

// Rendering without a window: a headless GL context and the objects it draws with, for the
// command-line renderer, tests and benchmarks. It draws whatever record it is handed.

#include "gl/headless_context.h"
#include "model/slot_images.h"
#include "render/render_to_buffer.h"
#include "render/scene_textures.h"

#include <memory>

namespace cartonic {

class HeadlessRenderer {
public:
    // Makes a headless context current and sets up its GL state for data's light and settings.
    // Unavailable, with the reason, when no context can be had.
    static Result<std::unique_ptr<HeadlessRenderer>> create(const ProjectData& data);
    // Deletes the context's objects, with the context current.
    ~HeadlessRenderer();

    // Makes this renderer's context current, for drawing through other calls (TurntableFrames);
    // Unavailable when the driver refuses.
    Status makeCurrent();

    // For another record than the last one drawn: loads its light and settings into the context.
    void prepareRecord(const ProjectData& data);

    // The context's objects for frames of data: face lists and floor pattern, and the textures of
    // images' pictures unless pictures says the frames draw textures of their own (an export),
    // which then costs no upload. A picture already uploaded (the same QImage data, as a
    // PictureCache hands out) is not uploaded again. Needs the context current.
    const SceneTextures&
    textures(const ProjectData& data, const SlotImages& images,
             SceneResources::Pictures pictures = SceneResources::Pictures::Upload);

    // The names of the context's objects as the last frame left them.
    const SceneTextures& names() const { return resources_.names(); }

    // The frame of data as camera sees it, width x height, without the selection outline; fails
    // as renderToBuffer does.
    Status render(const ProjectData& data, const SlotImages& images, const Camera& camera,
                  int width, int height, RgbaPicture& out, const RenderSettings& settings = {});

private:
    HeadlessRenderer() = default;

    std::unique_ptr<gl::HeadlessContext> context_;
    SceneResources resources_;
};

} // namespace cartonic
