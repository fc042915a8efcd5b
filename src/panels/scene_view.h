#pragma once

// What the settings panels need of the view they edit for: its GL context for the light, its
// camera for the field of view, and the repaint. The OpenGL view implements it;
// tests give the panels a stand-in.

#include "camera/camera.h"
#include "model/project_data.h"
#include "model/scene_look.h"
#include "model/slot_images.h"

namespace cartonic {

class SceneView {
public:
    virtual ~SceneView() = default;

    // Loads the record's light into the view's GL context; does not repaint.
    virtual void applyLight() = 0;
    // Marks the picture out of date; it is repainted once the event queue is idle.
    virtual void requestRedraw() = 0;
    // The view's camera; the scene panel sets its field of view.
    virtual Camera& camera() = 0;
};

} // namespace cartonic
