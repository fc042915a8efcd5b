#include "render/gl_state.h"

#include "gl/gl_errors.h"
#include "render/lighting.h"

#include <GL/gl.h>

namespace cartonic {

namespace {

constexpr GLint kUnpackAlignment = 1;

} // namespace

void initGLState(const ProjectData& data) {
    gl::clearPendingErrors();
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_LIGHT0);
    applyRecordGLState(data);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glLineWidth(kOutlineLineWidth);
    applyBaseMaterial();
    glPixelStorei(GL_UNPACK_ALIGNMENT, kUnpackAlignment);
    glEnable(GL_TEXTURE_2D);
    glPolygonOffset(kShadowPolygonOffsetFactor, kShadowPolygonOffsetUnits);
}

void applyRecordGLState(const ProjectData& data) {
    applyLight(data);
    if (data.lightingEnabled != 0) {
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
    }
    glClearColor(data.backgroundColor[0], data.backgroundColor[1], data.backgroundColor[2],
                 data.backgroundColor[3]);
    // Pictures built later switch this to modulate; until then textures show their own colours.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
}

} // namespace cartonic
