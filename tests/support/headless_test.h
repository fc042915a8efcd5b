#pragma once

// A test with a project at the start-up box size and a headless renderer, made afresh for each
// test.

#include "model/project.h"
#include "render/headless_renderer.h"

#include <gtest/gtest.h>

#include <memory>

namespace cartonic::test {

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        data_.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        auto made = HeadlessRenderer::create(data_);
        ASSERT_TRUE(made) << made.status.message();
        renderer_ = std::move(made.value);
    }

    Project project_;
    ProjectData& data_ = project_.record;
    SlotImages& images_ = project_.pictures;
    std::unique_ptr<HeadlessRenderer> renderer_;
};

} // namespace cartonic::test
