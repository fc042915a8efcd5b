#pragma once

// A SceneView that records what the panels ask of it, and what the record looked like at the
// time, so tests can check the order of steps without a GL context.

#include "model/project_data.h"
#include "panels/scene_view.h"

#include <QApplication>
#include <QCursor>

#include <string>
#include <vector>

namespace cartonic::test {

class StandInView : public SceneView {
public:
    explicit StandInView(ProjectData& data) : data_(data) {}

    void applyLight() override {
        lightAtApply.push_back({data_.lightAmbient, data_.lightDiffuse, data_.lightSpecular});
    }
    void requestRedraw() override { ++redraws; }
    Camera& camera() override { return camera_; }

    std::vector<std::array<Rgba, 3>> lightAtApply; // the light colours each applyLight saw
    int redraws = 0;

private:
    ProjectData& data_;
    Camera camera_;
};

} // namespace cartonic::test
