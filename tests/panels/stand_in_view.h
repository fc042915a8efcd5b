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
    struct TextureBuild {
        const FaceSlot* slot;
        std::string slotPathAtBuild; // the slot's imagePath when the texture was built
        int imageWidth;              // of the picture handed over
        bool waitCursorShown;
    };

    explicit StandInView(ProjectData& data) : data_(data) {}

    unsigned buildSlotTexture(FaceSlot& slot, const SlotImage& image) override {
        const QCursor* cursor = QApplication::overrideCursor();
        builds.push_back({&slot, std::string(pathText(slot.imagePath)), image.image.width(),
                          cursor && cursor->shape() == Qt::WaitCursor});
        if (slot.textureId == 0) {
            slot.textureId = nextTextureId++;
        }
        return 0;
    }
    void applyLight() override {
        lightAtApply.push_back({data_.lightAmbient, data_.lightDiffuse, data_.lightSpecular});
    }
    void requestRedraw() override { ++redraws; }
    Camera& camera() override { return camera_; }

    std::vector<TextureBuild> builds;
    std::vector<std::array<Rgba, 3>> lightAtApply; // the light colours each applyLight saw
    int redraws = 0;
    unsigned nextTextureId = 41;

private:
    ProjectData& data_;
    Camera camera_;
};

} // namespace cartonic::test
