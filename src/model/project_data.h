#pragma once

// The project record: every setting of the scene plus the per-surface runtime fields. Its
// in-memory layout is the body of the project file (see project_file.h), so every field sits at a
// fixed offset and the whole record is exactly 4420 bytes; the static_asserts below pin it.

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

// How a face's picture is laid on it; values outside 0..5 draw as AsLoaded.
enum Orientation : std::int32_t {
    AsLoaded = 0,
    MirrorT = 1,
    MirrorS = 2,
    Turn90 = 3,
    Turn180 = 4,
    Turn270 = 5
};

using Rgba = std::array<float, 4>;
using Path = std::array<char, kPathSize>;

struct FaceVertex {
    float x, y, z;
    float s, t;
    float unused; // always 0.0, read by nothing
};

struct FaceSlot {
    std::int32_t faceIndex;
    Path imagePath;
    Rgba ambientColor;
    Rgba diffuseColor;
    Rgba specularColor;
    std::array<std::uint8_t, 64> reservedBlock;
    std::int32_t orientation;
    std::array<FaceVertex, 4> vertices;
    std::array<float, 3> normal;
    std::uint32_t displayList;
    // 32-bit handle slots of the file layout. A 64-bit pointer does not fit, so the live pixel
    // buffer and decoded image sit in the runtime table (slot_images.h); these stay 0.
    std::uint32_t pixels;
    std::uint32_t image;
    std::int32_t imageWidth;
    std::int32_t imageHeight;
    std::int32_t reservedWord1;
    std::int32_t reservedWord2;
    std::uint32_t textureId;
    std::int32_t showTexture;
};

