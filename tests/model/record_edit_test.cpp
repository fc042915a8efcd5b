#include "model/record_edit.h"
#include "support/project_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace cartonic {
namespace {

using test::sameBytes;

TEST(RecordEdit, DeltaTakesTheRecordBothWaysAndLeavesRuntimeFieldsAlone) {
    auto before = std::make_unique<ProjectData>();
    before->setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    auto after = std::make_unique<ProjectData>(*before);
    after->boxHeight = 7.5f;
    setPath(after->faceSlots[Front].imagePath, "art/front.png");
    after->lightAmbient = {1.0f, 0.0f, 0.0f, 1.0f};
    // Not edits: what is shown and where GL keeps things.
    after->selectedFace = Back;
    after->showSelection = 0;
    after->faceSlots[Front].textureId = 77;
    after->floorTextureId = 5;

    const RecordDelta delta = diffRecords(*before, *after);
    ASSERT_FALSE(delta.empty());
    EXPECT_EQ(describeEdit(delta), "Box Height");

    auto live = std::make_unique<ProjectData>(*after);
    applyDelta(*live, delta, DeltaSide::Before);
    EXPECT_EQ(live->boxHeight, before->boxHeight);
    EXPECT_EQ(pathText(live->faceSlots[Front].imagePath), "");
    EXPECT_EQ(live->lightAmbient, before->lightAmbient);
    EXPECT_EQ(live->selectedFace, Back);
    EXPECT_EQ(live->faceSlots[Front].textureId, 77u);
    EXPECT_EQ(live->floorTextureId, 5u);
    applyDelta(*live, delta, DeltaSide::After);
    EXPECT_TRUE(sameBytes(*live, *after));

    EXPECT_TRUE(diffRecords(*before, *before).empty());
}

TEST(RecordEdit, MergedDeltasGoFromTheFirstBeforeToTheLastAfter) {
    auto a = std::make_unique<ProjectData>();
    auto b = std::make_unique<ProjectData>(*a);
    b->lightAngle += 0.5f;
    b->updateLightPosition();
    auto c = std::make_unique<ProjectData>(*b);
    c->lightHeight += 2.0f;
    c->updateLightPosition();
    const RecordDelta merged = mergeDeltas(diffRecords(*a, *b), diffRecords(*b, *c), *c);
    EXPECT_EQ(describeEdit(merged), "Light Position");
    auto live = std::make_unique<ProjectData>(*c);
    applyDelta(*live, merged, DeltaSide::Before);
    EXPECT_TRUE(sameBytes(*live, *a));
}

TEST(RecordEdit, EditsAreNamedAsTheUserKnowsThem) {
    const struct {
        void (*edit)(ProjectData&);
        const char* name;
    } cases[] = {
        {[](ProjectData& d) { d.faceSlots[Left].diffuseColor[1] = 0.5f; }, "Left Diffuse Color"},
        {[](ProjectData& d) { d.faceSlots[Top].orientation = Turn90; }, "Top Orientation"},
        {[](ProjectData& d) { d.faceSlots[Back].showTexture = 0; }, "Back Texture Mapping"},
        {[](ProjectData& d) { setPath(d.floorImagePath, "wood.jpg"); }, "Floor Picture"},
        {[](ProjectData& d) {
             d.gradientBackground = 0;
             d.solidBackground = 1;
         },
         "Gradient Background"},
        {[](ProjectData& d) { d.showShadow = 0; }, "Show Shadow"},
        {[](ProjectData& d) { d.spotExponent = 3; }, "Project Settings"},
    };
    for (const auto& c : cases) {
        auto before = std::make_unique<ProjectData>();
        auto after = std::make_unique<ProjectData>(*before);
        c.edit(*after);
        EXPECT_EQ(describeEdit(diffRecords(*before, *after)), c.name);
    }
    EXPECT_EQ(describePictureEdit(Front), "Front Picture");
    EXPECT_EQ(describePictureEdit(kFloorSlot), "Floor Picture");
}

} // namespace
} // namespace cartonic
