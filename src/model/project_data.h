#pragma once

// The project record: every setting of the scene plus the per-surface runtime fields. Its
// in-memory layout is the body of the project file (see project_file.h), so every field sits at a
// fixed offset and the whole record is exactly 4420 bytes; the static_asserts below pin it.

#include "model/limits.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cartonic {

inline constexpr int kFaceCount = 6; // slots 0..5 are box faces
inline constexpr int kSlotCount = 7; // slot 6 holds the floor picture
inline constexpr int kFloorSlot = 6;
inline constexpr std::size_t kPathSize = 260; // NUL-terminated 8-bit path, "" = none

enum Face : std::int32_t { Top = 0, Bottom = 1, Front = 2, Back = 3, Right = 4, Left = 5 };

// Names as the face list and the command-line tool show them, by slot index.
inline constexpr std::array<std::string_view, kFaceCount> kFaceNames = {"Top",  "Bottom", "Front",
                                                                        "Back", "Right",  "Left"};

// How a face's picture is laid on it, named as the face panel names the choices; values outside
// 0..5 draw as AsLoaded. The flips are across the axis they name: "Flip horizontal" turns the
// picture over the horizontal axis (its rows run the other way: t becomes 1 - t), "Flip vertical"
// over the vertical one (s becomes 1 - s).
enum Orientation : std::int32_t {
    AsLoaded = 0,
    FlipHorizontal = 1,
    FlipVertical = 2,
    Turn90 = 3,
    Turn180 = 4,
    Turn270 = 5
};

using Rgba = std::array<float, 4>;
using Path = std::array<char, kPathSize>;
using Vector3 = std::array<float, 3>;
using Vector4 = std::array<float, 4>;

struct FaceVertex {
    float x, y, z;
    float s, t;
    float unused; // always 0.0, read by nothing
};

using Corners = std::array<FaceVertex, 4>;
using ReservedBytes = std::array<std::uint8_t, 64>;

// What a field of the record is, which decides how it is treated everywhere:
// - Persistent: a setting the project keeps; a change is an edit (undo, unsaved changes).
// - Derived: follows from other fields or from a slot's picture (the light's place, picture
//   sizes, face geometry); changes together with them, so it is part of the same edit.
// - Runtime: a name or handle of the run that saved the file; never an edit, never trusted when
//   a file is read, filled from the renderer's names when one is written.
// - View: where the user is looking (the selected face, the selection switch); never an edit.
enum class FieldKind : std::uint8_t { Persistent, Derived, Runtime, View };

// The record's fields, each once: type, name, byte offset in the file's record, kind, and what the
// user calls an edit of it (nullptr: no control edits it). The structs below, the checks of their
// layout, --print's JSON, what counts as an edit and which fields a loaded file may not bring are
// all made from these lists. Comments go in slash-star form, as the lines are one macro.
#define CARTONIC_SLOT_FIELDS(X)                                                                    \
    X(std::int32_t, faceIndex, 0, Persistent, nullptr)                                             \
    X(Path, imagePath, 4, Persistent, "Picture")                                                   \
    X(Rgba, ambientColor, 264, Persistent, "Ambient Color")                                        \
    X(Rgba, diffuseColor, 280, Persistent, "Diffuse Color")                                        \
    X(Rgba, specularColor, 296, Persistent, "Specular Color")                                      \
    X(ReservedBytes, reservedBlock, 312, Persistent, nullptr)                                      \
    X(std::int32_t, orientation, 376, Persistent, "Orientation")                                   \
    X(Corners, vertices, 380, Derived, nullptr)                                                    \
    X(Vector3, normal, 476, Derived, nullptr)                                                      \
    X(std::uint32_t, displayList, 488, Runtime, nullptr)                                           \
    /* 32-bit handle slots: a 64-bit pointer does not fit, so the live picture sits in the     */  \
    /* runtime table (slot_images.h) and these stay 0.                                         */  \
    X(std::uint32_t, pixels, 492, Runtime, nullptr)                                                \
    X(std::uint32_t, image, 496, Runtime, nullptr)                                                 \
    X(std::int32_t, imageWidth, 500, Derived, "Picture")                                           \
    X(std::int32_t, imageHeight, 504, Derived, "Picture")                                          \
    X(std::int32_t, reservedWord1, 508, Persistent, nullptr)                                       \
    X(std::int32_t, reservedWord2, 512, Persistent, nullptr)                                       \
    X(std::uint32_t, textureId, 516, Runtime, nullptr)                                             \
    X(std::int32_t, showTexture, 520, Persistent, "Texture Mapping")

#define CARTONIC_DECLARE_FIELD(type, name, offset, kind, label) type name;

struct FaceSlot {
    CARTONIC_SLOT_FIELDS(CARTONIC_DECLARE_FIELD)
};

using FaceSlots = std::array<FaceSlot, kSlotCount>;

