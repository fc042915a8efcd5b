#include "render/texel_need.h"

#include "camera/quaternion.h"
#include "render/scene_renderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace cartonic {

namespace {

// Cells a surface is cut into, along each side, to find where it needs the most texels.
constexpr int kDensityCells = 16;

// A point of a textured quad: its place in the world and its texture coordinates.
struct QuadPoint {
    float x, y, z;
    float s, t;
};
using Quad = std::array<QuadPoint, 4>;

struct ScreenPoint {
    float x, y; // pixels
    float w;    // the clip coordinate: distance in front of the eye
};

QuadPoint bilinear(const Quad& q, float u, float v) {
    const auto mix = [u, v](float a, float b, float c, float d) {
        return (a * (1 - u) + b * u) * (1 - v) + (d * (1 - u) + c * u) * v;
    };
    return {mix(q[0].x, q[1].x, q[2].x, q[3].x), mix(q[0].y, q[1].y, q[2].y, q[3].y),
            mix(q[0].z, q[1].z, q[2].z, q[3].z), mix(q[0].s, q[1].s, q[2].s, q[3].s),
            mix(q[0].t, q[1].t, q[2].t, q[3].t)};
}

ScreenPoint toScreen(const std::array<float, 16>& m, const QuadPoint& p, int width, int height) {
    float clip[4];
    for (int row = 0; row < 4; ++row) {
        clip[row] = m[row] * p.x + m[4 + row] * p.y + m[8 + row] * p.z + m[12 + row];
    }
    if (clip[3] <= 0.0f) {
        return {0.0f, 0.0f, clip[3]};
    }
    return {(clip[0] / clip[3] + 1.0f) * 0.5f * static_cast<float>(width),
            (clip[1] / clip[3] + 1.0f) * 0.5f * static_cast<float>(height), clip[3]};
}

// Screen pixels per unit of s, and per unit of t, as vectors, over one cell of a quad.
struct CellScale {
    double sx, sy; // along s
    double tx, ty; // along t
};

// Calls visit(CellScale) for each cell of the quad that lies in front of the near plane and at
// least partly inside the picture.
template <class Visit>
void forEachSeenCell(const Quad& quad, const Camera& camera, int width, int height, Visit visit) {
    const std::array<float, 16> m = camera.projectionMatrix();
    constexpr int kPoints = kDensityCells + 1;
    std::array<ScreenPoint, kPoints * kPoints> screen{};
    std::array<QuadPoint, kPoints * kPoints> world{};
    for (int j = 0; j < kPoints; ++j) {
        for (int i = 0; i < kPoints; ++i) {
            const QuadPoint p = bilinear(quad, static_cast<float>(i) / kDensityCells,
                                         static_cast<float>(j) / kDensityCells);
            world[j * kPoints + i] = p;
            screen[j * kPoints + i] = toScreen(m, p, width, height);
        }
    }
    for (int j = 0; j < kDensityCells; ++j) {
        for (int i = 0; i < kDensityCells; ++i) {
            const int at = j * kPoints + i;
            const std::array<int, 4> corners = {at, at + 1, at + kPoints, at + kPoints + 1};
            float left = 0, right = 0, bottom = 0, top = 0;
            bool seen = true;
            for (int k = 0; k < 4; ++k) {
                const ScreenPoint& c = screen[corners[k]];
                seen = seen && c.w >= camera.nearPlane;
                left = k == 0 ? c.x : std::min(left, c.x);
                right = k == 0 ? c.x : std::max(right, c.x);
                bottom = k == 0 ? c.y : std::min(bottom, c.y);
                top = k == 0 ? c.y : std::max(top, c.y);
            }
            if (!seen || right < 0 || bottom > static_cast<float>(height) || top < 0 ||
                left > static_cast<float>(width)) {
                continue;
            }
            // The screen step along u and v, and the texture step: their ratio, solved for the
            // screen step per unit of s and of t.
            const ScreenPoint& o = screen[at];
            const double pux = screen[at + 1].x - o.x, puy = screen[at + 1].y - o.y;
            const double pvx = screen[at + kPoints].x - o.x, pvy = screen[at + kPoints].y - o.y;
            const double su = world[at + 1].s - world[at].s, tu = world[at + 1].t - world[at].t;
            const double sv = world[at + kPoints].s - world[at].s;
            const double tv = world[at + kPoints].t - world[at].t;
            const double det = su * tv - sv * tu;
            if (std::abs(det) < 1e-12) {
                continue;
            }
            visit(CellScale{(pux * tv - pvx * tu) / det, (puy * tv - pvy * tu) / det,
                            (pvx * su - pux * sv) / det, (pvy * su - puy * sv) / det});
        }
    }
}

// The most pixels a unit of s, and of t, covers on the part of the quad in front of the near plane
// and inside the picture, measured cell by cell.
void addDensity(const Quad& quad, const Camera& camera, int width, int height, double& perS,
                double& perT) {
    forEachSeenCell(quad, camera, width, height, [&](const CellScale& c) {
        perS = std::max(perS, std::hypot(c.sx, c.sy));
        perT = std::max(perT, std::hypot(c.tx, c.ty));
    });
}

// The most anisotropy a pixel's footprint has anywhere on the quad, in a texture of texelsS and
// texelsT texels per unit of s and t: the footprint's long axis over its short one, the short one
// counted as at least a texel, since filtering along a magnified axis gains nothing. 1 where the
// texture is magnified both ways.
void addAnisotropy(const Quad& quad, const Camera& camera, int width, int height, double texelsS,
                   double texelsT, double& most) {
    forEachSeenCell(quad, camera, width, height, [&](const CellScale& c) {
        const double det = c.sx * c.ty - c.tx * c.sy;
        if (std::abs(det) < 1e-12) {
            return;
        }
        // Texels per pixel: the texel scale times the inverse of the screen steps.
        const double a = texelsS * c.ty / det, b = -texelsS * c.tx / det;
        const double d = -texelsT * c.sy / det, e = texelsT * c.sx / det;
        // The footprint's axes are the singular values of [a b; d e].
        const double squares = a * a + b * b + d * d + e * e;
        const double area = std::abs(a * e - b * d);
        const double spread = std::sqrt(std::max(0.0, squares * squares - 4.0 * area * area));
        const double longAxis = std::sqrt((squares + spread) / 2.0);
        const double shortAxis = std::sqrt(std::max(0.0, (squares - spread) / 2.0));
        if (longAxis > 1.0) {
            most = std::max(most, longAxis / std::max(shortAxis, 1.0));
        }
    });
}

Quad faceQuad(const ProjectData& data, const FaceSlot& slot, float mirror) {
    Quad quad{};
    for (std::size_t k = 0; k < quad.size(); ++k) {
        const FaceVertex& v = slot.vertices[k];
        quad[k] = {v.x * data.boxWidth, v.y * data.boxDepth, v.z * data.boxHeight * mirror, v.s,
                   v.t};
    }
    return quad;
}

// The floor quad as the scene draws it with a picture: s along y, t along x.
Quad floorQuad(const ProjectData& data) {
    const float w = data.floorHalfWidth;
    const float d = data.floorHalfDepth;
    const float r = kFloorPictureRepeat;
    return {{{-w, -d, 0, 0, 0}, {w, -d, 0, 0, r}, {w, d, 0, r, r}, {-w, d, 0, r, 0}}};
}

// Whether a face of the box, or of its mirror image, whose corners average to centre, is turned
// towards the camera: its normal, taken from its corners and pointed away from the centre, points
// to the eye's side of it. The box is convex, so a face turned away is hidden behind the others. A
// face of no area counts as turned towards the camera.
bool facesCamera(const Camera& camera, const Quad& quad, const Vec3& centre) {
    const auto minus = [](const QuadPoint& p, const QuadPoint& q) {
        return Vec3{p.x - q.x, p.y - q.y, p.z - q.z};
    };
    const auto dot = [](const Vec3& u, const Vec3& v) {
        return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    };
    // The cross product of the diagonals.
    const Vec3 d1 = minus(quad[2], quad[0]);
    const Vec3 d2 = minus(quad[3], quad[1]);
    Vec3 normal = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2],
                   d1[0] * d2[1] - d1[1] * d2[0]};
    const Vec3 middle = {(quad[0].x + quad[1].x + quad[2].x + quad[3].x) / 4,
                         (quad[0].y + quad[1].y + quad[2].y + quad[3].y) / 4,
                         (quad[0].z + quad[1].z + quad[2].z + quad[3].z) / 4};
    const Vec3 outwards = {middle[0] - centre[0], middle[1] - centre[1], middle[2] - centre[2]};
    if (dot(normal, outwards) < 0.0f) {
        normal = {-normal[0], -normal[1], -normal[2]};
    }
    const Vec3 towardsEye =
        camera.perspective != 0
            ? Vec3{camera.eye[0] - middle[0], camera.eye[1] - middle[1], camera.eye[2] - middle[2]}
            : Quaternion::rotate(camera.rotation, {0.0f, 0.0f, 1.0f});
    return dot(normal, towardsEye) >= 0.0f;
}

