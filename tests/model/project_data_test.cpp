#include "model/box_geometry.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace cartonic {
namespace {

// Fills every byte of a record with a marker so a test can see which bytes a call wrote.
std::unique_ptr<ProjectData> markedRecord(std::uint8_t marker) {
    auto data = std::make_unique<ProjectData>();
    std::memset(static_cast<void*>(data.get()), marker, sizeof(ProjectData));
    return data;
}

std::size_t offsetIn(const ProjectData& data, const void* field) {
    return static_cast<std::size_t>(static_cast<const std::uint8_t*>(field) -
                                    reinterpret_cast<const std::uint8_t*>(&data));
}

TEST(ProjectRecord, ConstructionGivesTheDocumentedDefaults) {
    const ProjectData d;
    EXPECT_EQ(d.boxWidth, 0.0f) << "no box size before the view exists";
    EXPECT_EQ(d.boxHeight, 0.0f);
    for (int k = 0; k < kFaceCount; ++k) {
        const FaceSlot& s = d.faceSlots[k];
        EXPECT_EQ(s.faceIndex, k);
        EXPECT_EQ(s.imagePath[0], '\0');
        EXPECT_EQ(s.ambientColor, (Rgba{0.4f, 0.4f, 0.4f, 0.0f}));
        EXPECT_EQ(s.diffuseColor, (Rgba{0.7f, 0.7f, 0.7f, 0.0f}));
        EXPECT_EQ(s.specularColor, (Rgba{0.9f, 0.9f, 0.9f, 0.0f}));
        EXPECT_EQ(s.showTexture, 1);
        EXPECT_EQ(s.textureId, 0u);
        EXPECT_EQ(s.displayList, 0u);
        EXPECT_EQ(s.vertices[0].x, 0.0f) << "geometry is written by setDimensions";
    }
    EXPECT_EQ(d.faceSlots[kFloorSlot].faceIndex, 0);
    EXPECT_EQ(d.faceSlots[kFloorSlot].showTexture, 0) << "slot 6 is not touched by the defaults";
    EXPECT_EQ(d.outlineColor, (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(d.selectedFace, 0);
    EXPECT_EQ(d.showSelection, 1);
    EXPECT_EQ(d.lightAmbient, (Rgba{0.5f, 0.5f, 0.5f, 1.0f}));
    EXPECT_EQ(d.lightDiffuse, (Rgba{0.9f, 0.9f, 0.9f, 1.0f}));
    EXPECT_EQ(d.spotCutoff, 65.0f);
    EXPECT_EQ(d.spotExponent, 6);
    EXPECT_EQ(d.lightAngle, 275.0f);
    // 12 cos 275 and 12 sin 275 rounded once to single precision.
    const float x = static_cast<float>(12.0 * std::cos(275.0));
    const float y = static_cast<float>(12.0 * std::sin(275.0));
    EXPECT_FLOAT_EQ(x, 1.3250064f);
    EXPECT_FLOAT_EQ(y, -11.926624f);
    EXPECT_EQ(d.lightPosition, (std::array<float, 4>{x, y, 10.0f, 1.0f}));
    EXPECT_EQ(d.spotDirection, (std::array<float, 4>{-x, -y, -10.0f, 1.0f}));
    EXPECT_EQ(d.solidBackground, 0);
    EXPECT_EQ(d.gradientBackground, 1);
    EXPECT_EQ(d.gradientTopColor, (Rgba{0.0f, 0.3f, 0.2f, 1.0f}));
    EXPECT_EQ(d.gradientBottomColor, (Rgba{0.0f, 0.7f, 0.7f, 1.0f}));
    EXPECT_EQ(d.floorHalfWidth, 25.0f);
    EXPECT_EQ(d.floorPatternMipmaps, 1);
    EXPECT_EQ(d.floorTextureEnabled, 1);
    EXPECT_EQ(d.hideOverlays, 0);
}

TEST(ProjectRecord, FieldsSitAtTheirFileOffsets) {
    const ProjectData d;
    EXPECT_EQ(offsetIn(d, &d.faceSlots[3]), 24u + 524u * 3);
    EXPECT_EQ(offsetIn(d, &d.faceSlots[6].textureId), 24u + 524u * 6 + 516);
    EXPECT_EQ(offsetIn(d, &d.faceSlots[1].vertices[2].t), 24u + 524u + 380 + 2 * 24 + 16);
    EXPECT_EQ(offsetIn(d, &d.hideOverlays), 4416u);
    EXPECT_EQ(offsetIn(d, &d.floorImagePath[259]), 4156u + 259);
}

TEST(ProjectRecord, SetDefaultsWritesExactlyItsFields) {
    auto d = markedRecord(0xAB);
    d->setDefaults();
    auto reference = markedRecord(0xAB);

    const auto* after = reinterpret_cast<const std::uint8_t*>(d.get());
    const auto* before = reinterpret_cast<const std::uint8_t*>(reference.get());
    const auto untouched = [&](const void* field, std::size_t size) {
        const std::size_t at = offsetIn(*d, field);
        return std::memcmp(after + at, before + at, size) == 0;
    };
    EXPECT_TRUE(untouched(&d->boxWidth, 12)) << "dimensions survive New";
    EXPECT_TRUE(untouched(&d->selectedFace, 4));
    EXPECT_TRUE(untouched(&d->floorTextureId, 8)) << "both floor texture names survive New";
    EXPECT_TRUE(untouched(&d->faceSlots[kFloorSlot], sizeof(FaceSlot)));
    for (int k = 0; k < kFaceCount; ++k) {
        const FaceSlot& s = d->faceSlots[k];
        SCOPED_TRACE(k);
        EXPECT_TRUE(untouched(&s.vertices, sizeof s.vertices));
        EXPECT_TRUE(untouched(&s.normal, sizeof s.normal));
        EXPECT_TRUE(untouched(&s.displayList, 4));
        EXPECT_TRUE(untouched(&s.reservedBlock, 64));
        EXPECT_TRUE(untouched(&s.ambientColor[3], 4)) << "alpha is never written";
        EXPECT_TRUE(untouched(&s.diffuseColor[3], 4));
        EXPECT_TRUE(untouched(&s.specularColor[3], 4));
        EXPECT_EQ(s.faceIndex, k);
        EXPECT_EQ(s.imagePath[0], '\0');
        EXPECT_EQ(s.textureId, 0u);
        EXPECT_EQ(s.imageWidth, 0);
        EXPECT_EQ(s.orientation, 0);
        EXPECT_EQ(s.ambientColor[0], 0.4f);
    }
    EXPECT_EQ(d->backgroundPicturePath[0], '\0');
    EXPECT_EQ(d->floorImagePath[0], '\0');
    EXPECT_FLOAT_EQ(d->lightPosition[0], 1.3250064f);
}

TEST(ProjectRecord, ResetProjectDropsFacePicturesButKeepsTheFloor) {
    ProjectData d;
    SlotImages images;
    for (auto& slot : images) {
        slot.image = QImage(2, 2, QImage::Format_RGBX8888);
    }
    resetProject(d, images);
    for (int k = 0; k < kFaceCount; ++k) {
        EXPECT_TRUE(images[k].empty()) << k;
    }
    EXPECT_FALSE(images[kFloorSlot].empty());
}

TEST(ProjectRecord, LightPositionFollowsAngleAndHeight) {
    ProjectData d;
    const std::array<float, 4> start = d.lightPosition;
    d.lightAngle = 275.0f + 2.0f * 3.14159265f;
    d.updateLightPosition();
    EXPECT_NEAR(d.lightPosition[0], start[0], 1e-3);
    EXPECT_NEAR(d.lightPosition[1], start[1], 1e-3);

    d.lightHeight = -4.0f;
    d.updateLightPosition();
    EXPECT_EQ(d.lightPosition[2], -4.0f);
    EXPECT_EQ(d.spotDirection[2], 4.0f) << "a light below the floor aims up at the origin";
    EXPECT_EQ(d.spotDirection[3], 1.0f);
}

TEST(BoxGeometry, SetDimensionsStoresScalesAndTheUnitBox) {
    ProjectData d;
    for (const std::array<float, 3> size :
         {std::array<float, 3>{2.5f, 1.25f, 5.0f}, {50.0f, 0.2f, 7.0f}}) {
        d.setDimensions(size[0], size[1], size[2]);
        EXPECT_EQ(d.boxWidth, size[0]);
        EXPECT_EQ(d.boxDepth, size[1]);
        EXPECT_EQ(d.boxHeight, size[2]);
        for (int k = 0; k < kFaceCount; ++k) {
            EXPECT_EQ(std::memcmp(&d.faceSlots[k].vertices, &kUnitBox[k].corners,
                                  sizeof kUnitBox[k].corners),
                      0)
                << k;
            EXPECT_EQ(d.faceSlots[k].normal, kUnitBox[k].normal) << k;
        }
    }
    EXPECT_EQ(d.faceSlots[kFloorSlot].vertices[0].x, 0.0f) << "slot 6 has no geometry";
}

TEST(BoxGeometry, EachFaceLiesInItsPlaneFacingOutward) {
    for (int k = 0; k < kFaceCount; ++k) {
        const FaceGeometry& face = kUnitBox[k];
        SCOPED_TRACE(kFaceNames[k]);
        // Every corner lies on the plane through the box centre (0, 0, 1) offset by the normal.
        for (const FaceVertex& v : face.corners) {
            const float along =
                v.x * face.normal[0] + v.y * face.normal[1] + (v.z - 1.0f) * face.normal[2];
            EXPECT_EQ(along, 1.0f);
            EXPECT_EQ(v.unused, 0.0f);
        }
    }
    // Side faces: the picture's top row (t = 0) at the top of the box.
    for (int k : {Front, Back, Right, Left}) {
        for (const FaceVertex& v : kUnitBox[k].corners) {
            EXPECT_EQ(v.t, v.z == 2.0f ? 0.0f : 1.0f) << kFaceNames[k];
        }
    }
    // "Right" is on the negative x side, "Left" on the positive.
    EXPECT_EQ(kUnitBox[Right].corners[0].x, -1.0f);
    EXPECT_EQ(kUnitBox[Left].corners[0].x, 1.0f);
}

TEST(Paths, SetPathTruncatesAtACharacterBoundary) {
    Path p;
    setPath(p, "/tmp/a.png");
    EXPECT_EQ(pathText(p), "/tmp/a.png");

    std::string longPath(258, 'a');
    longPath += "\xC3\xA9tail"; // a two-byte character straddling the 259-byte limit
    setPath(p, longPath);
    EXPECT_EQ(pathText(p).size(), 258u);
    EXPECT_EQ(p[kPathSize - 1], '\0');

    Path full;
    full.fill('x');
    EXPECT_EQ(pathText(full).size(), kPathSize) << "an unterminated field is read to its end";
}

} // namespace
} // namespace cartonic

#include "model/project_snapshot.h"
#include "model/record_edit.h"
#include "model/record_fields.h"

namespace cartonic {
namespace {

// Every byte of the record belongs to one field of the table, and a change of any field is an
// edit to undo and to the unsaved-changes question alike, or to neither; a loaded file keeps
// the live record's runtime fields and only those.
TEST(RecordFields, EachFieldIsAnEditToUndoAndToSavingAlikeOrToNeither) {
    ProjectData base;
    base.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    const ProjectSnapshot clean = snapshotOf(base);
    std::size_t next = 0;
    forEachField([&](const PlacedField& placed) {
        SCOPED_TRACE(std::string(placed.field.name) + " of slot " + std::to_string(placed.slot));
        EXPECT_EQ(placed.offset, next) << "a gap or an overlap before it";
        next = placed.offset + placed.field.size;
        ProjectData changed = base;
        reinterpret_cast<unsigned char*>(&changed)[next - 1] ^= 0x40;
        const bool edit = isEdit(placed.field.kind);
        EXPECT_EQ(!diffRecords(base, changed).empty(), edit);
        EXPECT_EQ(snapshotOf(changed) != clean, edit);
        ProjectData copied = base;
        copyRuntimeFields(copied, changed);
        EXPECT_EQ(std::memcmp(&copied, &changed, sizeof copied) == 0,
                  placed.field.kind == FieldKind::Runtime);
    });
    EXPECT_EQ(next, sizeof(ProjectData));
}

} // namespace
} // namespace cartonic
