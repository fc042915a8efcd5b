#pragma once

// The fixed unit box: x and y from -1 to 1, z from 0 to 2, standing on the floor plane z = 0. Its
// size reaches the picture only through the scale the renderer applies, so these corners never
// change. Texture row t = 0 is the top of a picture: side faces show their pictures upright.

#include "model/project_data.h"

namespace cartonic {

struct FaceGeometry {
    std::array<FaceVertex, 4> corners;
    std::array<float, 3> normal;
};

inline constexpr std::array<FaceGeometry, kFaceCount> kUnitBox = {{
    // Top, z = 2
    {{{{1, 1, 2, 1, 1, 0}, {-1, 1, 2, 0, 1, 0}, {-1, -1, 2, 0, 0, 0}, {1, -1, 2, 1, 0, 0}}},
     {0, 0, 1}},
    // Bottom, z = 0
    {{{{1, 1, 0, 1, 1, 0}, {-1, 1, 0, 0, 1, 0}, {-1, -1, 0, 0, 0, 0}, {1, -1, 0, 1, 0, 0}}},
     {0, 0, -1}},
    // Front, y = -1
    {{{{-1, -1, 0, 0, 1, 0}, {1, -1, 0, 1, 1, 0}, {1, -1, 2, 1, 0, 0}, {-1, -1, 2, 0, 0, 0}}},
     {0, -1, 0}},
    // Back, y = +1
    {{{{1, 1, 0, 0, 1, 0}, {-1, 1, 0, 1, 1, 0}, {-1, 1, 2, 1, 0, 0}, {1, 1, 2, 0, 0, 0}}},
     {0, 1, 0}},
    // Right, x = -1
    {{{{-1, 1, 0, 0, 1, 0}, {-1, -1, 0, 1, 1, 0}, {-1, -1, 2, 1, 0, 0}, {-1, 1, 2, 0, 0, 0}}},
     {-1, 0, 0}},
    // Left, x = +1
    {{{{1, -1, 0, 0, 1, 0}, {1, 1, 0, 1, 1, 0}, {1, 1, 2, 1, 0, 0}, {1, -1, 2, 0, 0, 0}}},
     {1, 0, 0}},
}};

// How a face's picture is laid on it, by Orientation: the texture coordinates (s, t) of a point of
// the face become (ss s + st t + s0, ts s + tt t + t0). Flips and turns act about the middle of
// the picture, (0.5, 0.5); turns are counter-clockwise in texture space. The view draws with it
// as its texture matrix and the 3D model export bakes it into the coordinates it writes, so the
// two show a face's picture the same way.
struct TextureTransform {
    float ss, st, s0;
    float ts, tt, t0;

    constexpr std::array<float, 2> apply(float s, float t) const {
        return {ss * s + st * t + s0, ts * s + tt * t + t0};
    }
};

inline constexpr std::array<TextureTransform, 6> kOrientationTransforms = {{
    {1, 0, 0, 0, 1, 0},   // AsLoaded
    {1, 0, 0, 0, -1, 1},  // FlipHorizontal: t becomes 1 - t
    {-1, 0, 1, 0, 1, 0},  // FlipVertical: s becomes 1 - s
    {0, -1, 1, 1, 0, 0},  // Turn90
    {-1, 0, 1, 0, -1, 1}, // Turn180
    {0, 1, 0, -1, 0, 1},  // Turn270
}};

// The transform of an orientation; values outside AsLoaded..Turn270 lay the picture as loaded.
constexpr const TextureTransform& orientationTransform(std::int32_t orientation) {
    return kOrientationTransforms[orientation >= AsLoaded && orientation <= Turn270
                                      ? static_cast<std::size_t>(orientation)
                                      : std::size_t{AsLoaded}];
}

} // namespace cartonic
