#include "render/frame_passes.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace cartonic {

namespace {

// Passes every pixel takes before those that agree stop: enough that an edge anywhere in a block
// shows as a disagreement.
constexpr int kFirstRound = 4;

struct LatticeGenerator {
    int points;
    int generator;
};
// For the pass counts pictures take, the generator whose lattice errs least on straight edges
// through a pixel (the mean coverage error over many random edges, against the exact area), among
// those whose first round (every points / kFirstRound-th point) does not lie on a diagonal.
constexpr std::array<LatticeGenerator, 6> kLatticeGenerators = {
    {{2, 1}, {4, 3}, {8, 3}, {16, 7}, {32, 7}, {64, 19}}};
// Otherwise the Fibonacci lattice's choice: the point count over the golden ratio squared, made
// prime to the count.
constexpr double kGoldenRatioSquared = 2.618033988749895;

int latticeGenerator(int points) {
    for (const LatticeGenerator& known : kLatticeGenerators) {
        if (known.points == points) {
            return known.generator;
        }
    }
    int generator = std::max(1, static_cast<int>(std::lround(points / kGoldenRatioSquared)));
    while (std::gcd(generator, points) != 1) {
        ++generator;
    }
    return generator;
}

// The camera's projection, moved by shift pixels of a width x height picture.
void applyShiftedProjection(const Camera& camera, PixelShift shift, int width, int height) {
    camera.applyProjection();
    if (shift.x == 0.0f && shift.y == 0.0f) {
        return;
    }
    GLfloat projection[16];
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glLoadIdentity();
    glTranslatef(2.0f * shift.x / static_cast<float>(width),
                 2.0f * shift.y / static_cast<float>(height), 0.0f);
    glMultMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

PassPlan planPasses(int samples, int offered) {
    const int wanted = std::max(1, samples);
    if (wanted <= std::max(1, offered)) {
        return {wanted, 1, 1};
    }
    const bool rounds = wanted > kFirstRound && wanted % kFirstRound == 0;
    return {1, wanted, rounds ? kFirstRound : wanted};
}

PixelShift passShift(const PassPlan& plan, int pass) {
    const int points = plan.passes;
    if (points <= 1) {
        return {};
    }
    const int stride = points / plan.firstRound;
    const int point = pass % plan.firstRound * stride + pass / plan.firstRound;
    const double row =
        std::fmod((static_cast<double>(point) * latticeGenerator(points) + 0.5) / points, 1.0);
    return {static_cast<float>((point + 0.5) / points - 0.5), static_cast<float>(row - 0.5)};
}

std::array<float, 2> passLightDisc(const PassPlan& plan, int pass) {
    const PixelShift shift = passShift(plan, pass);
    const double a = 2.0 * shift.y;
    const double b = 2.0 * shift.x;
    if (a == 0.0 && b == 0.0) {
        return {};
    }
    // Squares to discs, rings to rings.
    constexpr double kQuarterPi = 0.7853981633974483;
    const bool wide = std::abs(a) > std::abs(b);
    const double radius = wide ? a : b;
    const double angle = wide ? kQuarterPi * (b / a) : 2.0 * kQuarterPi - kQuarterPi * (a / b);
    return {static_cast<float>(radius * std::cos(angle)),
            static_cast<float>(radius * std::sin(angle))};
}

float passLodBias(const PassPlan& plan, int pass) {
    const int sampled = pass < plan.firstRound ? plan.firstRound : plan.passes;
    return -0.5f * std::log2(static_cast<float>(std::max(1, sampled)));
}

double passTexelScale(const PassPlan& plan) {
    return std::min(std::sqrt(static_cast<double>(std::max(1, plan.passes))), kMaxTexelScale);
}

void drawPass(const ProjectData& data, const SceneTextures& textures, const FrameOptions& options,
              const Camera& camera, const PictureArea& area, const PassPlan& plan, int pass) {
    glViewport(-area.x, -area.y, area.width, area.height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyShiftedProjection(camera, passShift(plan, pass), area.width, area.height);
    const float bias = passLodBias(plan, pass);
    GLfloat previousBias = 0.0f;
    if (bias != 0.0f) {
        glGetTexEnvfv(GL_TEXTURE_FILTER_CONTROL, GL_TEXTURE_LOD_BIAS, &previousBias);
        glTexEnvf(GL_TEXTURE_FILTER_CONTROL, GL_TEXTURE_LOD_BIAS, bias);
    }
    FrameOptions passOptions = options;
    passOptions.lightDisc = passLightDisc(plan, pass);
    drawFrame(data, textures, passOptions);
    if (bias != 0.0f) {
        glTexEnvf(GL_TEXTURE_FILTER_CONTROL, GL_TEXTURE_LOD_BIAS, previousBias);
    }
}

} // namespace cartonic
