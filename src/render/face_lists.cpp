#include "render/face_lists.h"

#include <GL/gl.h>

namespace cartonic {

void buildList(FaceSlot& slot) {
    slot.displayList = glGenLists(1);
    glNewList(slot.displayList, GL_COMPILE);
    glShadeModel(GL_FLAT);
    glNormal3fv(slot.normal.data());
    glBegin(GL_QUADS);
    for (const FaceVertex& corner : slot.vertices) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.x, corner.y, corner.z);
    }
    glEnd();
    glEndList();
}

void buildFaceLists(ProjectData& data) {
    for (int k = 0; k < kFaceCount; ++k) {
        buildList(data.faceSlots[static_cast<std::size_t>(k)]);
    }
}

} // namespace cartonic
