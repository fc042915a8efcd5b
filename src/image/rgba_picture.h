#pragma once

#include <cstdint>
#include <vector>

namespace cartonic {

// A rendered picture: RGBA bytes, top row first, width x height x 4 with no padding. Opaque
// unless transparent says otherwise; then the alpha bytes are the opacity and the colours are
// straight (not multiplied by it).
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    bool transparent = false;
};

} // namespace cartonic
