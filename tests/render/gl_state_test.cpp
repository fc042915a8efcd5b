#include "render_fixture.h"

#include "render/lighting.h"

#include <set>

namespace cartonic::test {
namespace {

using GlState = RenderTest;

std::array<float, 4> lightParameter(GLenum name) {
    std::array<float, 4> v{};
    glGetLightfv(GL_LIGHT0, name, v.data());
    return v;
}

std::array<float, 4> materialParameter(GLenum name) {
    std::array<float, 4> v{};
    glGetMaterialfv(GL_FRONT, name, v.data());
    return v;
}

void expectFloats(const std::array<float, 4>& actual, const std::array<float, 4>& expected,
                  int count, const char* what) {
    for (int k = 0; k < count; ++k) {
        EXPECT_NEAR(actual[k], expected[k], 1e-5f) << what << " component " << k;
    }
}

GLint integer(GLenum name) {
    GLint v = 0;
    glGetIntegerv(name, &v);
    return v;
}

float real(GLenum name) {
    GLfloat v = 0;
    glGetFloatv(name, &v);
    return v;
}

TEST_F(GlState, InitialisationLeavesWhatEveryFrameRelies) {
    // Six distinct face lists and the floor pattern texture exist in this context.
    const SceneTextures& names = prepare();
    std::set<std::uint32_t> lists;
    for (int k = 0; k < kFaceCount; ++k) {
        const std::uint32_t list = names.faceLists[k];
        EXPECT_TRUE(glIsList(list)) << kFaceNames[k];
        lists.insert(list);
    }
    EXPECT_EQ(lists.size(), 6u);
    EXPECT_NE(names.floorPattern, 0u);
    EXPECT_TRUE(glIsTexture(names.floorPattern));

    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(real(GL_LINE_WIDTH), 3.0f);
    EXPECT_EQ(real(GL_POLYGON_OFFSET_FACTOR), -2.0f);
    EXPECT_EQ(real(GL_POLYGON_OFFSET_UNITS), -1.0f);
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 1);
    EXPECT_EQ(integer(GL_POLYGON_SMOOTH_HINT), GL_NICEST);
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_DECAL) << "textures show their own colours until a picture is built";

    std::array<float, 4> clear{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    expectFloats(clear, data.backgroundColor, 4, "clear colour");

    expectFloats(materialParameter(GL_AMBIENT), kBaseMaterialAmbient, 4, "ambient");
    expectFloats(materialParameter(GL_DIFFUSE), kBaseMaterialDiffuse, 4, "diffuse");
    expectFloats(materialParameter(GL_SPECULAR), kBaseMaterialSpecular, 4, "specular");
    expectFloats(materialParameter(GL_EMISSION), kBaseMaterialEmission, 4, "emission");
    EXPECT_EQ(materialParameter(GL_SHININESS)[0], kBaseMaterialShininess);

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlState, ApplyLightLoadsTheRecordsLightInWorldCoordinates) {
    data.lightAngle = 1.0f;
    data.lightHeight = -4.0f;
    data.spotCutoff = 40.0f;
    data.spotExponent = 3;
    data.lightAmbient = {0.1f, 0.2f, 0.3f, 1.0f};
    data.lightDiffuse = {0.4f, 0.5f, 0.6f, 1.0f};
    data.lightSpecular = {0.7f, 0.8f, 0.9f, 1.0f};
    data.lightingEnabled = 0;
    // A caller outside a frame may have the projection selected and a camera in it.
    camera.applyProjection();
    glTranslatef(5.0f, 5.0f, 5.0f);
    glMatrixMode(GL_PROJECTION);
    moveLight();

    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_PROJECTION) << "the caller's matrix mode comes back";
    const float x = 12.0f * std::cos(1.0f), y = 12.0f * std::sin(1.0f);
    EXPECT_NEAR(data.lightPosition[0], x, 1e-5f);
    EXPECT_NEAR(data.lightPosition[1], y, 1e-5f);
    EXPECT_EQ(data.lightPosition[2], -4.0f);
    // Light positions are stored in eye coordinates: under an identity model-view, world ones,
    // whatever the model-view or projection held.
    expectFloats(lightParameter(GL_POSITION), data.lightPosition, 4, "position");
    expectFloats(lightParameter(GL_SPOT_DIRECTION), data.spotDirection, 3, "direction");
    EXPECT_EQ(lightParameter(GL_SPOT_CUTOFF)[0], 40.0f);
    EXPECT_EQ(lightParameter(GL_SPOT_EXPONENT)[0], 3.0f);
    expectFloats(lightParameter(GL_AMBIENT), data.lightAmbient, 4, "ambient");
    expectFloats(lightParameter(GL_DIFFUSE), data.lightDiffuse, 4, "diffuse");
    expectFloats(lightParameter(GL_SPECULAR), data.lightSpecular, 4, "specular");
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << "lighting follows lightingEnabled";
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));

    data.lightingEnabled = 1;
    moveLight();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST_F(GlState, FrameLeavesMatricesBalancedAndNoError) {
    data.selectedFace = Front;
    render("default");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), 1);
    EXPECT_EQ(integer(GL_PROJECTION_STACK_DEPTH), 1);
    EXPECT_EQ(integer(GL_TEXTURE_STACK_DEPTH), 1);
    std::array<float, 16> modelView{};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView.data());
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(modelView[k], k % 5 == 0 ? 1.0f : 0.0f) << "model-view element " << k;
    }
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
}

TEST_F(GlState, StateLeftByAToolkitDoesNotChangeTheFrame) {
    const Picture clean = render("clean");
    // What a widget toolkit may leave behind between its own paints.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 10, 10);
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_ALWAYS);
    glStencilMask(0);
    glEnable(GL_CULL_FACE);
    glEnable(GL_POLYGON_OFFSET_FILL);
    const Picture dirty = render("dirty");

    int differing = 0;
    for (std::size_t k = 0; k < clean.rgba.size(); ++k) {
        differing += std::abs(clean.rgba[k] - dirty.rgba[k]) > 2;
    }
    EXPECT_EQ(differing, 0);
}

} // namespace
} // namespace cartonic::test
