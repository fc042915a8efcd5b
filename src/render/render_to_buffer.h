#pragma once

#include "base/status.h"
#include "camera/camera.h"
#include "image/rgba_picture.h"
#include "model/limits.h"
#include "model/project_data.h"
#include "model/scene_look.h"
#include "render/final_textures.h"
#include "render/frame_passes.h"
#include "render/scene_textures.h"

#include <array>
#include <string>
#include <vector>

namespace cartonic {

// How a picture is rendered, beyond its size and camera.
struct RenderSettings {
    int samples = kSmoothSamples;
    // Background and floor see-through: the box, its reflection and its shadow are what the
    // picture holds, each as opaque as it covers what is behind it.
    bool transparent = false;
    // The soft shadow and the fading mirror image.
    SceneLook look{};
    // With pictures, the faces and the floor are drawn from textures built for this picture
    // (FinalTextures); without, from the ones the call is given (which may be an
    // FinalTextures' alive for several pictures, as TurntableFrames keeps). What could not be done
    // as asked (a picture file gone) is said in *notes, one sentence each.
    const SlotPictures* pictures = nullptr;
    std::vector<std::string>* notes = nullptr;
};

// The passes a picture of samples a pixel takes in the current context.
PassPlan picturePasses(int samples);

// Draws the frame of data as camera sees it, with the objects textures names, into an offscreen
// target of exactly width x height in the current GL context, which must have had initGLState.
// The editor's handles (selection outline, light marker) are left out; the camera's aspect is
// used as it is, so a size of another shape stretches the view's picture. The framebuffer
// binding and viewport in force before the call are restored. Fails with the reason when no
// target of that size can be made: Usage for a side below 1, TooLarge past the context's limits,
// Unavailable when the driver cannot make one.
//
// The frame is drawn in tiles of a bounded number of samples each, read into the picture as they
// are done: a large or many-sampled picture costs its own bytes and a few times one tile's, not a
// whole multisampled frame. Samples beyond one pass's are had in passes (frame_passes.h), summed
// in integers and averaged.
Status renderToBuffer(const ProjectData& data, const SceneTextures& textures, const Camera& camera,
                      int width, int height, RgbaPicture& out, const RenderSettings& settings = {});

} // namespace cartonic
