#include "cli/project_json.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <limits>

namespace cartonic {

namespace {

// Keys in the record's own order, and floats kept as floats so they print in their shortest
// round-trip form (1.3250065, not the double nearest it).
using RecordJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                        std::int64_t, std::uint64_t, float>;

RecordJson jsonNumber(float v) {
    if (!std::isfinite(v)) {
        return nullptr; // JSON has no NaN or infinity
    }
    // Whole numbers print without a fraction, as 5 and not 5.0; -0 keeps its sign.
    constexpr float kExactIntegers = 16777216.0f; // 2^24: every float below it is exact
    if (v == std::trunc(v) && std::fabs(v) < kExactIntegers && !(v == 0.0f && std::signbit(v))) {
        return static_cast<std::int64_t>(v);
    }
    return v;
}

template <std::size_t N>
RecordJson floats(const std::array<float, N>& values) {
    RecordJson array = RecordJson::array();
    for (float v : values) {
        array.push_back(jsonNumber(v));
    }
    return array;
}

RecordJson text(const Path& path) {
    return std::string(pathText(path));
}

RecordJson slotJson(const FaceSlot& slot) {
    RecordJson vertices = RecordJson::array();
    for (const FaceVertex& v : slot.vertices) {
        vertices.push_back({{"x", jsonNumber(v.x)},
                            {"y", jsonNumber(v.y)},
                            {"z", jsonNumber(v.z)},
                            {"s", jsonNumber(v.s)},
                            {"t", jsonNumber(v.t)}});
    }
    RecordJson reserved = RecordJson::array();
    for (std::uint8_t b : slot.reservedBlock) {
        reserved.push_back(b);
    }
    RecordJson j = RecordJson::object();
    j["faceIndex"] = slot.faceIndex;
    j["imagePath"] = text(slot.imagePath);
    j["ambientColor"] = floats(slot.ambientColor);
    j["diffuseColor"] = floats(slot.diffuseColor);
    j["specularColor"] = floats(slot.specularColor);
    j["reservedBlock"] = reserved;
    j["orientation"] = slot.orientation;
    j["vertices"] = vertices;
    j["normal"] = floats(slot.normal);
    j["displayList"] = slot.displayList;
    j["pixels"] = slot.pixels;
    j["image"] = slot.image;
    j["imageWidth"] = slot.imageWidth;
    j["imageHeight"] = slot.imageHeight;
    j["reservedWord1"] = slot.reservedWord1;
    j["reservedWord2"] = slot.reservedWord2;
    j["textureId"] = slot.textureId;
    j["showTexture"] = slot.showTexture;
    return j;
}

} // namespace

std::string projectToJson(const ProjectData& d) {
    RecordJson slotList = RecordJson::array();
    for (const FaceSlot& slot : d.faceSlots) {
        slotList.push_back(slotJson(slot));
    }
    RecordJson j = RecordJson::object();
    j["boxWidth"] = jsonNumber(d.boxWidth);
    j["boxDepth"] = jsonNumber(d.boxDepth);
    j["boxHeight"] = jsonNumber(d.boxHeight);
    j["outlineColor"] = floats(d.outlineColor);
    j["faceSlots"] = slotList;
    j["selectedFace"] = d.selectedFace;
    j["showSelection"] = d.showSelection;
    j["lightingEnabled"] = d.lightingEnabled;
    j["lightAmbient"] = floats(d.lightAmbient);
    j["lightDiffuse"] = floats(d.lightDiffuse);
    j["lightSpecular"] = floats(d.lightSpecular);
    j["lightPosition"] = floats(d.lightPosition);
    j["spotDirection"] = floats(d.spotDirection);
    j["spotCutoff"] = jsonNumber(d.spotCutoff);
    j["spotExponent"] = d.spotExponent;
    j["spareFlag"] = d.spareFlag;
    j["lightAngle"] = jsonNumber(d.lightAngle);
    j["lightHeight"] = jsonNumber(d.lightHeight);
    j["solidBackground"] = d.solidBackground;
    j["backgroundColor"] = floats(d.backgroundColor);
    j["backgroundPicturePath"] = text(d.backgroundPicturePath);
    j["gradientBackground"] = d.gradientBackground;
    j["gradientTopColor"] = floats(d.gradientTopColor);
    j["gradientBottomColor"] = floats(d.gradientBottomColor);
    j["showFloor"] = d.showFloor;
    j["floorHalfWidth"] = jsonNumber(d.floorHalfWidth);
    j["floorHalfDepth"] = jsonNumber(d.floorHalfDepth);
    j["showShadow"] = d.showShadow;
    j["showReflection"] = d.showReflection;
    j["floorPatternMipmaps"] = d.floorPatternMipmaps;
    j["floorTextureEnabled"] = d.floorTextureEnabled;
    j["floorTextureId"] = d.floorTextureId;
    j["floorPatternTextureId"] = d.floorPatternTextureId;
    j["floorImagePath"] = text(d.floorImagePath);
    j["hideOverlays"] = d.hideOverlays;
    // Paths are 8-bit text: valid UTF-8 passes through, any other byte becomes U+FFFD.
    return j.dump(-1, ' ', false, RecordJson::error_handler_t::replace) + '\n';
}

} // namespace cartonic