// The surfaces that show a slot's picture in camera's view: the floor, or the face and its mirror
// image when the reflection shows, each when it is turned towards the camera.
std::vector<Quad> surfacesOf(const ProjectData& data, int slot, const Camera& camera) {
    if (slot == kFloorSlot) {
        return {floorQuad(data)};
    }
    std::vector<Quad> quads;
    for (const float mirror : {1.0f, -1.0f}) {
        if (mirror < 0.0f && data.showReflection == 0) {
            continue;
        }
        Vec3 centre = {0.0f, 0.0f, 0.0f};
        for (int k = 0; k < kFaceCount; ++k) {
            for (const QuadPoint& corner : faceQuad(data, data.faceSlots[k], mirror)) {
                centre = {centre[0] + corner.x, centre[1] + corner.y, centre[2] + corner.z};
            }
        }
        const float corners = 4.0f * kFaceCount;
        centre = {centre[0] / corners, centre[1] / corners, centre[2] / corners};
        const Quad quad = faceQuad(data, data.faceSlots[static_cast<std::size_t>(slot)], mirror);
        if (facesCamera(camera, quad, centre)) {
            quads.push_back(quad);
        }
    }
    return quads;
}

// A quarter turn lays the picture's width along t.
bool turned(const ProjectData& data, int slot) {
    if (slot == kFloorSlot) {
        return false;
    }
    const int orientation = data.faceSlots[static_cast<std::size_t>(slot)].orientation;
    return orientation == Turn90 || orientation == Turn270;
}

} // namespace

TextureSize neededTexels(const ProjectData& data, int slot, const Camera& camera, int width,
                         int height) {
    double perS = 0.0;
    double perT = 0.0;
    for (const Quad& quad : surfacesOf(data, slot, camera)) {
        addDensity(quad, camera, width, height, perS, perT);
    }
    if (turned(data, slot)) {
        std::swap(perS, perT);
    }
    const auto texels = [](double perUnit) {
        // A record of any numbers may give any density; none that is not a number counts.
        return std::isnan(perUnit)
                   ? 1
                   : static_cast<int>(std::clamp(std::ceil(perUnit), 1.0, double(1 << 30)));
    };
    return {texels(perS), texels(perT)};
}

double neededAnisotropy(const ProjectData& data, int slot, const Camera& camera, int width,
                        int height, TextureSize texture) {
    double texelsS = texture.width;
    double texelsT = texture.height;
    if (turned(data, slot)) {
        std::swap(texelsS, texelsT);
    }
    double most = 1.0;
    for (const Quad& quad : surfacesOf(data, slot, camera)) {
        addAnisotropy(quad, camera, width, height, texelsS, texelsT, most);
    }
    return most;
}

} // namespace cartonic
