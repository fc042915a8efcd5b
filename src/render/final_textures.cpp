#include "render/final_textures.h"

#include "gl/extensions.h"
#include "gl/gl_errors.h"
#include "image/picture_reduction.h"
#include "render/texel_need.h"
#include "render/textures.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace cartonic {

namespace {

// A mipmap chain adds a third to its first level's bytes.
constexpr double kMipmapShare = 4.0 / 3.0;
// A texture is filtered anisotropically when the footprint of a pixel on its surfaces is, at
// worst and rounded, from kLeastAnisotropy to kMostAnisotropy times longer than wide. Below, plain
// mipmapping is as sharp. Above, the surface is seen nearly edge-on somewhere, where sharpness
// shows least, and a software driver's elliptical filter there costs several frames' time.
constexpr float kLeastAnisotropy = 2.0f;
constexpr float kMostAnisotropy = 8.0f;
// The sharpest anisotropic filtering the context offers, up to kMostAnisotropy; 0 without it.
float anisotropy() {
    if (!gl::listsExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                            "GL_EXT_texture_filter_anisotropic")) {
        return 0.0f;
    }
    GLfloat most = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &most);
    return std::min(most, kMostAnisotropy);
}

// Whether the frame draws slot's picture.
bool showsPicture(const ProjectData& data, int slot) {
    if (slot == kFloorSlot) {
        return data.showFloor != 0 && data.floorTextureEnabled != 0;
    }
    return data.faceSlots[static_cast<std::size_t>(slot)].showTexture != 0;
}

std::size_t textureBytes(TextureSize size) {
    return static_cast<std::size_t>(static_cast<double>(size.width) * size.height * kRgbaBytes *
                                    kMipmapShare);
}

// A mipmapped texture of picture (packed RGBA); 0 when the context refused it.
GLuint uploadTexture(const QImage& picture, float anisotropy) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gl::clearPendingErrors();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The smaller levels are averaged here rather than by glGenerateMipmap: a software driver
    // builds them by drawing, and compiling that drawing costs more than the averaging.
    int width = picture.width();
    int height = picture.height();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 picture.constBits());
    std::vector<std::uint8_t> levels[2];
    const std::uint8_t* above = picture.constBits();
    for (GLint level = 1; width > 1 || height > 1; ++level) {
        const int w = std::max(1, width / 2);
        const int h = std::max(1, height / 2);
        std::vector<std::uint8_t>& next = levels[level % 2];
        next.resize(static_cast<std::size_t>(w) * h * kRgbaBytes);
        averageRgbaPicture(above, width, height, next.data(), w, h);
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     next.data());
        above = next.data();
        width = w;
        height = h;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    if (anisotropy > 0.0f) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
    }
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return 0;
    }
    return name;
}

} // namespace

FinalTextures::FinalTextures(const ProjectData& data, const SceneTextures& base,
                             const SlotPictures& pictures, const Camera& camera, int width,
                             int height, std::vector<std::string>* notes, const PassPlan& plan)
    : FinalTextures(data, base, pictures, std::vector<Camera>{camera}, width, height, notes, plan) {
}

