#pragma once

// How many texels a slot's picture needs in a picture of a camera's view, and how much
// anisotropic filtering shows it sharply there: arithmetic on the record and the camera alone.

#include "camera/camera.h"
#include "image/picture_reduction.h"
#include "model/project_data.h"

namespace cartonic {

// Texels a slot's picture needs across its width and its height so that the picture shows every
// pixel it can in a width x height picture of camera's view (the face, and its mirror image when
// the reflection shows; for kFloorSlot the floor): the most screen pixels a unit of the texture
// coordinates covers anywhere on the visible surface. At least 1 each.
TextureSize neededTexels(const ProjectData& data, int slot, const Camera& camera, int width,
                         int height);

// The most a pixel's footprint in a texture of texture's size is longer than it is wide (counting
// a magnified side as one texel) anywhere on the slot's surfaces in camera's view: the anisotropic
// filtering that shows the picture there as sharply as plain filtering would a surface facing the
// camera. At least 1.
double neededAnisotropy(const ProjectData& data, int slot, const Camera& camera, int width,
                        int height, TextureSize texture);

} // namespace cartonic
