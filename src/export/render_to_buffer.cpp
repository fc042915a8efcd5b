#include "export/render_to_buffer.h"

#include "gl/offscreen_target.h"
#include "render/scene_renderer.h"

#include <GL/gl.h>

namespace cartonic {

bool renderToBuffer(ProjectData& data, const Camera& camera, int width, int height,
                    RgbaPicture& out, std::string* why) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);

    std::string error;
    auto target = gl::OffscreenTarget::create(width, height, &error);
    if (!target) {
        if (why) {
            *why = error;
        }
        return false;
    }
    data.showSelection = 0;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.applyProjection();
    drawFrame(data);
    glFlush();
    data.showSelection = 1;

    out.width = width;
    out.height = height;
    out.rgba = target->readRgba();
    glGetError(); // a failed draw shows in the picture; there is nothing more to do about it
    target.reset();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    return true;
}

} // namespace cartonic
