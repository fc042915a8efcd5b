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

} // namespace cartonic