struct ProjectData {
    float boxWidth;
    float boxDepth;
    float boxHeight;
    std::array<float, 3> outlineColor;
    std::array<FaceSlot, kSlotCount> faceSlots;
    std::int32_t selectedFace;
    std::int32_t showSelection;
    std::int32_t lightingEnabled;
    Rgba lightAmbient;
    Rgba lightDiffuse;
    Rgba lightSpecular;
    std::array<float, 4> lightPosition;
    std::array<float, 4> spotDirection;
    float spotCutoff; // degrees
    std::int32_t spotExponent;
    std::int32_t spareFlag;
    float lightAngle; // radians, not reduced to one turn
    float lightHeight;
    std::int32_t solidBackground;
    Rgba backgroundColor;
    Path backgroundPicturePath;
    std::int32_t gradientBackground;
    Rgba gradientTopColor;
    Rgba gradientBottomColor;
    std::int32_t showFloor;
    float floorHalfWidth;
    float floorHalfDepth;
    std::int32_t showShadow;
    std::int32_t showReflection;
    std::int32_t floorPatternMipmaps;
    std::int32_t floorTextureEnabled;
    std::uint32_t floorTextureId;
    std::uint32_t floorPatternTextureId;
    Path floorImagePath;
    std::int32_t hideOverlays;

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

// Copies the fields that only mean something inside the running program: each slot's picture
// handles, texture and display-list names, and the two floor texture names.
void copyRuntimeFields(ProjectData& to, const ProjectData& from);

// The one live project record of the process.
ProjectData& projectData();

// Start-up box scales: the default box spans 5 x 2.5 x 10 units.
inline constexpr float kStartBoxWidth = 2.5f;
inline constexpr float kStartBoxDepth = 1.25f;
inline constexpr float kStartBoxHeight = 5.0f;
inline constexpr float kMaxBoxScale = 50.0f;

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

#define CARTONIC_OFFSET(T, field, off) static_assert(offsetof(T, field) == (off), #field)
CARTONIC_OFFSET(FaceVertex, s, 12);
CARTONIC_OFFSET(FaceVertex, unused, 20);
CARTONIC_OFFSET(FaceSlot, faceIndex, 0);
CARTONIC_OFFSET(FaceSlot, imagePath, 4);
CARTONIC_OFFSET(FaceSlot, ambientColor, 264);
CARTONIC_OFFSET(FaceSlot, diffuseColor, 280);
CARTONIC_OFFSET(FaceSlot, specularColor, 296);
CARTONIC_OFFSET(FaceSlot, reservedBlock, 312);
CARTONIC_OFFSET(FaceSlot, orientation, 376);
CARTONIC_OFFSET(FaceSlot, vertices, 380);
CARTONIC_OFFSET(FaceSlot, normal, 476);
CARTONIC_OFFSET(FaceSlot, displayList, 488);
CARTONIC_OFFSET(FaceSlot, pixels, 492);
CARTONIC_OFFSET(FaceSlot, image, 496);
CARTONIC_OFFSET(FaceSlot, imageWidth, 500);
CARTONIC_OFFSET(FaceSlot, imageHeight, 504);
CARTONIC_OFFSET(FaceSlot, reservedWord1, 508);
CARTONIC_OFFSET(FaceSlot, reservedWord2, 512);
CARTONIC_OFFSET(FaceSlot, textureId, 516);
CARTONIC_OFFSET(FaceSlot, showTexture, 520);
CARTONIC_OFFSET(ProjectData, boxWidth, 0x000);
CARTONIC_OFFSET(ProjectData, boxDepth, 0x004);
CARTONIC_OFFSET(ProjectData, boxHeight, 0x008);
CARTONIC_OFFSET(ProjectData, outlineColor, 0x00C);
CARTONIC_OFFSET(ProjectData, faceSlots, 0x018);
CARTONIC_OFFSET(ProjectData, selectedFace, 0xE6C);
CARTONIC_OFFSET(ProjectData, showSelection, 0xE70);
CARTONIC_OFFSET(ProjectData, lightingEnabled, 0xE74);
CARTONIC_OFFSET(ProjectData, lightAmbient, 0xE78);
CARTONIC_OFFSET(ProjectData, lightDiffuse, 0xE88);
CARTONIC_OFFSET(ProjectData, lightSpecular, 0xE98);
CARTONIC_OFFSET(ProjectData, lightPosition, 0xEA8);
CARTONIC_OFFSET(ProjectData, spotDirection, 0xEB8);
CARTONIC_OFFSET(ProjectData, spotCutoff, 0xEC8);
CARTONIC_OFFSET(ProjectData, spotExponent, 0xECC);
CARTONIC_OFFSET(ProjectData, spareFlag, 0xED0);
CARTONIC_OFFSET(ProjectData, lightAngle, 0xED4);
CARTONIC_OFFSET(ProjectData, lightHeight, 0xED8);
CARTONIC_OFFSET(ProjectData, solidBackground, 0xEDC);
CARTONIC_OFFSET(ProjectData, backgroundColor, 0xEE0);
CARTONIC_OFFSET(ProjectData, backgroundPicturePath, 0xEF0);
CARTONIC_OFFSET(ProjectData, gradientBackground, 0xFF4);
CARTONIC_OFFSET(ProjectData, gradientTopColor, 0xFF8);
CARTONIC_OFFSET(ProjectData, gradientBottomColor, 0x1008);
CARTONIC_OFFSET(ProjectData, showFloor, 0x1018);
CARTONIC_OFFSET(ProjectData, floorHalfWidth, 0x101C);
CARTONIC_OFFSET(ProjectData, floorHalfDepth, 0x1020);
CARTONIC_OFFSET(ProjectData, showShadow, 0x1024);
CARTONIC_OFFSET(ProjectData, showReflection, 0x1028);
CARTONIC_OFFSET(ProjectData, floorPatternMipmaps, 0x102C);
CARTONIC_OFFSET(ProjectData, floorTextureEnabled, 0x1030);
CARTONIC_OFFSET(ProjectData, floorTextureId, 0x1034);
CARTONIC_OFFSET(ProjectData, floorPatternTextureId, 0x1038);
CARTONIC_OFFSET(ProjectData, floorImagePath, 0x103C);
CARTONIC_OFFSET(ProjectData, hideOverlays, 0x1140);
#undef CARTONIC_OFFSET

} // namespace cartonic
