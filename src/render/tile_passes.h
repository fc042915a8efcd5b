#pragma once

// What renderToBuffer keeps of a tile drawn in passes (frame_passes.h): the sums of the passes'
// channels, over one backdrop or two, and which blocks of the tile take the passes after the
// first round; and how a picture's pixel is made from its channels.

#include "image/picture_reduction.h"
#include "render/scene_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace cartonic {

inline constexpr double kFullEight = 255.0;
inline constexpr double kFullSixteen = 65535.0;

// 0..1 as a byte, rounded.
inline std::uint8_t toByte(double unit) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * kFullEight));
}

// One pixel of the picture from its channels over black (or over the scene's own background, for
// an opaque picture) and over white, each full at full. A pixel p over backdrop c is
// a x + (1 - a) c, so the difference gives its opacity a and the picture over black its colour x.
template <typename Channel>
void writePixel(std::uint8_t* pixel, const Channel* overBlack, const Channel* overWhite,
                double full, bool transparent) {
    if (!transparent) {
        for (int k = 0; k < kRgbaBytes; ++k) {
            pixel[k] = toByte(overBlack[k] / full);
        }
        return;
    }
    double seeThrough = 0.0;
    for (int k = 0; k < 3; ++k) {
        seeThrough += (static_cast<double>(overWhite[k]) - overBlack[k]) / full;
    }
    pixel[3] = toByte(1.0 - seeThrough / 3.0);
    // Divided by the opacity as written, so that the colour times it is exactly the picture over
    // black before rounding.
    const double opacity = pixel[3] / kFullEight;
    for (int k = 0; k < 3; ++k) {
        pixel[k] = opacity == 0.0 ? 0 : toByte(overBlack[k] / full / opacity);
    }
}

// The passes of one tile of w x h pixels, OpenGL's rows from the bottom. Channel is what a pass
// is read as: 8 bits for an opaque picture, whose sums take 16, or 16 for a transparent one, whose
// sums take 32; enough for 257 passes either way. The tile is cut into square blocks; a block
// takes the passes after the first round when one of its first-round passes differs from its
// first pass by more than the agreement somewhere.
template <typename Channel, typename Sum>
class TilePasses {
public:
    // Sums zero, no block busy, for a tile of w x h over backdrops backdrops. agreement is in
    // units of a channel.
    void reset(int w, int h, int backdrops, int agreement);

    // Where passes are read to: as many values as the tile has.
    Channel* readBuffer() { return read_.data(); }

    // Adds a pass over backdrop (0 or 1), read into the read buffer with rect's bottom-left pixel
    // at from and rows rowPixels apart, to the sums over rect of the tile; rect starts at a
    // block's corner. In the first round the first pass is kept and each later one marks the
    // blocks where it differs from it.
    void add(int backdrop, const PixelRect& rect, PixelRect from, int rowPixels, bool firstRound,
             bool firstPass);

    // The blocks that take the passes after the first round, as rectangles apart from each other,
    // which then all take them: runs of busy blocks along each row of blocks, two taken together
    // while the rectangle around both holds no other and adds no more pixels than a frame's own
    // cost is worth.
    std::vector<PixelRect> busyRects();

    // Writes the tile's means into the picture whose top-left pixel of the tile is at, rows
    // rowPixels apart: of passes passes where the block is busy, of firstRound elsewhere. full is
    // a channel's full value.
    void writeMeans(std::uint8_t* at, int rowPixels, int passes, int firstRound, double full,
                    bool transparent) const;

private:
    bool isBusy(int bx, int by) const {
        return busy_[static_cast<std::size_t>(by) * blocksAcross_ + bx] != 0;
    }

    int w_ = 0;
    int h_ = 0;
    int agreement_ = 0;
    int blocksAcross_ = 0;
    std::vector<Channel> read_;
    std::vector<Channel> first_;
    std::vector<Sum> sums_;
    std::vector<std::uint8_t> busy_;
};

extern template class TilePasses<std::uint8_t, std::uint16_t>;
extern template class TilePasses<std::uint16_t, std::uint32_t>;

} // namespace cartonic
