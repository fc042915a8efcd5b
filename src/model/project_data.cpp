#include "model/project_data.h"

#include "model/box_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cartonic {

namespace {

struct FaceMaterial {
    float ambient, diffuse, specular; // grey levels; alpha is never written
};
inline constexpr FaceMaterial kDefaultFaceMaterial = {0.4f, 0.7f, 0.9f};

void setRgb(Rgba& colour, float grey) {
    colour[0] = colour[1] = colour[2] = grey;
}

} // namespace

ProjectData::ProjectData() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    for (int k = 0; k < kSlotCount; ++k) {
        faceSlots[k].faceIndex = k < kFaceCount ? k : 0;
    }
    setDefaults();
}

void ProjectData::setDefaults() {
    for (int k = 0; k < kFaceCount; ++k) {
        FaceSlot& slot = faceSlots[k];
        slot.faceIndex = k;
        slot.imagePath.fill(0);
        setRgb(slot.ambientColor, kDefaultFaceMaterial.ambient);
        setRgb(slot.diffuseColor, kDefaultFaceMaterial.diffuse);
        setRgb(slot.specularColor, kDefaultFaceMaterial.specular);
        slot.orientation = AsLoaded;
        slot.pixels = 0;
        slot.image = 0;
        slot.imageWidth = 0;
        slot.imageHeight = 0;
        slot.reservedWord1 = 0;
        slot.reservedWord2 = 0;
        slot.textureId = 0;
        slot.showTexture = 1;
    }

    outlineColor = {1.0f, 0.0f, 0.0f};
    showSelection = 1;
    lightingEnabled = 1;
    lightAmbient = {0.5f, 0.5f, 0.5f, 1.0f};
    lightDiffuse = {0.9f, 0.9f, 0.9f, 1.0f};
    lightSpecular = {1.0f, 1.0f, 1.0f, 1.0f};
    spotCutoff = 65.0f;
    spotExponent = 6;
    spareFlag = 1;
    lightAngle = 275.0f;
    lightHeight = 10.0f;
    solidBackground = 0;
    backgroundColor = {1.0f, 1.0f, 1.0f, 1.0f};
    backgroundPicturePath.fill(0);
    gradientBackground = 1;
    gradientTopColor = {0.0f, 0.3f, 0.2f, 1.0f};
    gradientBottomColor = {0.0f, 0.7f, 0.7f, 1.0f};
    showFloor = 1;
    floorHalfWidth = 25.0f;
    floorHalfDepth = 25.0f;
    showShadow = 1;
    showReflection = 1;
    floorPatternMipmaps = 1;
    floorTextureEnabled = 1;
    floorImagePath.fill(0);
    hideOverlays = 0;

    updateLightPosition();
}

void ProjectData::setDimensions(float width, float depth, float height) {
    boxWidth = width;
    boxDepth = depth;
    boxHeight = height;
    for (int k = 0; k < kFaceCount; ++k) {
        faceSlots[k].vertices = kUnitBox[k].corners;
        faceSlots[k].normal = kUnitBox[k].normal;
    }
}

void ProjectData::updateLightPosition() {
    // The products are formed in double and rounded once to float, as the stored defaults
    // (1.3250064, -11.926624) expect.
    const double a = lightAngle;
    const double h = lightHeight;
    const float x = static_cast<float>(kLightCircleRadius * std::cos(a));
    const float y = static_cast<float>(kLightCircleRadius * std::sin(a));
    lightPosition = {x, y, static_cast<float>(h), 1.0f};
    spotDirection = {static_cast<float>(-kLightCircleRadius * std::cos(a)),
                     static_cast<float>(-kLightCircleRadius * std::sin(a)), static_cast<float>(-h),
                     1.0f};
}

void setPath(Path& field, std::string_view text) {
    constexpr std::size_t kMaxCharacterBytes = 4; // the longest UTF-8 sequence
    const auto byte = [&text](std::size_t i) {
        return static_cast<unsigned char>(text[i]);
    };
    const auto continues = [&](std::size_t i) {
        return (byte(i) & 0xC0) == 0x80;
    };
    std::size_t n = std::min(text.size(), kPathSize - 1);
    if (n < text.size() && continues(n)) {
        // The cut falls inside a character: move it back to the character's first byte, which is
        // at most three bytes before. Bytes that are not UTF-8 have no first byte there and are
        // cut where they are, so a long non-UTF-8 path loses no more than it must.
        for (std::size_t back = 1; back < kMaxCharacterBytes && back <= n; ++back) {
            if (!continues(n - back)) {
                if (byte(n - back) >= 0xC0) {
                    n -= back;
                }
                break;
            }
        }
    }
    field.fill(0);
    std::memcpy(field.data(), text.data(), n);
}

std::string_view pathText(const Path& field) {
    const void* nul = std::memchr(field.data(), 0, field.size());
    const std::size_t n =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field.data()) : field.size();
    return {field.data(), n};
}

} // namespace cartonic
