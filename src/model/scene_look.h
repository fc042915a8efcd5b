#pragma once

// Settings of the scene's look that the record has no room for. They live in the project file's
// extension, and a frame is drawn with them beside the record. Zero for each is the record's own
// picture: a hard planar shadow and a perfect mirror.

namespace cartonic {

struct SceneLook {
    // 0: the hard shadow of a point light; up to 1: the light spread over a disc, the shadow
    // averaged over the passes of a final picture or a settled view.
    float shadowSoftness = 0.0f;
    // 0: the mirror image at full strength; F > 0: its opacity falls with height above the
    // floor and reaches 0 at F times the box's height.
    float reflectionFade = 0.0f;

    static constexpr float kMin = 0.0f;
    static constexpr float kMax = 1.0f;

    bool operator==(const SceneLook&) const = default;
};

} // namespace cartonic
