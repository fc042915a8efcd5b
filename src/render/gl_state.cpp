#include "render/gl_state.h"

#include "gl/gl_errors.h"
#include "image/textures.h"
#include "render/face_lists.h"
#include "render/lighting.h"

#include <GL/gl.h>

namespace cartonic {

namespace {

constexpr GLint kUnpackAlignment = 1;

} // namespace

void initGLState(ProjectData& data) {
    gl::clearPendingErrors();
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_LIGHT0);
    applyLight(data);
    buildFloorPattern(data);
    buildFaceLists(data);
    if (data.lightingEnabled != 0) {
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
    }
    glClearColor(data.backgroundColor[0], data.backgroundColor[1], data.backgroundColor[2],
                 data.backgroundColor[3]);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glLineWidth(kOutlineLineWidth);
    applyBaseMaterial();
    glPixelStorei(GL_UNPACK_ALIGNMENT, kUnpackAlignment);
    // Pictures built later switch this to modulate; until then textures show their own colours.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glEnable(GL_TEXTURE_2D);
    glPolygonOffset(kShadowPolygonOffsetFactor, kShadowPolygonOffsetUnits);
}

} // namespace cartonic