#define CARTONIC_PROJECT_FIELDS(X)                                                                 \
    X(float, boxWidth, 0x000, Persistent, "Box Width")                                             \
    X(float, boxDepth, 0x004, Persistent, "Box Depth")                                             \
    X(float, boxHeight, 0x008, Persistent, "Box Height")                                           \
    X(Vector3, outlineColor, 0x00C, Persistent, nullptr)                                           \
    X(FaceSlots, faceSlots, 0x018, Persistent, nullptr) /* each slot as its own list says */       \
    X(std::int32_t, selectedFace, 0xE6C, View, nullptr)                                            \
    X(std::int32_t, showSelection, 0xE70, View, nullptr)                                           \
    X(std::int32_t, lightingEnabled, 0xE74, Persistent, nullptr)                                   \
    X(Rgba, lightAmbient, 0xE78, Persistent, "Light Ambient Color")                                \
    X(Rgba, lightDiffuse, 0xE88, Persistent, "Light Diffuse Color")                                \
    X(Rgba, lightSpecular, 0xE98, Persistent, "Light Specular Color")                              \
    X(Vector4, lightPosition, 0xEA8, Derived, "Light Position")                                    \
    X(Vector4, spotDirection, 0xEB8, Derived, "Light Position")                                    \
    X(float, spotCutoff, 0xEC8, Persistent, nullptr) /* degrees */                                 \
    X(std::int32_t, spotExponent, 0xECC, Persistent, nullptr)                                      \
    X(std::int32_t, spareFlag, 0xED0, Persistent, nullptr)                                         \
    X(float, lightAngle, 0xED4, Persistent, "Light Position") /* radians, not one turn */          \
    X(float, lightHeight, 0xED8, Persistent, "Light Position")                                     \
    X(std::int32_t, solidBackground, 0xEDC, Persistent, "Gradient Background")                     \
    X(Rgba, backgroundColor, 0xEE0, Persistent, "Background Color")                                \
    X(Path, backgroundPicturePath, 0xEF0, Persistent, nullptr)                                     \
    X(std::int32_t, gradientBackground, 0xFF4, Persistent, "Gradient Background")                  \
    X(Rgba, gradientTopColor, 0xFF8, Persistent, "Gradient Top Color")                             \
    X(Rgba, gradientBottomColor, 0x1008, Persistent, "Gradient Bottom Color")                      \
    X(std::int32_t, showFloor, 0x1018, Persistent, "Show Floor")                                   \
    X(float, floorHalfWidth, 0x101C, Persistent, nullptr)                                          \
    X(float, floorHalfDepth, 0x1020, Persistent, nullptr)                                          \
    X(std::int32_t, showShadow, 0x1024, Persistent, "Show Shadow")                                 \
    X(std::int32_t, showReflection, 0x1028, Persistent, "Show Reflection")                         \
    X(std::int32_t, floorPatternMipmaps, 0x102C, Persistent, nullptr)                              \
    X(std::int32_t, floorTextureEnabled, 0x1030, Persistent, "Floor Texture")                      \
    X(std::uint32_t, floorTextureId, 0x1034, Runtime, nullptr)                                     \
    X(std::uint32_t, floorPatternTextureId, 0x1038, Runtime, nullptr)                              \
    X(Path, floorImagePath, 0x103C, Persistent, "Floor Picture")                                   \
    X(std::int32_t, hideOverlays, 0x1140, Persistent, nullptr)

struct ProjectData {
    CARTONIC_PROJECT_FIELDS(CARTONIC_DECLARE_FIELD)

    // A zeroed record with each slot's index set, then the defaults: the state before the view
    // exists (box scales and geometry still 0).
    ProjectData();

    // Puts the settings back to their defaults. Leaves alone what outlives a New: the box
    // dimensions, face geometry and display lists, slot 6, selectedFace and the floor texture
    // names. Touches no OpenGL state; the caller drops the slots' runtime images (slot_images.h).
    void setDefaults();

    // Stores the box scales (half-extents along x and y, half the height along z) and writes the
    // unit-box corners and normals of slots 0..5. Touches no OpenGL state and does not repaint.
    void setDimensions(float width, float depth, float height);

    // Recomputes lightPosition and spotDirection from lightAngle and lightHeight, in single
    // precision.
    void updateLightPosition();

    FaceSlot& selectedSlot() { return faceSlots[static_cast<std::size_t>(selectedFace)]; }
    const FaceSlot& selectedSlot() const {
        return faceSlots[static_cast<std::size_t>(selectedFace)];
    }
};

// Start-up box scales: the default box spans 5 x 2.5 x 10 units.
inline constexpr float kStartBoxWidth = 2.5f;
inline constexpr float kStartBoxDepth = 1.25f;
inline constexpr float kStartBoxHeight = 5.0f;

inline constexpr float kLightCircleRadius = 12.0f;

// Copies text into a path field, truncated to fit and always terminated. Never splits a UTF-8
// sequence, so a long path stays valid text.
void setPath(Path& field, std::string_view text);
// The text of a path field up to its terminator (or all 260 bytes when there is none).
std::string_view pathText(const Path& field);

// The record's memory is the file's bytes, which are little-endian.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(FaceVertex) == 24);
static_assert(sizeof(FaceSlot) == 524);
static_assert(sizeof(ProjectData) == 4420);

#define CARTONIC_CHECK_OFFSET(T, type, name, offset)                                               \
    static_assert(offsetof(T, name) == (offset), #name);
#define CARTONIC_CHECK_SLOT_FIELD(type, name, offset, kind, label)                                 \
    CARTONIC_CHECK_OFFSET(FaceSlot, type, name, offset)
#define CARTONIC_CHECK_PROJECT_FIELD(type, name, offset, kind, label)                              \
    CARTONIC_CHECK_OFFSET(ProjectData, type, name, offset)
CARTONIC_SLOT_FIELDS(CARTONIC_CHECK_SLOT_FIELD)
CARTONIC_PROJECT_FIELDS(CARTONIC_CHECK_PROJECT_FIELD)
static_assert(offsetof(FaceVertex, s) == 12);
static_assert(offsetof(FaceVertex, unused) == 20);
#undef CARTONIC_CHECK_PROJECT_FIELD
#undef CARTONIC_CHECK_SLOT_FIELD
#undef CARTONIC_CHECK_OFFSET

} // namespace cartonic
