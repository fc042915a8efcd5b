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

// Each field as JSON, by its type.
RecordJson value(float v) {
    return jsonNumber(v);
}

RecordJson value(std::int32_t v) {
    return v;
}

RecordJson value(std::uint32_t v) {
    return v;
}

template <std::size_t N>
RecordJson value(const std::array<float, N>& values) {
    RecordJson array = RecordJson::array();
    for (float v : values) {
        array.push_back(jsonNumber(v));
    }
    return array;
}

RecordJson value(const Path& path) {
    return std::string(pathText(path));
}

RecordJson value(const ReservedBytes& bytes) {
    RecordJson array = RecordJson::array();
    for (std::uint8_t b : bytes) {
        array.push_back(b);
    }
    return array;
}

RecordJson value(const Corners& corners) {
    RecordJson array = RecordJson::array();
    for (const FaceVertex& v : corners) {
        array.push_back({{"x", jsonNumber(v.x)},
                         {"y", jsonNumber(v.y)},
                         {"z", jsonNumber(v.z)},
                         {"s", jsonNumber(v.s)},
                         {"t", jsonNumber(v.t)}});
    }
    return array;
}

#define CARTONIC_JSON_FIELD(type, name, offset, kind, label) j[#name] = value(record.name);

RecordJson value(const FaceSlot& record) {
    RecordJson j = RecordJson::object();
    CARTONIC_SLOT_FIELDS(CARTONIC_JSON_FIELD)
    return j;
}

RecordJson value(const FaceSlots& all) {
    RecordJson array = RecordJson::array();
    for (const FaceSlot& slot : all) {
        array.push_back(value(slot));
    }
    return array;
}

RecordJson value(const ProjectExtension& extension) {
    RecordJson pictures = RecordJson::array();
    for (const EmbeddedPicture& picture : extension.pictures) {
        pictures.push_back(
            {{"slot", picture.slot},
             {"face", picture.slot == kFloorSlot ? std::string("Floor")
                                                 : std::string(kFaceNames[picture.slot])},
             {"name", picture.name},
             {"bytes", static_cast<std::int64_t>(picture.bytes.size())},
             {"sha256", picture.sha256.toHex().toStdString()}});
    }
    RecordJson kept = RecordJson::array();
    for (const KeptChunk& chunk : extension.kept) {
        const char type[] = {char(chunk.type), char(chunk.type >> 8), char(chunk.type >> 16),
                             char(chunk.type >> 24)};
        kept.push_back({{"type", std::string(type, sizeof type)},
                        {"bytes", static_cast<std::int64_t>(chunk.payload.size())}});
    }
    const ExtensionSettings& settings = extension.settings;
    return {{"shadowSoftness", jsonNumber(settings.look.shadowSoftness)},
            {"reflectionFade", jsonNumber(settings.look.reflectionFade)},
            {"embedPictures", settings.embedPictures},
            {"pictures", pictures},
            {"keptParts", kept},
            {"unreadBytes", static_cast<std::int64_t>(extension.unread.size())}};
}

} // namespace

std::string projectToJson(const ProjectData& record, const ProjectExtension* extension) {
    RecordJson j = RecordJson::object();
    CARTONIC_PROJECT_FIELDS(CARTONIC_JSON_FIELD)
    if (extension && (extension->settings != ExtensionSettings{} || !extension->pictures.empty() ||
                      !extension->kept.empty() || !extension->unread.isEmpty())) {
        j["extension"] = value(*extension);
    }
    // Paths are 8-bit text: valid UTF-8 passes through, any other byte becomes U+FFFD.
    return j.dump(-1, ' ', false, RecordJson::error_handler_t::replace) + '\n';
}

#undef CARTONIC_JSON_FIELD

} // namespace cartonic
