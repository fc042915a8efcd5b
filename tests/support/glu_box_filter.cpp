#include "support/glu_box_filter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace cartonic {

namespace {

constexpr int kChannels = 4;
constexpr int kWiden = 257;    // 8-bit to 16-bit: v * 257 maps 255 to 65535
constexpr int kNarrowBits = 8; // and back

std::uint8_t narrow(float total, float area) {
    // Double division and truncation to 16 bits, then the top byte, as GLU has it.
    const auto wide = static_cast<unsigned short>((total + 0.5) / area);
    return static_cast<std::uint8_t>(wide >> kNarrowBits);
}

// The input positions under one output position's box and how much of each it covers, in the
// order GLU visits them. Float arithmetic exactly as GLU's, down to which operations run in double.
struct Tap {
    int index;
    float cover;
};

std::vector<std::vector<Tap>> boxTaps(int inSize, int outSize) {
    const float conv = static_cast<float>(inSize) / outSize;
    const float halfConv = conv / 2;
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(outSize));
    for (int o = 0; o < outSize; ++o) {
        const auto centre = static_cast<float>(conv * (o + 0.5));
        float low = 0.0f;
        float high = 0.0f;
        if (inSize > outSize) {
            low = centre - halfConv;
            high = centre + halfConv;
        } else {
            low = static_cast<float>(centre - 0.5);
            high = static_cast<float>(centre + 0.5);
        }
        float at = low;
        auto whole = static_cast<int>(std::floor(at));
        while (at < high) {
            const auto next = static_cast<float>(whole + 1);
            taps[static_cast<std::size_t>(o)].push_back(
                {(whole + inSize) % inSize, high < next ? high - at : next - at});
            ++whole;
            at = static_cast<float>(whole);
        }
    }
    return taps;
}

void halve(const std::uint8_t* in, int inWidth, std::uint8_t* out, int outWidth, int outHeight) {
    const std::size_t row = static_cast<std::size_t>(inWidth) * kChannels;
    for (int y = 0; y < outHeight; ++y) {
        const std::uint8_t* top = in + 2 * static_cast<std::size_t>(y) * row;
        for (int x = 0; x < outWidth; ++x) {
            for (int c = 0; c < kChannels; ++c) {
                const std::uint8_t* t = top + 2 * x * kChannels + c;
                const int sum = (t[0] + t[kChannels] + t[row] + t[row + kChannels]) * kWiden + 2;
                *out++ =
                    static_cast<std::uint8_t>(static_cast<unsigned short>(sum / 4) >> kNarrowBits);
            }
        }
    }
}

// Any sizes, one tap at a time.
void scaleGeneral(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                  int outWidth, int outHeight) {
    const auto columns = boxTaps(inWidth, outWidth);
    const auto rows = boxTaps(inHeight, outHeight);
    for (const auto& rowTaps : rows) {
        for (const auto& columnTaps : columns) {
            float totals[kChannels] = {};
            float area = 0.0f;
            for (const Tap& r : rowTaps) {
                const std::uint8_t* line = in + static_cast<std::size_t>(r.index) * inWidth * 4;
                for (const Tap& c : columnTaps) {
                    const float percent = c.cover * r.cover;
                    area += percent;
                    const std::uint8_t* p = line + static_cast<std::size_t>(c.index) * kChannels;
                    for (int k = 0; k < kChannels; ++k) {
                        totals[k] += static_cast<float>(p[k] * kWiden) * percent;
                    }
                }
            }
            for (float total : totals) {
                *out++ = narrow(total, area);
            }
        }
    }
}

#ifdef __SSE2__

// Every box as a window of a fixed number of consecutive inputs, the taps outside the box given
// cover 0: adding 0 x v to a non-negative sum leaves it exactly as it was, so the sums are GLU's,
// and the fixed count keeps the inner loops free of unpredictable exits.
struct Windows {
    int size = 0;
    std::vector<int> start;   // per output position
    std::vector<float> cover; // per output position, size entries
};

