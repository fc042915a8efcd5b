#pragma once

// A test with a record at the start-up box size, its slot pictures and a headless renderer,
// made afresh for each test.

#include "model/project_data.h"
#include "model/slot_images.h"
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

    ProjectData data_;
    SlotImages images_;
    std::unique_ptr<HeadlessRenderer> renderer_;
};

} // namespace cartonic::test
