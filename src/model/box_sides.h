#pragma once

// The box's size as its three sides, for what gives the box proportions from outside the record
// (a product's size, a dieline's panels).

#include "model/project_data.h"

#include <algorithm>

namespace cartonic {

// The box's size along its three axes, in any one unit; only their ratios matter.
struct BoxSides {
    double width;  // the front's width
    double height; // the front's height
    double depth;  // a side's width
};

// The sides of the box the record holds (its scales are half sides).
inline BoxSides boxSidesOf(const ProjectData& data) {
    return {2.0 * data.boxWidth, 2.0 * data.boxHeight, 2.0 * data.boxDepth};
}

// Gives data's box the proportions of sides (each greater than 0), its largest side as long as
// the box's largest side was, so that the box keeps its size on screen. Writes the scales and the
// face geometry as setDimensions does.
inline void proportionBox(ProjectData& data, const BoxSides& sides) {
    const double largestScale = std::max({data.boxWidth, data.boxDepth, data.boxHeight});
    const double largestSide = std::max({sides.width, sides.height, sides.depth});
    const auto scaled = [&](double side) {
        return static_cast<float>(side / largestSide * largestScale);
    };
    data.setDimensions(scaled(sides.width), scaled(sides.depth), scaled(sides.height));
}

} // namespace cartonic
