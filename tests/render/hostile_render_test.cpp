// Frames of records that only a project file can produce: values no editor makes, out of
// OpenGL's ranges, not finite. Every one is drawn without an OpenGL error and without a crash.

#include "model/project_file.h"
#include "render/lighting.h"
#include "render_fixture.h"

#include <cmath>
#include <limits>

namespace cartonic {
namespace {

using test::RenderTest;

class HostileRender : public RenderTest {
protected:
    // Applies the light as a light drag would, draws a frame, and collects the GL errors.
    std::vector<GLenum> drawAndCollectErrors(const std::string& label) {
        moveLight();
        render(label);
        std::vector<GLenum> errors;
        for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
            errors.push_back(e);
        }
        return errors;
    }
};

TEST_F(HostileRender, SpotValuesOutsideOpenGLsRangesAreDrawnWithoutErrors) {
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (std::int32_t exponent : {-1, 129, 1000, std::numeric_limits<std::int32_t>::min()}) {
        data.spotExponent = exponent;
        EXPECT_TRUE(drawAndCollectErrors("exponent").empty()) << "spot exponent " << exponent;
    }
    data.spotExponent = 6;
    for (float cutoff : {-1.0f, 90.5f, 179.0f, 181.0f, 200.0f, nan, inf, -inf}) {
        data.spotCutoff = cutoff;
        EXPECT_TRUE(drawAndCollectErrors("cutoff").empty()) << "spot cut-off " << cutoff;
    }
}

TEST_F(HostileRender, NonFiniteAndAbsurdSceneValuesAreDrawnWithoutErrors) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    data.lightAngle = inf;
    data.lightHeight = nan;
    data.lightAmbient = {nan, -1.0f, 9.0f, inf};
    data.backgroundColor = {nan, nan, nan, nan};
    data.gradientTopColor = {-inf, 2.0f, nan, 1.0f};
    data.floorHalfWidth = -5.0f;
    data.floorHalfDepth = 1e30f;
    data.outlineColor = {nan, inf, -inf};
    for (int k = 0; k < kFaceCount; ++k) {
        data.faceSlots[k].orientation = k % 2 ? 77 : -3;
        data.faceSlots[k].diffuseColor = {nan, nan, nan, nan};
        data.faceSlots[k].showTexture = -1;
    }
    data.hideOverlays = 12345;
    EXPECT_TRUE(drawAndCollectErrors("absurd").empty());
    // A project's extension may hold any number for the look, and the light may be anywhere.
    lightDisc = {1.0f, 0.0f};
    for (const SceneLook& absurd :
         {SceneLook{nan, inf}, SceneLook{-inf, 1e-45f}, SceneLook{1e30f, -1.0f}}) {
        look = absurd;
        EXPECT_TRUE(drawAndCollectErrors("absurd look").empty());
    }

    data.setDimensions(kMaxBoxScale, kMaxBoxScale, kMaxBoxScale);
    data.lightHeight = -1e20f;
    EXPECT_TRUE(drawAndCollectErrors("largest box").empty());
}

} // namespace
} // namespace cartonic
