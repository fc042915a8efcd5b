#include "model/record_edit.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace cartonic {

namespace {

constexpr std::size_t kRecordSize = sizeof(ProjectData);

// The record as far as edits go: the fields that are never part of one are zeroed, so they can
// never differ.
ProjectData editBytes(const ProjectData& data) {
    static const ProjectData zeroed = [] {
        ProjectData z;
        std::memset(static_cast<void*>(&z), 0, sizeof z);
        return z;
    }();
    ProjectData e = data;
    copyRuntimeFields(e, zeroed);
    e.selectedFace = 0;
    e.showSelection = 0;
    return e;
}

const std::uint8_t* bytesOf(const ProjectData& data) {
    return reinterpret_cast<const std::uint8_t*>(&data);
}

struct FieldName {
    std::size_t offset;
    std::size_t size;
    const char* name;
};

#define CARTONIC_FIELD(field, name)                                                                \
    FieldName {                                                                                    \
        offsetof(ProjectData, field), sizeof(ProjectData::field), name                             \
    }
#define CARTONIC_SLOT_FIELD(field, name)                                                           \
    FieldName {                                                                                    \
        offsetof(FaceSlot, field), sizeof(FaceSlot::field), name                                   \
    }

// The fields a control or a drag edits, by what the user calls them.
const FieldName kRecordFields[] = {
    CARTONIC_FIELD(boxWidth, "Box Width"),
    CARTONIC_FIELD(boxDepth, "Box Depth"),
    CARTONIC_FIELD(boxHeight, "Box Height"),
    CARTONIC_FIELD(lightAmbient, "Light Ambient Color"),
    CARTONIC_FIELD(lightDiffuse, "Light Diffuse Color"),
    CARTONIC_FIELD(lightSpecular, "Light Specular Color"),
    CARTONIC_FIELD(lightPosition, "Light Position"),
    CARTONIC_FIELD(spotDirection, "Light Position"),
    CARTONIC_FIELD(lightAngle, "Light Position"),
    CARTONIC_FIELD(lightHeight, "Light Position"),
    CARTONIC_FIELD(solidBackground, "Gradient Background"),
    CARTONIC_FIELD(backgroundColor, "Background Color"),
    CARTONIC_FIELD(gradientBackground, "Gradient Background"),
    CARTONIC_FIELD(gradientTopColor, "Gradient Top Color"),
    CARTONIC_FIELD(gradientBottomColor, "Gradient Bottom Color"),
    CARTONIC_FIELD(showFloor, "Show Floor"),
    CARTONIC_FIELD(showShadow, "Show Shadow"),
    CARTONIC_FIELD(showReflection, "Show Reflection"),
    CARTONIC_FIELD(floorTextureEnabled, "Floor Texture"),
    CARTONIC_FIELD(floorImagePath, "Floor Picture"),
};

const FieldName kSlotFields[] = {
    CARTONIC_SLOT_FIELD(imagePath, "Picture"),
    CARTONIC_SLOT_FIELD(ambientColor, "Ambient Color"),
    CARTONIC_SLOT_FIELD(diffuseColor, "Diffuse Color"),
    CARTONIC_SLOT_FIELD(specularColor, "Specular Color"),
    CARTONIC_SLOT_FIELD(orientation, "Orientation"),
    CARTONIC_SLOT_FIELD(imageWidth, "Picture"),
    CARTONIC_SLOT_FIELD(imageHeight, "Picture"),
    CARTONIC_SLOT_FIELD(showTexture, "Texture Mapping"),
};

#undef CARTONIC_FIELD
#undef CARTONIC_SLOT_FIELD

constexpr const char* kOtherFields = "Project Settings";

std::string describeOffset(std::size_t offset) {
    for (const FieldName& f : kRecordFields) {
        if (offset >= f.offset && offset < f.offset + f.size) {
            return f.name;
        }
    }
    const std::size_t slots = offsetof(ProjectData, faceSlots);
    if (offset >= slots && offset < slots + sizeof(ProjectData::faceSlots)) {
        const int slot = static_cast<int>((offset - slots) / sizeof(FaceSlot));
        const std::size_t within = (offset - slots) % sizeof(FaceSlot);
        for (const FieldName& f : kSlotFields) {
            if (within >= f.offset && within < f.offset + f.size) {
                return slot == kFloorSlot
                           ? describePictureEdit(kFloorSlot)
                           : std::string(kFaceNames[static_cast<std::size_t>(slot)]) + " " + f.name;
            }
        }
    }
    return kOtherFields;
}

} // namespace

RecordDelta diffRecords(const ProjectData& before, const ProjectData& after) {
    const ProjectData a = editBytes(before);
    const ProjectData b = editBytes(after);
    const std::uint8_t* x = bytesOf(a);
    const std::uint8_t* y = bytesOf(b);
    RecordDelta delta;
    std::size_t i = 0;
    while (i < kRecordSize) {
        if (x[i] == y[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < kRecordSize && x[end] != y[end]) {
            ++end;
        }
        delta.runs.push_back({static_cast<std::uint32_t>(i), {x + i, x + end}, {y + i, y + end}});
        i = end;
    }
    return delta;
}

void applyDelta(ProjectData& data, const RecordDelta& delta, DeltaSide side) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&data);
    for (const ByteRun& run : delta.runs) {
        const std::vector<std::uint8_t>& from = side == DeltaSide::Before ? run.before : run.after;
        if (run.offset + from.size() <= kRecordSize) {
            std::memcpy(bytes + run.offset, from.data(), from.size());
        }
    }
}

RecordDelta mergeDeltas(const RecordDelta& earlier, const RecordDelta& later,
                        const ProjectData& current) {
    ProjectData first = current;
    applyDelta(first, later, DeltaSide::Before);
    applyDelta(first, earlier, DeltaSide::Before);
    return diffRecords(first, current);
}

std::string describeEdit(const RecordDelta& delta) {
    return delta.empty() ? kOtherFields : describeOffset(delta.runs.front().offset);
}

std::string describePictureEdit(int slot) {
    if (slot == kFloorSlot) {
        return "Floor Picture";
    }
    return std::string(kFaceNames[static_cast<std::size_t>(slot)]) + " Picture";
}

} // namespace cartonic
