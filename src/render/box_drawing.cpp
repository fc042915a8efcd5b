#include "render/box_drawing.h"

#include "render/lighting.h"

#include <GL/gl.h>

namespace cartonic {

namespace {

// Flips and turns act about the middle of the picture, (0.5, 0.5) in texture coordinates.
constexpr float kTextureCentre = 0.5f;
constexpr float kQuarterTurnDegrees = 90.0f;

void orientTexture(std::int32_t orientation) {
    switch (orientation) {
    case MirrorT: // t becomes 1 - t
        glTranslatef(0.0f, 1.0f, 0.0f);
        glScalef(1.0f, -1.0f, 1.0f);
        break;
    case MirrorS: // s becomes 1 - s
        glTranslatef(1.0f, 0.0f, 0.0f);
        glScalef(-1.0f, 1.0f, 1.0f);
        break;
    case Turn90:
    case Turn180:
    case Turn270: {
        const float quarters = static_cast<float>(orientation - Turn90 + 1);
        glTranslatef(kTextureCentre, kTextureCentre, 0.0f);
        glRotatef(quarters * kQuarterTurnDegrees, 0.0f, 0.0f, 1.0f);
        glTranslatef(-kTextureCentre, -kTextureCentre, 0.0f);
        break;
    }
    default:
        break;
    }
}

} // namespace

void drawFace(const FaceSlot& slot) {
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    applyFaceMaterial(slot);
    if (slot.textureId != 0 && slot.showTexture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, slot.textureId);
        glLoadIdentity();
        orientTexture(slot.orientation);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glCallList(slot.displayList);
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

void drawBox(const ProjectData& data, bool withOutline) {
    glPushMatrix();
    glScalef(data.boxWidth, data.boxDepth, data.boxHeight);
    for (int k = 0; k < kFaceCount; ++k) {
        drawFace(data.faceSlots[static_cast<std::size_t>(k)]);
    }
    // A record read from a file may name a slot that is no box face; such a record has no
    // selection to outline.
    const bool selectionIsFace = data.selectedFace >= 0 && data.selectedFace < kFaceCount;
    if (withOutline && data.hideOverlays == 0 && data.showSelection != 0 && selectionIsFace) {
        drawOutline(data.selectedSlot(), data.outlineColor);
    }
    glPopMatrix();
}

} // namespace cartonic
