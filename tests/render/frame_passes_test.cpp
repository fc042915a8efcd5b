// How a picture's samples are had, and where its passes put them: pure arithmetic.

#include "render/frame_passes.h"
#include "render/render_to_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace cartonic {
namespace {

TEST(FramePasses, UpToOnePassOfSamplesIsOnePass) {
    constexpr int kOffered = 4;
    struct Case {
        int samples;
        PassPlan plan;
    };
    for (const Case& c : {Case{0, {1, 1, 1}}, Case{1, {1, 1, 1}}, Case{4, {4, 1, 1}},
                          Case{8, {1, 8, 4}}, Case{32, {1, 32, 4}}, Case{64, {1, 64, 4}}}) {
        const PassPlan plan = planPasses(c.samples, kOffered);
        EXPECT_EQ(plan.perPass, c.plan.perPass) << c.samples;
        EXPECT_EQ(plan.passes, c.plan.passes) << c.samples;
        EXPECT_EQ(plan.firstRound, c.plan.firstRound) << c.samples;
    }
    // Without multisampling every sample is a pass, and few of them are all the first round.
    EXPECT_EQ(planPasses(2, 1).passes, 2);
    EXPECT_EQ(planPasses(2, 1).firstRound, 2);
}

TEST(FramePasses, SamplesLieInDistinctRowsAndColumnsOfThePixel) {
    // Every shift keeps its sample inside the pixel (a box filter's support), one sample to each
    // of the passes' columns and rows; the first round's spread over both directions too.
    for (const int samples : kSampleCounts) {
        const PassPlan plan = planPasses(samples, 1);
        SCOPED_TRACE(samples);
        std::set<int> columns;
        std::set<int> rows;
        for (int pass = 0; pass < plan.passes; ++pass) {
            const PixelShift shift = passShift(plan, pass);
            ASSERT_LT(std::abs(shift.x), 0.5f);
            ASSERT_LT(std::abs(shift.y), 0.5f);
            columns.insert(static_cast<int>(std::floor((shift.x + 0.5f) * plan.passes)));
            rows.insert(static_cast<int>(std::floor((shift.y + 0.5f) * plan.passes)));
        }
        EXPECT_EQ(columns.size(), static_cast<std::size_t>(plan.passes));
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(plan.passes));
        if (plan.firstRound > 2) {
            // Not on a line: the first round's points are no diagonal.
            const PixelShift a = passShift(plan, 0);
            const PixelShift b = passShift(plan, 1);
            const PixelShift c = passShift(plan, 2);
            EXPECT_GT(std::abs((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)), 1e-3f);
        }
    }
    EXPECT_EQ(passLodBias(planPasses(1, 4), 0), 0.0f);
    EXPECT_EQ(passLodBias(planPasses(16, 4), 0), -1.0f); // the first round's four
    EXPECT_EQ(passLodBias(planPasses(16, 4), 4), -2.0f);
}

} // namespace
} // namespace cartonic
