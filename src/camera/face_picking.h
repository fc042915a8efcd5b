#pragma once

// Which face of the box is under a point of the view: for dropping a picture on the face the user
// points at. Needs no GL context.

#include "camera/camera.h"
#include "model/project_data.h"

namespace cartonic {

// The face (0..5) of data's box nearest the camera under client pixel (x, y) of a view of
// width x height pixels (y down), as camera shows it; -1 when the point shows no face. Uses the
// camera's aspect as it is, as the picture does.
int faceAtPixel(const Camera& camera, const ProjectData& data, double x, double y, int width,
                int height);

} // namespace cartonic
