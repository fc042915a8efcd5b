#pragma once

// The least code that draws a frame of the kind Cartonic draws: a gradient background, a
// textured floor that marks the stencil, the box mirrored in it, the floor blended over the
// mirror image, a planar shadow counted once a pixel through the stencil, and a lit, textured
// box. The start-up benchmarks' references draw it: a software rasteriser compiles its code for
// each such combination of state, which no program drawing this kind of picture escapes.
// Plain OpenGL 1.1, no Cartonic code.

#include <GL/gl.h>

#include <array>
#include <cstdint>

namespace minimal {

inline constexpr int kTextureSide = 64;

inline GLuint makeTexture() {
    std::array<std::uint8_t, kTextureSide * kTextureSide * 3> texels{};
    for (int i = 0; i < kTextureSide * kTextureSide; ++i) {
        const bool light = ((i % kTextureSide) / 8 + (i / kTextureSide) / 8) % 2 == 0;
        texels[i * 3] = light ? 200 : 40;
        texels[i * 3 + 1] = light ? 220 : 120;
        texels[i * 3 + 2] = light ? 200 : 60;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kTextureSide, kTextureSide, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 texels.data());
    return name;
}

// The box from (-1, -1, 0) to (1, 1, 2), z up, each face a textured quad with its normal.
inline void drawBox() {
    static constexpr float kFaces[6][4][3] = {
        {{-1, -1, 2}, {1, -1, 2}, {1, 1, 2}, {-1, 1, 2}},
        {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}},
        {{-1, -1, 0}, {1, -1, 0}, {1, -1, 2}, {-1, -1, 2}},
        {{1, 1, 0}, {-1, 1, 0}, {-1, 1, 2}, {1, 1, 2}},
        {{1, -1, 0}, {1, 1, 0}, {1, 1, 2}, {1, -1, 2}},
        {{-1, 1, 0}, {-1, -1, 0}, {-1, -1, 2}, {-1, 1, 2}},
    };
    static constexpr float kNormals[6][3] = {{0, 0, 1}, {0, 0, -1}, {0, -1, 0},
                                             {0, 1, 0}, {1, 0, 0},  {-1, 0, 0}};
    static constexpr float kCorners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    glBegin(GL_QUADS);
    for (int f = 0; f < 6; ++f) {
        glNormal3fv(kNormals[f]);
        for (int c = 0; c < 4; ++c) {
            glTexCoord2fv(kCorners[c]);
            glVertex3fv(kFaces[f][c]);
        }
    }
    glEnd();
}

inline void drawFloor() {
    glNormal3f(0, 0, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-8, -8, 0);
    glTexCoord2f(8, 0);
    glVertex3f(8, -8, 0);
    glTexCoord2f(8, 8);
    glVertex3f(8, 8, 0);
    glTexCoord2f(0, 8);
    glVertex3f(-8, 8, 0);
    glEnd();
}

// One frame of a width x height picture into the current framebuffer, which has depth and
// stencil.
inline void drawFrame(int width, int height, GLuint texture) {
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    // Background: a vertical gradient over the whole picture.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glColor3f(0.0f, 0.3f, 0.2f);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glColor3f(0.0f, 0.6f, 0.5f);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.6, 0.6, -0.45, 0.45, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, -1, -9);
    glRotatef(-65, 1, 0, 0);
    glRotatef(30, 0, 0, 1);

    const GLfloat light[] = {4, -4, 8, 1};
    const GLfloat down[] = {-0.4f, 0.4f, -0.8f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 60);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    // The floor marks the stencil where the mirror image may show.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    drawFloor();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);

    // The mirror image, lit, where the floor is.
    glStencilFunc(GL_EQUAL, 1, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    glScalef(1, 1, -1);
    glFrontFace(GL_CW);
    drawBox();
    glFrontFace(GL_CCW);
    glPopMatrix();

    // The floor over it, partly see-through.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 0.7f);
    glEnable(GL_COLOR_MATERIAL);
    drawFloor();
    glDisable(GL_COLOR_MATERIAL);

    // The shadow: the box flattened onto the floor from the light, each pixel darkened once.
    const GLfloat flatten[16] = {light[2],  0,         0, 0,  0, light[2], 0, 0,
                                 -light[0], -light[1], 0, -1, 0, 0,        0, light[2]};
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-2, -1);
    glStencilFunc(GL_EQUAL, 1, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    glColor4f(0, 0, 0, 0.5f);
    glPushMatrix();
    glMultMatrixf(flatten);
    drawBox();
    glPopMatrix();
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);

    // The box, lit and textured.
    glColor4f(1, 1, 1, 1);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    drawBox();
}

} // namespace minimal
