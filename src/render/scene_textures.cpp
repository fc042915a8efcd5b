#include "render/scene_textures.h"

#include "render/face_lists.h"
#include "render/textures.h"

#include <GL/gl.h>

#include <algorithm>

namespace cartonic {

namespace {

template <class T>
bool sameBytes(const T& a, const T& b) {
    const auto* x = reinterpret_cast<const unsigned char*>(&a);
    const auto* y = reinterpret_cast<const unsigned char*>(&b);
    return std::equal(x, x + sizeof(T), y);
}

} // namespace

void SceneResources::update(const ProjectData& data, const SlotImages& images, Pictures pictures) {
    for (int k = 0; k < kFaceCount; ++k) {
        const FaceSlot& slot = data.faceSlots[k];
        FaceShape& built = listShapes_[k];
        // Compared as bytes: a NaN a file may hold is then the same NaN, not a change each frame.
        const bool same = names_.faceLists[k] != 0 && sameBytes(built.vertices, slot.vertices) &&
                          sameBytes(built.normal, slot.normal);
        if (same) {
            continue;
        }
        if (names_.faceLists[k] != 0) {
            glDeleteLists(names_.faceLists[k], 1);
        }
        names_.faceLists[k] = buildFaceList(slot);
        built = {slot.vertices, slot.normal};
    }
    const int mipmaps = data.floorPatternMipmaps != 0 ? 1 : 0;
    if (mipmaps != patternMipmaps_) {
        if (names_.floorPattern != 0) {
            glDeleteTextures(1, &names_.floorPattern);
        }
        names_.floorPattern = buildFloorPattern(mipmaps != 0);
        patternMipmaps_ = mipmaps;
    }
    if (names_.fadeRamp == 0) {
        names_.fadeRamp = buildFadeRamp();
    }
    for (int k = 0; k < kSlotCount; ++k) {
        const SlotImage& image = images[k];
        unsigned& name = names_.pictures[k];
        if (image.empty()) {
            if (name != 0) {
                glDeleteTextures(1, &name);
                name = 0;
            }
            uploaded_[k] = 0;
            continue;
        }
        if (pictures == Pictures::Skip || (name != 0 && uploaded_[k] == image.image.cacheKey())) {
            continue;
        }
        // A picture the texture cannot hold leaves the slot untextured, and is not tried again
        // every frame.
        uploadSlotTexture(name, image);
        uploaded_[k] = image.image.cacheKey();
    }
}

void SceneResources::release() {
    for (unsigned& name : names_.pictures) {
        if (name != 0) {
            glDeleteTextures(1, &name);
        }
    }
    for (unsigned list : names_.faceLists) {
        if (list != 0) {
            glDeleteLists(list, 1);
        }
    }
    for (unsigned name : {names_.floorPattern, names_.fadeRamp}) {
        if (name != 0) {
            glDeleteTextures(1, &name);
        }
    }
    *this = SceneResources{};
}

} // namespace cartonic
