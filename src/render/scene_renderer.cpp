#include "render/scene_renderer.h"

#include "render/lighting.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace cartonic {

namespace {

// The gradient is drawn in a unit orthographic box, at a depth inside its near/far range.
constexpr double kBackgroundNear = 0.0;
constexpr double kBackgroundFar = 1.1;
constexpr float kBackgroundDepth = -1.0f;

// The mirror image is the box scaled by -1 through the floor plane z = 0.
constexpr float kMirrorScaleZ = -1.0f;

constexpr GLuint kAllStencilBits = ~0u;

void setStencil(GLenum function, int reference, GLenum fail, GLenum depthFail, GLenum depthPass) {
    glStencilFunc(function, reference, kAllStencilBits);
    glStencilOp(fail, depthFail, depthPass);
}

// The state every frame starts from. A toolkit may paint with blending, scissoring or masks of
// its own between frames; none of it may reach the mask, mirror or floor passes.
void resetFrameState() {
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_NORMALIZE);
    glDisable(GL_COLOR_MATERIAL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glStencilMask(kAllStencilBits);
}

// The floor quad, with s running along y and t along x; untextured unless textured.
void drawFloorQuad(const ProjectData& data, const SceneTextures& textures, bool textured) {
    glPushMatrix();
    float repeat = kFloorPictureRepeat;
    if (textured && data.floorTextureEnabled != 0) {
        if (textures.pictures[kFloorSlot] != 0) {
            glBindTexture(GL_TEXTURE_2D, textures.pictures[kFloorSlot]);
        } else {
            glBindTexture(GL_TEXTURE_2D, textures.floorPattern);
            repeat = kFloorPatternRepeat;
        }
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    const float w = data.floorHalfWidth;
    const float d = data.floorHalfDepth;
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-w, -d, 0.0f);
    glTexCoord2f(0.0f, repeat);
    glVertex3f(w, -d, 0.0f);
    glTexCoord2f(repeat, repeat);
    glVertex3f(w, d, 0.0f);
    glTexCoord2f(repeat, 0.0f);
    glVertex3f(-w, d, 0.0f);
    glEnd();
    glPopMatrix();
}

// The floor quad's corners alone.
void drawFloorArea(const ProjectData& data) {
    const float w = data.floorHalfWidth;
    const float d = data.floorHalfDepth;
    glBegin(GL_QUADS);
    glVertex3f(-w, -d, 0.0f);
    glVertex3f(w, -d, 0.0f);
    glVertex3f(w, d, 0.0f);
    glVertex3f(-w, d, 0.0f);
    glEnd();
}

// A look setting within its range, NaN as none: whatever a file's extension holds draws.
float lookValue(float value) {
    return value > SceneLook::kMin ? std::min(value, SceneLook::kMax) : SceneLook::kMin;
}

// The unit box's height (box_geometry.h), in which a fading reflection's heights are measured.
constexpr float kUnitBoxHeight = 2.0f;

// Sets texture unit 1 to replace the fragment's alpha by 1 - z / (fade x the box's height), from
// 1 at the floor to 0 from there up, z each vertex's height in the unit box, and leaves unit 0
// active for the faces' pictures. Done with a texture so that it holds at every fragment, not
// only at the vertices.
void beginFade(unsigned ramp, float fade) {
    glActiveTexture(GL_TEXTURE1);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glBindTexture(GL_TEXTURE_1D, ramp);
    glEnable(GL_TEXTURE_1D);
    const GLfloat plane[4] = {0.0f, 0.0f, 0.5f / (kUnitBoxHeight * fade), 0.25f};
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_S, GL_OBJECT_PLANE, plane);
    glEnable(GL_TEXTURE_GEN_S);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glActiveTexture(GL_TEXTURE0);
}

void endFade() {
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_1D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glActiveTexture(GL_TEXTURE0);
}

// The mirror image, fading with height: its nearest surface alone, laid over what is behind it
// as opaque as the fade leaves it.
void drawFadingBox(const ProjectData& data, const SceneTextures& textures, int outlinedFace,
                   float fade) {
    // The outline is left out of the depth: drawing it changes the state the faces are drawn in.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    drawBox(data, textures, kNoOutline);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    beginFade(textures.fadeRamp, fade);
    drawBox(data, textures, outlinedFace);
    endFade();
    glDisable(GL_BLEND);
    glDepthFunc(GL_LESS);
}

