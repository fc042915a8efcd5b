#pragma once

// The least code that draws a frame of the kind Cartonic draws: a gradient background, a
// textured floor that marks the stencil, the box mirrored in it, the floor blended over the
// mirror image, a planar shadow counted once a pixel through the stencil, and a lit, textured
// box. The start-up benchmarks' references draw it: a software rasteriser compiles its code for
// each such combination of state, which no program drawing this kind of picture escapes.
// Plain OpenGL 1.1, no Cartonic code.

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <vector>

namespace minimal {

// Textures of two kinds. As a view's first frame has them: one small pattern, linearly filtered,
// repeated. As an export draws pictures: one for each face and one for the floor, mipmapped, the
// faces' clamped at their edges and the floor's repeated.
inline constexpr int kPatternSide = 64;
inline constexpr int kFaceCount = 6;

// A texture of width x height RGBA pixels; with its smaller levels when mipmapped.
inline GLuint makeTexture(std::vector<std::uint8_t> texels, int width, int height, GLint wrap,
                          bool mipmapped) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (!mipmapped) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        return name;
    }
    // Each smaller level the mean of 2 x 2 texels of the one above, averaged here: the cheapest
    // way on a software rasteriser, which would draw glGenerateMipmap's levels.
    std::vector<std::uint8_t> above = std::move(texels);
    for (GLint level = 1; width > 1 || height > 1; ++level) {
        const int w = width > 1 ? width / 2 : 1;
        const int h = height > 1 ? height / 2 : 1;
        std::vector<std::uint8_t> next(static_cast<std::size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                for (int c = 0; c < 4; ++c) {
                    const auto at = [&](int dx, int dy) {
                        const int sx = width > 1 ? 2 * x + dx : 0;
                        const int sy = height > 1 ? 2 * y + dy : 0;
                        return above[(static_cast<std::size_t>(sy) * width + sx) * 4 + c];
                    };
                    next[(static_cast<std::size_t>(y) * w + x) * 4 + c] = static_cast<std::uint8_t>(
                        (at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1) + 2) / 4);
                }
            }
        }
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     next.data());
        above = std::move(next);
        width = w;
        height = h;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    return name;
}

// A side x side checkerboard.
inline std::vector<std::uint8_t> pattern(int side) {
    std::vector<std::uint8_t> texels(static_cast<std::size_t>(side) * side * 4);
    for (int i = 0; i < side * side; ++i) {
        const bool light = ((i % side) / 8 + (i / side) / 8) % 2 == 0;
        texels[i * 4] = light ? 200 : 40;
        texels[i * 4 + 1] = light ? 220 : 120;
        texels[i * 4 + 2] = light ? 200 : 60;
        texels[i * 4 + 3] = 255;
    }
    return texels;
}

struct Textures {
    GLuint faces[kFaceCount] = {};
    GLuint floor = 0;
};

inline Textures makePatternTextures() {
    const GLuint tile =
        makeTexture(pattern(kPatternSide), kPatternSide, kPatternSide, GL_REPEAT, false);
    Textures textures;
    for (GLuint& face : textures.faces) {
        face = tile;
    }
    textures.floor = tile;
    return textures;
}

// The box from (-1, -1, 0) to (1, 1, 2), z up, each face a quad with its normal and its texture
// (top, bottom, -y, +y, +x, -x), or none.
inline void drawBox(const GLuint* faces = nullptr) {
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
    for (int f = 0; f < kFaceCount; ++f) {
        if (faces) {
            glBindTexture(GL_TEXTURE_2D, faces[f]);
        }
        glBegin(GL_QUADS);
        glNormal3fv(kNormals[f]);
        for (int c = 0; c < 4; ++c) {
            glTexCoord2fv(kCorners[c]);
            glVertex3fv(kFaces[f][c]);
        }
        glEnd();
    }
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
inline void drawFrame(int width, int height, const Textures& textures) {
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
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    // The floor marks the stencil where the mirror image may show.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    glBindTexture(GL_TEXTURE_2D, textures.floor);
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
    drawBox(textures.faces);
    glFrontFace(GL_CCW);
    glPopMatrix();

    // The floor over it, partly see-through.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 0.7f);
    glEnable(GL_COLOR_MATERIAL);
    glBindTexture(GL_TEXTURE_2D, textures.floor);
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
    drawBox(textures.faces);
}

} // namespace minimal