bool toWindows(const std::vector<std::vector<Tap>>& taps, int inSize, int multiple, Windows& w) {
    std::size_t longest = 0;
    for (const auto& t : taps) {
        longest = std::max(longest, t.size());
    }
    w.size = static_cast<int>((longest + multiple - 1) / multiple * multiple);
    if (w.size > inSize) {
        return false;
    }
    for (const auto& t : taps) {
        const int first = t.front().index;
        for (std::size_t k = 0; k < t.size(); ++k) {
            if (t[k].index != first + static_cast<int>(k)) {
                return false; // a box that wraps round the edge
            }
        }
        const int start = std::clamp(first, 0, inSize - w.size);
        w.start.push_back(start);
        for (int k = 0; k < w.size; ++k) {
            const int at = start + k - first;
            const bool inside = at >= 0 && at < static_cast<int>(t.size());
            w.cover.push_back(inside ? t[static_cast<std::size_t>(at)].cover : 0.0f);
        }
    }
    return true;
}

// One broadcast or four-channel value; a struct, as vectors of the bare vector type lose its
// alignment attribute.
struct Lanes {
    __m128 v;
};

// Four consecutive pixels' channels widened to v * 257 as floats, one register per pixel.
struct FourPixels {
    __m128 p[4];
};

inline FourPixels widen(const std::uint8_t* at) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    // A byte paired with itself is the 16-bit value v * 257.
    const __m128i low = _mm_unpacklo_epi8(bytes, bytes);
    const __m128i high = _mm_unpackhi_epi8(bytes, bytes);
    return {{_mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)),
             _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)),
             _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)),
             _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero))}};
}

constexpr int kPixelsPerLoad = 4;

// One input row's terms added to every output pixel's channel sums. Two output pixels at a time:
// each sum is a chain of dependent additions, and two chains keep the adder busy. The weight of
// a tap is its column cover times rowCover; in the box's inner rows rowCover is 1 and the product
// is the column cover itself, so those rows skip the multiplication.
template <bool kInnerRow>
void addRow(const std::uint8_t* line, const Windows& columns, const Lanes* columnCover,
            float rowCover, Lanes* totals, std::size_t width) {
    const __m128 row = _mm_set1_ps(rowCover);
    const auto weight = [row](const Lanes& cover) {
        return kInnerRow ? cover.v : _mm_mul_ps(cover.v, row);
    };
    const auto window = [&](std::size_t x) {
        return line + static_cast<std::size_t>(columns.start[x]) * kChannels;
    };
    const std::size_t taps = static_cast<std::size_t>(columns.size);
    std::size_t x = 0;
    for (; x + 2 <= width; x += 2) {
        const Lanes* coverA = columnCover + x * taps;
        const Lanes* coverB = coverA + taps;
        __m128 a = totals[x].v;
        __m128 b = totals[x + 1].v;
        for (std::size_t k = 0; k < taps; k += kPixelsPerLoad) {
            const FourPixels pa = widen(window(x) + k * kChannels);
            const FourPixels pb = widen(window(x + 1) + k * kChannels);
            for (std::size_t i = 0; i < kPixelsPerLoad; ++i) {
                a = _mm_add_ps(a, _mm_mul_ps(pa.p[i], weight(coverA[k + i])));
                b = _mm_add_ps(b, _mm_mul_ps(pb.p[i], weight(coverB[k + i])));
            }
        }
        totals[x].v = a;
        totals[x + 1].v = b;
    }
    for (; x < width; ++x) {
        const Lanes* cover = columnCover + x * taps;
        __m128 a = totals[x].v;
        for (std::size_t k = 0; k < taps; k += kPixelsPerLoad) {
            const FourPixels p = widen(window(x) + k * kChannels);
            for (std::size_t i = 0; i < kPixelsPerLoad; ++i) {
                a = _mm_add_ps(a, _mm_mul_ps(p.p[i], weight(cover[k + i])));
            }
        }
        totals[x].v = a;
    }
}

// The covered areas of one input row's taps added to every output pixel's area, four output
// pixels a lane each; coverByTap holds the column covers tap-major (all pixels' tap 0 first).
// Taps outermost, so consecutive additions go to different pixels and need not wait on each
// other; each pixel still receives its taps in order.
void addRowAreas(const std::vector<float>& coverByTap, int taps, float rowCover, float* areas,
                 std::size_t width) {
    const __m128 row = _mm_set1_ps(rowCover);
    const std::size_t whole = width / 4 * 4;
    for (int k = 0; k < taps; ++k) {
        const float* cover = coverByTap.data() + static_cast<std::size_t>(k) * width;
        for (std::size_t x = 0; x < whole; x += 4) {
            _mm_storeu_ps(areas + x, _mm_add_ps(_mm_loadu_ps(areas + x),
                                                _mm_mul_ps(_mm_loadu_ps(cover + x), row)));
        }
        for (std::size_t x = whole; x < width; ++x) {
            areas[x] += cover[x] * rowCover;
        }
    }
}

