#include "render/box_drawing.h"

#include "model/box_geometry.h"
#include "render/lighting.h"

#include <GL/gl.h>

namespace cartonic {

namespace {

// The orientation's transform (model/box_geometry.h) as a texture matrix, column by column.
void orientTexture(std::int32_t orientation) {
    const TextureTransform& m = orientationTransform(orientation);
    const std::array<GLfloat, 16> matrix = {m.ss, m.ts, 0, 0, m.st, m.tt, 0, 0,
                                            0,    0,    1, 0, m.s0, m.t0, 0, 1};
    glLoadMatrixf(matrix.data());
}

} // namespace

void drawFace(const FaceSlot& slot, unsigned texture, unsigned list) {
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    applyFaceMaterial(slot);
    if (texture != 0 && slot.showTexture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        // A picture on a face is lit like the face's material.
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        orientTexture(slot.orientation);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glCallList(list);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void drawOutline(const FaceSlot& slot, const Rgb& color) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glColor3fv(color.data());
    glBegin(GL_LINE_LOOP);
    for (const FaceVertex& corner : slot.vertices) {
        glVertex3f(corner.x, corner.y, corner.z);
    }
    glEnd();
}

void drawBox(const ProjectData& data, const SceneTextures& textures, int outlinedFace) {
    glPushMatrix();
    glScalef(data.boxWidth, data.boxDepth, data.boxHeight);
    for (std::size_t k = 0; k < kFaceCount; ++k) {
        drawFace(data.faceSlots[k], textures.pictures[k], textures.faceLists[k]);
    }
    if (outlinedFace >= 0 && outlinedFace < kFaceCount && data.hideOverlays == 0) {
        drawOutline(data.faceSlots[static_cast<std::size_t>(outlinedFace)], data.outlineColor);
    }
    glPopMatrix();
}

} // namespace cartonic
