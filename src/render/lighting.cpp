#include "render/lighting.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace cartonic {

namespace {

// OpenGL takes spot exponents 0..128 and cut-offs 0..90 or exactly 180, and ignores the call
// (raising GL_INVALID_VALUE) otherwise. No editor leaves that range, but a project file can
// carry anything, so the light gets the nearest value it accepts instead of keeping the last.
constexpr int kMaxSpotExponent = 128;
constexpr float kMaxSpotCutoff = 90.0f;
constexpr float kUniformSpotCutoff = 180.0f;

GLint glSpotExponent(std::int32_t exponent) {
    return std::clamp(exponent, 0, kMaxSpotExponent);
}

GLfloat glSpotCutoff(float cutoff) {
    if (cutoff == kUniformSpotCutoff || std::isnan(cutoff)) {
        return kUniformSpotCutoff;
    }
    return std::clamp(cutoff, 0.0f, kMaxSpotCutoff);
}

} // namespace

void applyLight(const ProjectData& data) {
    // The camera lives in the projection matrix; under an identity model-view the position and
    // direction are taken as world coordinates. Callers outside a frame may have another matrix
    // mode selected, so the model-view matrix is chosen here and the mode given back afterwards.
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_LIGHT0);
    glLighti(GL_LIGHT0, GL_SPOT_EXPONENT, glSpotExponent(data.spotExponent));
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, glSpotCutoff(data.spotCutoff));
    glLightfv(GL_LIGHT0, GL_AMBIENT, data.lightAmbient.data());
    glLightfv(GL_LIGHT0, GL_DIFFUSE, data.lightDiffuse.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, data.lightSpecular.data());
    glLightfv(GL_LIGHT0, GL_POSITION, data.lightPosition.data());
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, data.spotDirection.data());
    if (data.lightingEnabled != 0) {
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
    }
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
}

void specifyLightPosition(const ProjectData& data) {
    glLightfv(GL_LIGHT0, GL_POSITION, data.lightPosition.data());
}

void applyBaseMaterial() {
    glMaterialfv(GL_FRONT, GL_AMBIENT, kBaseMaterialAmbient.data());
    glMaterialfv(GL_FRONT, GL_DIFFUSE, kBaseMaterialDiffuse.data());
    glMaterialfv(GL_FRONT, GL_SPECULAR, kBaseMaterialSpecular.data());
    glMaterialfv(GL_FRONT, GL_EMISSION, kBaseMaterialEmission.data());
    glMaterialf(GL_FRONT, GL_SHININESS, kBaseMaterialShininess);
}

void applyFaceMaterial(const FaceSlot& slot) {
    glMaterialfv(GL_FRONT, GL_AMBIENT, slot.ambientColor.data());
    glMaterialfv(GL_FRONT, GL_DIFFUSE, slot.diffuseColor.data());
    glMaterialfv(GL_FRONT, GL_SPECULAR, slot.specularColor.data());
}

} // namespace cartonic
