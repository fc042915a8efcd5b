#include "render/tile_passes.h"

#include <cstddef>

namespace cartonic {

namespace {

// Side of the square blocks of a tile that take the passes after the first round, or not,
// together: large enough that a pass over a run of them costs little beyond its pixels.
constexpr int kBlockSide = 64;
constexpr int kBlockValues = kBlockSide * kRgbaBytes;

// sums[i] += pass[i] for count values. A whole block's row has a count the compiler knows, which
// lets it work on many values at once.
template <typename Channel, typename Sum>
void addValues(Sum* __restrict sums, const Channel* __restrict pass, int count) {
    if (count == kBlockValues) {
        for (int i = 0; i < kBlockValues; ++i) {
            sums[i] = static_cast<Sum>(sums[i] + pass[i]);
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        sums[i] = static_cast<Sum>(sums[i] + pass[i]);
    }
}

// The largest difference between a[i] and b[i] over count values; as addValues.
template <typename Channel>
int mostApart(const Channel* __restrict a, const Channel* __restrict b, int count) {
    const auto apart = [](Channel x, Channel y) {
        return x > y ? static_cast<Channel>(x - y) : static_cast<Channel>(y - x);
    };
    Channel most = 0;
    if (count == kBlockValues) {
        for (int i = 0; i < kBlockValues; ++i) {
            most = std::max(most, apart(a[i], b[i]));
        }
        return most;
    }
    for (int i = 0; i < count; ++i) {
        most = std::max(most, apart(a[i], b[i]));
    }
    return most;
}

// A pass over a rectangle costs the driver's setting up of a frame, about what two blocks' pixels
// cost: rectangles are taken together while that adds no more pixels than this. Beyond
// kMostMergedRects rectangles (a tile of scattered detail), finding the pairs costs more than
// the passes it saves.
constexpr std::int64_t kMergeWaste = 2 * kBlockSide * kBlockSide;
constexpr std::size_t kMostMergedRects = 64;

std::int64_t pixelsIn(const PixelRect& r) {
    return std::int64_t{r.width} * r.height;
}

PixelRect around(const PixelRect& a, const PixelRect& b) {
    const int x = std::min(a.x, b.x);
    const int y = std::min(a.y, b.y);
    return {x, y, std::max(a.x + a.width, b.x + b.width) - x,
            std::max(a.y + a.height, b.y + b.height) - y};
}

bool overlap(const PixelRect& a, const PixelRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

// Takes rectangles (apart from each other) together, the least wasteful pair first, while the
// rectangle around a pair overlaps no other and adds at most kMergeWaste pixels.
void mergeRects(std::vector<PixelRect>& rects) {
    for (;;) {
        std::size_t bestA = 0;
        std::size_t bestB = 0;
        std::int64_t leastWaste = kMergeWaste + 1;
        for (std::size_t a = 0; a < rects.size(); ++a) {
            for (std::size_t b = a + 1; b < rects.size(); ++b) {
                const PixelRect both = around(rects[a], rects[b]);
                const std::int64_t waste = pixelsIn(both) - pixelsIn(rects[a]) - pixelsIn(rects[b]);
                if (waste >= leastWaste) {
                    continue;
                }
                bool clear = true;
                for (std::size_t c = 0; c < rects.size() && clear; ++c) {
                    clear = c == a || c == b || !overlap(both, rects[c]);
                }
                if (clear) {
                    leastWaste = waste;
                    bestA = a;
                    bestB = b;
                }
            }
        }
        if (leastWaste > kMergeWaste) {
            return;
        }
        rects[bestA] = around(rects[bestA], rects[bestB]);
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(bestB));
    }
}

} // namespace

template <typename Channel, typename Sum>
void TilePasses<Channel, Sum>::reset(int w, int h, int backdrops, int agreement) {
    w_ = w;
    h_ = h;
    agreement_ = agreement;
    blocksAcross_ = (w + kBlockSide - 1) / kBlockSide;
    const std::size_t values = static_cast<std::size_t>(w) * h * kRgbaBytes;
    read_.resize(values);
    first_.resize(values * backdrops);
    sums_.assign(values * backdrops, 0);
    busy_.assign(static_cast<std::size_t>(blocksAcross_) * ((h + kBlockSide - 1) / kBlockSide), 0);
}

template <typename Channel, typename Sum>
void TilePasses<Channel, Sum>::add(int backdrop, const PixelRect& rect, PixelRect from,
                                   int rowPixels, bool firstRound, bool firstPass) {
    const std::size_t plane = static_cast<std::size_t>(w_) * h_ * kRgbaBytes * backdrop;
    for (int r = 0; r < rect.height; ++r) {
        const std::size_t at =
            plane + (static_cast<std::size_t>(rect.y + r) * w_ + rect.x) * kRgbaBytes;
        const Channel* pass =
            read_.data() + (static_cast<std::size_t>(from.y + r) * rowPixels + from.x) * kRgbaBytes;
        const int by = (rect.y + r) / kBlockSide;
        // rect starts at a block's side, so a row of it is whole blocks but for the tile's
        // last.
        for (int c = 0; c < rect.width; c += kBlockSide) {
            const std::size_t offset = static_cast<std::size_t>(c) * kRgbaBytes;
            const int values = std::min(kBlockSide, rect.width - c) * kRgbaBytes;
            addValues(sums_.data() + at + offset, pass + offset, values);
            Channel* first = first_.data() + at + offset;
            std::uint8_t& busy =
                busy_[static_cast<std::size_t>(by) * blocksAcross_ + (rect.x + c) / kBlockSide];
            if (firstRound && firstPass) {
                std::copy(pass + offset, pass + offset + values, first);
            } else if (firstRound && busy == 0) {
                busy = mostApart(pass + offset, first, values) > agreement_ ? 1 : 0;
            }
        }
    }
}

template <typename Channel, typename Sum>
std::vector<PixelRect> TilePasses<Channel, Sum>::busyRects() {
    std::vector<PixelRect> rects;
    const int blocksDown = static_cast<int>(busy_.size()) / blocksAcross_;
    for (int by = 0; by < blocksDown; ++by) {
        for (int bx = 0; bx < blocksAcross_;) {
            if (!isBusy(bx, by)) {
                ++bx;
                continue;
            }
            const int start = bx;
            while (bx < blocksAcross_ && isBusy(bx, by)) {
                ++bx;
            }
            const int x = start * kBlockSide;
            const int y = by * kBlockSide;
            rects.push_back(
                {x, y, std::min(w_, bx * kBlockSide) - x, std::min(h_, y + kBlockSide) - y});
        }
    }
    if (rects.size() <= kMostMergedRects) {
        mergeRects(rects);
    }
    for (const PixelRect& rect : rects) {
        for (int by = rect.y / kBlockSide; by * kBlockSide < rect.y + rect.height; ++by) {
            for (int bx = rect.x / kBlockSide; bx * kBlockSide < rect.x + rect.width; ++bx) {
                busy_[static_cast<std::size_t>(by) * blocksAcross_ + bx] = 1;
            }
        }
    }
    return rects;
}

template <typename Channel, typename Sum>
void TilePasses<Channel, Sum>::writeMeans(std::uint8_t* at, int rowPixels, int passes,
                                          int firstRound, double full, bool transparent) const {
    // An opaque picture's bytes are its sums divided and rounded: looked up, not worked out.
    const auto table = [full](int count) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(full) * count + 1);
        for (std::size_t sum = 0; sum < bytes.size(); ++sum) {
            bytes[sum] = toByte(static_cast<double>(sum) / (full * count));
        }
        return bytes;
    };
    const std::vector<std::uint8_t> many =
        transparent ? std::vector<std::uint8_t>{} : table(passes);
    const std::vector<std::uint8_t> few =
        transparent ? std::vector<std::uint8_t>{} : table(firstRound);
    const std::size_t plane = static_cast<std::size_t>(w_) * h_ * kRgbaBytes;
    for (int r = 0; r < h_; ++r) {
        std::uint8_t* to =
            at + static_cast<std::size_t>(h_ - 1 - r) * rowPixels * kRgbaBytes; // top first
        const Sum* sums = sums_.data() + static_cast<std::size_t>(r) * w_ * kRgbaBytes;
        for (int bx = 0; bx < blocksAcross_; ++bx) {
            const bool busy = isBusy(bx, r / kBlockSide);
            const int begin = bx * kBlockSide;
            const int end = std::min(w_, begin + kBlockSide);
            if (!transparent) {
                const std::uint8_t* bytes = busy ? many.data() : few.data();
                for (int i = begin * kRgbaBytes; i < end * kRgbaBytes; ++i) {
                    to[i] = bytes[sums[i]];
                }
                continue;
            }
            for (int c = begin; c < end; ++c) {
                const std::size_t i = static_cast<std::size_t>(c) * kRgbaBytes;
                writePixel(to + i, sums + i, sums + plane + i, full * (busy ? passes : firstRound),
                           true);
            }
        }
    }
}

template class TilePasses<std::uint8_t, std::uint16_t>;
template class TilePasses<std::uint16_t, std::uint32_t>;

} // namespace cartonic
