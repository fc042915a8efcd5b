#pragma once

// The GL objects a frame is drawn with, kept apart from the project record: the record says what
// the scene is, these are one context's means of drawing it. Whoever owns a context owns one
// SceneResources and hands its names to every frame it draws there.

#include "model/project_data.h"
#include "model/runtime_names.h"
#include "model/slot_images.h"

#include <QtGlobal>

#include <array>

namespace cartonic {

// Builds and keeps up to date the objects of one context: the face lists (from the record's face
// geometry), the floor pattern (with or without mipmaps, as the record asks) and a texture for
// each slot that holds a picture. Every call needs the context current.
class SceneResources {
public:
    // Brings every object up to data and images: a list is rebuilt when its face's geometry
    // changed, the pattern when its filtering did, and a slot's texture deleted when the slot
    // holds no picture. With uploads, a picture is uploaded when the slot's picture is another
    // (QImage data, by cache key); without, frames that draw textures of their own (an export)
    // do not pay for the kept pictures.
    enum class Pictures { Upload, Skip };
    void update(const ProjectData& data, const SlotImages& images,
                Pictures pictures = Pictures::Upload);

    // Deletes every object. The names are then all 0.
    void release();

    const SceneTextures& names() const { return names_; }

private:
    struct FaceShape {
        std::array<FaceVertex, 4> vertices;
        std::array<float, 3> normal;
    };

    SceneTextures names_;
    std::array<FaceShape, kFaceCount> listShapes_{};
    std::array<qint64, kSlotCount> uploaded_{}; // cache key of each texture's picture
    int patternMipmaps_ = -1;                   // the pattern's, once built
};

} // namespace cartonic