// Marks the floor's screen area with kStencilFloorArea (even when the floor is hidden), then
// draws the box mirrored through the floor, limited to that area.
void drawMirrorPass(const ProjectData& data, const SceneTextures& textures, int outlinedFace,
                    float fade) {
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    setStencil(GL_ALWAYS, kStencilFloorArea, GL_REPLACE, GL_REPLACE, GL_REPLACE);
    // Only coverage counts here (no colour, no depth), so the quad goes unlit and untextured: the
    // same stencil marks, and one shading program fewer for the driver to build.
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    drawFloorArea(data);

    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    setStencil(GL_EQUAL, kStencilFloorArea, GL_KEEP, GL_KEEP, GL_KEEP);

    glPushMatrix();
    glScalef(1.0f, 1.0f, kMirrorScaleZ);
    // Given under the mirroring transform, the light lights the mirror image from below.
    specifyLightPosition(data);
    glEnable(GL_NORMALIZE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    if (data.showReflection != 0) {
        if (fade > 0.0f && textures.fadeRamp != 0) {
            drawFadingBox(data, textures, outlinedFace, fade);
        } else {
            drawBox(data, textures, outlinedFace);
        }
    }
    glDisable(GL_NORMALIZE);
    glPopMatrix();
    specifyLightPosition(data);
    if (data.showReflection != 0) {
        glDisable(GL_STENCIL_TEST);
    }
}

// Black at half strength, flattened onto the floor, only where the translucent floor marked
// kStencilShadowTarget; each pixel is then marked kStencilShadowDrawn so overlapping faces'
// shadows darken it once.
void drawShadowPass(const ProjectData& data, const SceneTextures& textures,
                    const Matrix4& shadowMatrix) {
    setStencil(GL_LESS, kStencilShadowDrawn, GL_REPLACE, GL_REPLACE, GL_REPLACE);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(kShadowColor[0], kShadowColor[1], kShadowColor[2], kShadowAlpha);
    glEnable(GL_DEPTH_TEST);
    glPushMatrix();
    glMultMatrixf(shadowMatrix.data());
    drawBox(data, textures, kNoOutline);
    glPopMatrix();
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_STENCIL_TEST);
}

} // namespace

void drawFrame(const ProjectData& data, const SceneTextures& textures,
               const FrameOptions& options) {
    const Rgb* backdrop = options.backdrop;
    resetFrameState();
    if (const PixelRect* region = options.region) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(region->x, region->y, region->width, region->height);
    }
    if (backdrop) {
        glClearColor((*backdrop)[0], (*backdrop)[1], (*backdrop)[2], 1.0f);
    } else {
        glClearColor(data.backgroundColor[0], data.backgroundColor[1], data.backgroundColor[2],
                     data.backgroundColor[3]);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    if (!backdrop) {
        drawBackground(data);
    }
    const Matrix4 shadowMatrix = computeShadowMatrix(kFloorPlane, shadowLight(data, options));
    glEnable(GL_DEPTH_TEST);
    const Rgb& floorColour = backdrop ? *backdrop : kFloorColor;

    if (data.showReflection != 0 || data.showShadow != 0) {
        drawMirrorPass(data, textures, options.outlinedFace,
                       lookValue(options.look.reflectionFade));
    } else if (data.showFloor != 0) {
        glDisable(GL_LIGHTING);
        glColor3fv(floorColour.data());
        glDisable(GL_BLEND);
        drawFloorQuad(data, textures, !backdrop);
    }

    if (data.showShadow != 0) {
        glEnable(GL_STENCIL_TEST);
        setStencil(GL_ALWAYS, kStencilShadowTarget, GL_KEEP, GL_KEEP, GL_REPLACE);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(floorColour[0], floorColour[1], floorColour[2], kTranslucentFloorAlpha);
    if (data.showFloor != 0) {
        glDisable(GL_LIGHTING);
        drawFloorQuad(data, textures, !backdrop);
    }

    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    if (data.showShadow != 0) {
        // The box hides the floor it stands in front of, and its shadow must not land there: the
        // shadow's pull towards the eye would otherwise darken a seam along the box's base.
        setStencil(GL_ALWAYS, kStencilCleared, GL_KEEP, GL_KEEP, GL_REPLACE);
    }
    drawBox(data, textures, options.outlinedFace);

    if (data.showShadow != 0) {
        drawShadowPass(data, textures, shadowMatrix);
    }
    if (options.lightMarker) {
        drawLightMarker(data);
    }
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
}

std::array<float, 4> shadowLight(const ProjectData& data, const FrameOptions& options) {
    std::array<float, 4> light = data.lightPosition;
    const float spread = lookValue(options.look.shadowSoftness);
    const auto [u, v] = options.lightDisc;
    if (!(spread > 0.0f) || (u == 0.0f && v == 0.0f)) {
        return light;
    }
    // Across the direction from the box's foot to the light: one way level, the other up and
    // over; level ones alone when the light stands straight above.
    const float distance = std::hypot(light[0], light[1], light[2]);
    const float level = std::hypot(light[0], light[1]);
    if (!(distance > 0.0f) || !std::isfinite(distance)) {
        return light;
    }
    std::array<float, 3> across = {1.0f, 0.0f, 0.0f};
    std::array<float, 3> over = {0.0f, 1.0f, 0.0f};
    if (level > 0.0f) {
        across = {-light[1] / level, light[0] / level, 0.0f};
        const float rise = light[2] / distance;
        over = {-rise * light[0] / level, -rise * light[1] / level, level / distance};
    }
    const float radius = spread * kLightDiscShare * distance;
    for (int i = 0; i < 3; ++i) {
        light[i] += radius * (u * across[i] + v * over[i]);
    }
    return light;
}

void drawBackground(const ProjectData& data) {
    if (data.gradientBackground == 0) {
        return;
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glShadeModel(GL_SMOOTH);

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, kBackgroundNear, kBackgroundFar);

    const Rgba& bottom = data.gradientBottomColor;
    const Rgba& top = data.gradientTopColor;
    glBegin(GL_QUADS);
    glColor3f(bottom[0], bottom[1], bottom[2]);
    glVertex3f(-1.0f, -1.0f, kBackgroundDepth);
    glVertex3f(1.0f, -1.0f, kBackgroundDepth);
    glColor3f(top[0], top[1], top[2]);
    glVertex3f(1.0f, 1.0f, kBackgroundDepth);
    glVertex3f(-1.0f, 1.0f, kBackgroundDepth);
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
}

void drawLightMarker(const ProjectData& data) {
    if (data.hideOverlays != 0) {
        return;
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(data.lightPosition[0], data.lightPosition[1], data.lightPosition[2]);
    glColor3fv(kLightMarkerColor.data());
    drawCuboid(-kLightMarkerHalfSide, -kLightMarkerHalfSide, -kLightMarkerHalfSide,
               kLightMarkerHalfSide, kLightMarkerHalfSide, kLightMarkerHalfSide);
    glPopMatrix();
}

void computeShadowMatrix(float out[16], const float plane[4], const float light[4]) {
    const float d =
        plane[0] * light[0] + plane[1] * light[1] + plane[2] * light[2] + plane[3] * light[3];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            const float diagonal = row == column ? d : 0.0f;
            out[4 * column + row] = diagonal - light[row] * plane[column];
        }
    }
}

