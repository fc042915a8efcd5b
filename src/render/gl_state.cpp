#include "render/gl_state.h"

#include "image/textures.h"
#include "render/face_lists.h"
#include "render/lighting.h"

#include <GL/gl.h>

namespace cartonic {

namespace {

// An implementation keeps at most one flag per kind of error; this bounds the drain in case a
// lost context keeps answering with an error.
constexpr int kMaxPendingErrors = 16;
constexpr GLint kUnpackAlignment = 1;

} // namespace

void initGLState(ProjectData& data) {
    for (int k = 0; k < kMaxPendingErrors && glGetError() != GL_NO_ERROR; ++k) {
    }
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
