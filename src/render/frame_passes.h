#pragma once

// A picture drawn in passes and averaged. Up to what the context multisamples at once, a picture
// is one multisampled pass. Beyond, it is one single-sampled pass per sample, each with the
// camera's projection shifted so that its sample lands on a point of a rank-1 lattice over the
// pixel (a well-spread pattern: one point in each column, the rows spaced by a generator chosen by
// measurement). A software rasteriser pays for every sample either way; the driver's multisample
// positions are fixed, so shifted multisampled passes would pile their samples up in four
// clusters, while single-sampled ones cover the pixel evenly and sample its textures each time.
//
// Every pixel takes the first round of passes; a pixel whose passes there all agree (the inside
// of a face, the sky) gives their mean, and only blocks of pixels where they differ (edges,
// pictures' detail) take the other passes.

#include "camera/camera.h"
#include "model/project_data.h"
#include "render/scene_renderer.h"
#include "render/scene_textures.h"

namespace cartonic {

// How a picture's samples a pixel are had.
struct PassPlan {
    int perPass = 1;    // samples each pass's target takes (multisampled above 1)
    int passes = 1;     // passes where the picture has detail
    int firstRound = 1; // passes every pixel takes
};

// The plan for samples a pixel (below 1 counts as 1) when a target takes at most offered
// (gl::OffscreenTarget::maxSamples()).
PassPlan planPasses(int samples, int offered);

// A shift of the picture, in pixels rightwards and upwards.
struct PixelShift {
    float x = 0.0f;
    float y = 0.0f;
};

// Pass pass's shift (0 <= pass < plan.passes); none when there is one pass. The first round's
// passes are a lattice of their own, every plan.passes / plan.firstRound-th point of the whole.
PixelShift passShift(const PassPlan& plan, int pass);

// The point of the light's disc pass casts its shadow from (FrameOptions::lightDisc): the pass's
// shift carried onto the unit disc by a mapping that keeps areas, its axes swapped so that where
// a pass samples the pixel and where it samples the light do not go together. The centre for a
// picture of one pass.
std::array<float, 2> passLightDisc(const PassPlan& plan, int pass);

// The texture level-of-detail bias pass draws with: -1/2 log2(n) for the n passes its pixels take
// (the first round's, or all), so that textures are sampled as sharply as in a picture with n
// times the pixels, which the mean of the passes then filters as that picture reduced would. 0
// for one pass.
float passLodBias(const PassPlan& plan, int pass);

// How many times the side of the picture its textures need texels for (final_textures.h): the
// picture's sides times the square root of its passes, as the bias samples them, up to
// kMaxTexelScale, beyond which pictures' textures would cost more memory than sharpness shows.
inline constexpr double kMaxTexelScale = 4.0;
double passTexelScale(const PassPlan& plan);

// The part of a width x height picture a target holds: the picture's pixels from (x, y) on, in
// OpenGL's rows (from the bottom).
struct PictureArea {
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

// Draws pass pass of plan: drawFrame(data, textures, options) as camera sees it, the projection
// shifted by passShift, textures biased by passLodBias and the shadow cast from passLightDisc,
// into the bound framebuffer, which holds
// area of the picture. Needs what drawFrame needs but the projection, which it loads; the
// viewport it sets stays, the texture bias is given back.
void drawPass(const ProjectData& data, const SceneTextures& textures, const FrameOptions& options,
              const Camera& camera, const PictureArea& area, const PassPlan& plan, int pass);

} // namespace cartonic