Matrix4 computeShadowMatrix(const Plane& plane, const std::array<float, 4>& light) {
    Matrix4 out{};
    computeShadowMatrix(out.data(), plane.data(), light.data());
    return out;
}

void drawCuboid(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) {
    struct Corner {
        float x, y, z;
    };
    struct Side {
        float nx, ny, nz;
        Corner corners[4]; // counter-clockwise seen from outside
    };
    // One side a row: its normal, then its corners.
    // clang-format off
    const Side sides[6] = {
        { 0,  0,  1, {{maxX, maxY, maxZ}, {minX, maxY, maxZ}, {minX, minY, maxZ}, {maxX, minY, maxZ}}},
        { 0,  0, -1, {{maxX, minY, minZ}, {minX, minY, minZ}, {minX, maxY, minZ}, {maxX, maxY, minZ}}},
        {-1,  0,  0, {{minX, minY, maxZ}, {minX, maxY, maxZ}, {minX, maxY, minZ}, {minX, minY, minZ}}},
        { 1,  0,  0, {{maxX, maxY, maxZ}, {maxX, minY, maxZ}, {maxX, minY, minZ}, {maxX, maxY, minZ}}},
        { 0,  1,  0, {{minX, maxY, maxZ}, {maxX, maxY, maxZ}, {maxX, maxY, minZ}, {minX, maxY, minZ}}},
        { 0, -1,  0, {{maxX, minY, maxZ}, {minX, minY, maxZ}, {minX, minY, minZ}, {maxX, minY, minZ}}},
    };
    // clang-format on
    constexpr float kCornerTexCoords[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};
    glBegin(GL_QUADS);
    for (const Side& side : sides) {
        glNormal3f(side.nx, side.ny, side.nz);
        for (int k = 0; k < 4; ++k) {
            glTexCoord2fv(kCornerTexCoords[k]);
            glVertex3f(side.corners[k].x, side.corners[k].y, side.corners[k].z);
        }
    }
    glEnd();
}

} // namespace cartonic
