#include "camera/face_picking.h"

#include "model/box_geometry.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace cartonic {

namespace {

using DoubleMatrix = std::array<double, 16>; // column-major, as OpenGL keeps it
using Vec4 = std::array<double, 4>;

// The inverse of m, or none for a matrix that has none.
std::optional<DoubleMatrix> inverse(const DoubleMatrix& m) {
    DoubleMatrix inv{};
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    const double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0 || !std::isfinite(det)) {
        return std::nullopt;
    }
    for (double& v : inv) {
        v /= det;
    }
    return inv;
}

// The world point at normalised device coordinates (x, y, z).
std::optional<std::array<double, 3>> unproject(const DoubleMatrix& inv, double x, double y,
                                               double z) {
    Vec4 p{};
    for (int row = 0; row < 4; ++row) {
        p[row] = inv[row] * x + inv[4 + row] * y + inv[8 + row] * z + inv[12 + row];
    }
    if (p[3] == 0.0) {
        return std::nullopt;
    }
    return std::array<double, 3>{p[0] / p[3], p[1] / p[3], p[2] / p[3]};
}

} // namespace

int faceAtPixel(const Camera& camera, const ProjectData& data, double x, double y, int width,
                int height) {
    if (width <= 0 || height <= 0) {
        return -1;
    }
    const std::array<float, 16> projection = camera.projectionMatrix();
    DoubleMatrix m{};
    for (int i = 0; i < 16; ++i) {
        m[i] = projection[i];
    }
    const std::optional<DoubleMatrix> inv = inverse(m);
    if (!inv) {
        return -1;
    }
    // Through the pixel's centre, from the near plane to the far one.
    const double ndcX = 2.0 * x / width - 1.0;
    const double ndcY = 1.0 - 2.0 * y / height;
    const auto nearPoint = unproject(*inv, ndcX, ndcY, -1.0);
    const auto farPoint = unproject(*inv, ndcX, ndcY, 1.0);
    if (!nearPoint || !farPoint) {
        return -1;
    }
    std::array<double, 3> dir{};
    for (int a = 0; a < 3; ++a) {
        dir[a] = (*farPoint)[a] - (*nearPoint)[a];
    }

    // The box as drawn: the unit box scaled by the record's dimensions.
    const std::array<double, 3> scale = {data.boxWidth, data.boxDepth, data.boxHeight};
    std::array<double, 3> lo{};
    std::array<double, 3> hi{};
    for (int a = 0; a < 3; ++a) {
        lo[a] = std::numeric_limits<double>::max();
        hi[a] = std::numeric_limits<double>::lowest();
        for (const FaceGeometry& face : kUnitBox) {
            for (const FaceVertex& v : face.corners) {
                const double c = (a == 0 ? v.x : a == 1 ? v.y : v.z) * scale[a];
                lo[a] = std::min(lo[a], c);
                hi[a] = std::max(hi[a], c);
            }
        }
    }

    int nearest = -1;
    double nearestT = std::numeric_limits<double>::max();
    for (int k = 0; k < kFaceCount; ++k) {
        const std::array<float, 3>& n = kUnitBox[static_cast<std::size_t>(k)].normal;
        const int axis = n[0] != 0.0f ? 0 : n[1] != 0.0f ? 1 : 2;
        // Only a face turned towards the ray is seen.
        if (dir[axis] * n[axis] >= 0.0) {
            continue;
        }
        const double plane = n[axis] > 0.0f ? hi[axis] : lo[axis];
        const double t = (plane - (*nearPoint)[axis]) / dir[axis];
        if (t < 0.0 || t >= nearestT) {
            continue;
        }
        bool inside = true;
        for (int a = 0; a < 3; ++a) {
            const double c = (*nearPoint)[a] + t * dir[a];
            if (a != axis && (c < lo[a] || c > hi[a])) {
                inside = false;
            }
        }
        if (inside) {
            nearest = k;
            nearestT = t;
        }
    }
    return nearest;
}

} // namespace cartonic
