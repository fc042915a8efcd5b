#include "render/face_lists.h"

#include <GL/gl.h>

namespace cartonic {

unsigned buildFaceList(const FaceSlot& slot) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glShadeModel(GL_FLAT);
    glNormal3fv(slot.normal.data());
    glBegin(GL_QUADS);
    for (const FaceVertex& corner : slot.vertices) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.x, corner.y, corner.z);
    }
    glEnd();
    glEndList();
    return list;
}

} // namespace cartonic