FinalTextures::FinalTextures(const ProjectData& data, const SceneTextures& base,
                             const SlotPictures& pictures, const std::vector<Camera>& cameras,
                             int outputWidth, int outputHeight, std::vector<std::string>* notes,
                             const PassPlan& plan)
    : floorPattern_(base.floorPattern) {
    // The picture as its passes sample textures.
    const double scale = passTexelScale(plan);
    const int width = static_cast<int>(std::lround(outputWidth * scale));
    const int height = static_cast<int>(std::lround(outputHeight * scale));
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    std::array<TextureSize, kSlotCount> sizes{};
    std::size_t total = 0;
    for (int k = 0; k < kSlotCount; ++k) {
        if (!pictures.kept || (*pictures.kept)[k].empty() || !showsPicture(data, k)) {
            continue;
        }
        const FaceSlot& slot = data.faceSlots[k];
        const QSize kept = (*pictures.kept)[k].image.size();
        // The file's own size, as the slot recorded it when the picture was loaded.
        const int fileWidth = slot.imageWidth > 0 ? slot.imageWidth : kept.width();
        const int fileHeight = slot.imageHeight > 0 ? slot.imageHeight : kept.height();
        TextureSize needed = {1, 1};
        for (const Camera& camera : cameras) {
            const TextureSize seen = neededTexels(data, k, camera, width, height);
            needed = {std::max(needed.width, seen.width), std::max(needed.height, seen.height)};
        }
        sizes[k] = {std::min({needed.width, fileWidth, static_cast<int>(largest)}),
                    std::min({needed.height, fileHeight, static_cast<int>(largest)})};
        total += textureBytes(sizes[k]);
    }
    // A face's texels are bounded by its size on screen; the floor's, seen towards the horizon,
    // by nothing near, so the floor makes do with what the faces leave of the budget.
    TextureSize& floor = sizes[kFloorSlot];
    const std::size_t floorBytes = textureBytes(floor);
    const double left = kExportTextureBudget * width * height * kRgbaBytes -
                        static_cast<double>(total - floorBytes);
    if (floor.width != 0 && static_cast<double>(floorBytes) > left) {
        const double shrink = std::sqrt(std::max(0.0, left) / static_cast<double>(floorBytes));
        floor = {std::max(1, static_cast<int>(floor.width * shrink)),
                 std::max(1, static_cast<int>(floor.height * shrink))};
    }

    const float filtering = plan.passes > 1 ? 0.0f : anisotropy();
    for (int k = 0; k < kSlotCount; ++k) {
        const FaceSlot& slot = data.faceSlots[k];
        if (sizes[k].width == 0) {
            continue;
        }
        std::string note;
        const QImage picture = slotPicture(slot, pictures, k, sizes[k], &note);
        if (!note.empty() && notes) {
            notes->push_back(note);
        }
        // Anisotropic filtering costs a software driver dearly on every pixel it samples: a
        // texture asks for what its surfaces need in these views, within the bounds above.
        float filteringHere = 0.0f;
        if (filtering > 0.0f && !picture.isNull()) {
            double most = 1.0;
            for (const Camera& camera : cameras) {
                most = std::max(most, neededAnisotropy(data, k, camera, width, height,
                                                       {picture.width(), picture.height()}));
            }
            const float wanted = std::round(static_cast<float>(most));
            filteringHere = wanted >= kLeastAnisotropy && wanted <= kMostAnisotropy
                                ? std::min(filtering, wanted)
                                : 0.0f;
        }
        built_[k] = picture.isNull() ? 0 : uploadTexture(picture, filteringHere);
        if (built_[k] != 0) {
            bytes_ += textureBytes({picture.width(), picture.height()});
        } else {
            // The kept picture shows instead, as the view shows it.
            uploadSlotTexture(built_[k], (*pictures.kept)[k]);
        }
    }
    // The floor's tile, many times over towards the horizon, is the export's too for a while.
    if (filtering > 0.0f && floorPattern_ != 0) {
        glBindTexture(GL_TEXTURE_2D, floorPattern_);
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                            &previousPatternAnisotropy_);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, filtering);
        patternFiltered_ = true;
    }
}

FinalTextures::~FinalTextures() {
    if (patternFiltered_) {
        glBindTexture(GL_TEXTURE_2D, floorPattern_);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, previousPatternAnisotropy_);
    }
    for (unsigned& name : built_) {
        if (name != 0) {
            glDeleteTextures(1, &name);
        }
    }
}

SceneTextures FinalTextures::over(const SceneTextures& base) const {
    SceneTextures drawn = base;
    for (int k = 0; k < kSlotCount; ++k) {
        if (built_[k] != 0) {
            drawn.pictures[k] = built_[k];
        }
    }
    return drawn;
}

} // namespace cartonic