// One output row, narrowed to bytes: (total + 0.5) / area in double precision, truncated to 16
// bits and shifted down, two channels at a time.
void narrowRow(const Lanes* totals, const float* areas, std::size_t width, std::uint8_t* out) {
    const __m128d half = _mm_set1_pd(0.5);
    for (std::size_t x = 0; x < width; ++x) {
        const __m128d area = _mm_set1_pd(static_cast<double>(areas[x]));
        const __m128 total = totals[x].v;
        const __m128d low = _mm_div_pd(_mm_add_pd(_mm_cvtps_pd(total), half), area);
        const __m128d high =
            _mm_div_pd(_mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(total, total)), half), area);
        // Truncated to integers (all below 65536), then the top byte of each 16-bit value.
        const __m128i wide = _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
        const __m128i bytes = _mm_srli_epi32(_mm_and_si128(wide, _mm_set1_epi32(0xffff)), 8);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(bytes, bytes), bytes);
        const int pixel = _mm_cvtsi128_si32(packed);
        std::memcpy(out + x * kChannels, &pixel, kChannels);
    }
}

// Boxes as windows in both directions; false (nothing written) when a box does not fit one.
bool scaleWindows(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                  int outWidth, int outHeight) {
    Windows columns;
    Windows rows;
    if (!toWindows(boxTaps(inWidth, outWidth), inWidth, kPixelsPerLoad, columns) ||
        !toWindows(boxTaps(inHeight, outHeight), inHeight, 1, rows)) {
        return false;
    }
    const std::size_t width = static_cast<std::size_t>(outWidth);
    const auto taps = static_cast<std::size_t>(columns.size);
    std::vector<Lanes> columnCover(width * taps);
    std::vector<float> coverByTap(width * taps);
    for (std::size_t x = 0; x < width; ++x) {
        for (std::size_t k = 0; k < taps; ++k) {
            const float cover = columns.cover[x * taps + k];
            columnCover[x * taps + k].v = _mm_set1_ps(cover);
            coverByTap[k * width + x] = cover;
        }
    }
    std::vector<Lanes> totals(width);
    std::vector<float> areas(width);

    for (int y = 0; y < outHeight; ++y) {
        std::fill(totals.begin(), totals.end(), Lanes{_mm_setzero_ps()});
        std::fill(areas.begin(), areas.end(), 0.0f);
        for (int r = 0; r < rows.size; ++r) {
            const float rowCover = rows.cover[static_cast<std::size_t>(y * rows.size + r)];
            if (rowCover == 0.0f) {
                continue; // a padding row: every term would be +0
            }
            const std::uint8_t* line =
                in + static_cast<std::size_t>(rows.start[static_cast<std::size_t>(y)] + r) *
                         inWidth * kChannels;
            if (rowCover == 1.0f) {
                addRow<true>(line, columns, columnCover.data(), rowCover, totals.data(), width);
            } else {
                addRow<false>(line, columns, columnCover.data(), rowCover, totals.data(), width);
            }
            addRowAreas(coverByTap, columns.size, rowCover, areas.data(), width);
        }
        narrowRow(totals.data(), areas.data(), width, out);
        out += width * kChannels;
    }
    return true;
}

#endif

} // namespace

void scaleRgbaPicture(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                      int outWidth, int outHeight) {
    if (inWidth <= 0 || inHeight <= 0 || outWidth <= 0 || outHeight <= 0) {
        return;
    }
    if (inWidth == 2 * outWidth && inHeight == 2 * outHeight) {
        halve(in, inWidth, out, outWidth, outHeight);
        return;
    }
#ifdef __SSE2__
    if (scaleWindows(in, inWidth, inHeight, out, outWidth, outHeight)) {
        return;
    }
#endif
    scaleGeneral(in, inWidth, inHeight, out, outWidth, outHeight);
}

} // namespace cartonic
