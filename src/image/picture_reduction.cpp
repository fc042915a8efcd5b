#include "image/picture_reduction.h"

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

// Area averaging in integers. Positions are counted in units of 1/out of an input pixel along
// each axis: input pixel i spans [i * out, (i + 1) * out) and output pixel o spans
// [o * in, (o + 1) * in), so every overlap is an exact integer and the weights of one output
// pixel sum to in.
struct Span {
    int first;       // first input index under the output pixel
    int last;        // last one, inclusive
    int firstWeight; // overlap of the first and of the last (the same index when first == last)
    int lastWeight;
};

std::vector<Span> spans(int inSize, int outSize) {
    std::vector<Span> result(static_cast<std::size_t>(outSize));
    for (int o = 0; o < outSize; ++o) {
        const std::int64_t low = std::int64_t{o} * inSize;
        const std::int64_t high = low + inSize;
        Span& s = result[static_cast<std::size_t>(o)];
        s.first = static_cast<int>(low / outSize);
        s.last = static_cast<int>((high - 1) / outSize);
        const std::int64_t firstEnd =
            std::min<std::int64_t>(std::int64_t{s.first + 1} * outSize, high);
        s.firstWeight = static_cast<int>(firstEnd - low);
        s.lastWeight = s.first == s.last ? s.firstWeight
                                         : static_cast<int>(high - std::int64_t{s.last} * outSize);
    }
    return result;
}

// Sixteen-bit sums of whole rows stay exact for this many rows of 255.
constexpr int kRowsPerShortSum = 257;

// Adds an output row's whole input rows into the 16-bit sums, flushing into the 32-bit ones
// times weight before they could overflow.
void addWholeRows(const std::uint8_t* first, int count, std::size_t stride, std::size_t rowBytes,
                  std::uint16_t* shortSum, std::uint32_t* sum, std::uint32_t weight) {
    while (count > 0) {
        const int batch = std::min(count, kRowsPerShortSum);
        std::fill(shortSum, shortSum + rowBytes, std::uint16_t{0});
        for (int r = 0; r < batch; ++r) {
            const std::uint8_t* row = first + static_cast<std::size_t>(r) * stride;
            for (std::size_t k = 0; k < rowBytes; ++k) {
                shortSum[k] = static_cast<std::uint16_t>(shortSum[k] + row[k]);
            }
        }
        for (std::size_t k = 0; k < rowBytes; ++k) {
            sum[k] += shortSum[k] * weight;
        }
        first += static_cast<std::size_t>(batch) * stride;
        count -= batch;
    }
}

void addWeightedRow(const std::uint8_t* row, std::size_t rowBytes, std::uint32_t* sum,
                    std::uint32_t weight) {
    for (std::size_t k = 0; k < rowBytes; ++k) {
        sum[k] += static_cast<std::uint32_t>(static_cast<std::uint16_t>(row[k]) *
                                             static_cast<std::uint16_t>(weight));
    }
}

// One output row from the column sums: whole columns added four channels at a time, the partly
// covered ones weighted, then divided by the whole area. Wide is the type of the whole-column
// sums, 64 bits only where a very tall picture could overflow 32.
template <typename Wide>
void narrowColumns(const std::uint32_t* sum, const std::vector<Span>& columns, int outWidth,
                   double toWide, std::uint8_t* out) {
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const Span& s = columns[x];
        Wide whole[kChannels] = {};
        for (int i = s.first + 1; i < s.last; ++i) {
            const std::uint32_t* p = sum + static_cast<std::size_t>(i) * kChannels;
            for (int c = 0; c < kChannels; ++c) {
                whole[c] += p[c];
            }
        }
        const std::uint32_t* first = sum + static_cast<std::size_t>(s.first) * kChannels;
        const std::uint32_t* last = sum + static_cast<std::size_t>(s.last) * kChannels;
        for (int c = 0; c < kChannels; ++c) {
            std::uint64_t total =
                std::uint64_t{whole[c]} * static_cast<std::uint64_t>(outWidth) +
                std::uint64_t{first[c]} * static_cast<std::uint64_t>(s.firstWeight);
            if (s.last != s.first) {
                total += std::uint64_t{last[c]} * static_cast<std::uint64_t>(s.lastWeight);
            }
            // Widened to 16 bits, rounded, and narrowed by its top byte, as the exact filter does,
            // so the two differ by rounding only.
            const auto wide = static_cast<std::uint32_t>(static_cast<double>(total) * toWide + 0.5);
            out[x * kChannels + static_cast<std::size_t>(c)] =
                static_cast<std::uint8_t>(std::min<std::uint32_t>(wide, 0xffff) >> kNarrowBits);
        }
    }
}

#ifdef __SSE2__
// The column sums of one output row in one pass over its input rows: whole rows added as 16-bit
// lanes (at most kRowsPerShortSum of them), then times outHeight with the two partial rows'
// weighted bytes, into 32-bit lanes. rowBytes is a multiple of 4; a tail of 4 to 12 bytes is
// done by the scalar loops.
void sumRowsSse(const std::uint8_t* in, std::size_t rowBytes, const Span& s, int outHeight,
                std::uint16_t* shortSum, std::uint32_t* sum) {
    const __m128i zero = _mm_setzero_si128();
    const std::size_t whole = rowBytes / 16 * 16;
    const std::uint8_t* first = in + static_cast<std::size_t>(s.first) * rowBytes;
    const std::uint8_t* last = in + static_cast<std::size_t>(s.last) * rowBytes;
    const int wholeRows = s.last - s.first - 1;
    const __m128i firstWeight = _mm_set1_epi16(static_cast<short>(s.firstWeight));
    const __m128i lastWeight = _mm_set1_epi16(static_cast<short>(s.lastWeight));
    const __m128i rowWeight = _mm_set1_epi16(static_cast<short>(outHeight));
    // u16 x u16 products as two u32 halves, added to acc.
    const auto multiplyAdd = [](__m128i a, __m128i b, __m128i& low, __m128i& high) {
        const __m128i lo = _mm_mullo_epi16(a, b);
        const __m128i hi = _mm_mulhi_epu16(a, b);
        low = _mm_add_epi32(low, _mm_unpacklo_epi16(lo, hi));
        high = _mm_add_epi32(high, _mm_unpackhi_epi16(lo, hi));
    };
    for (std::size_t k = 0; k < whole; k += 16) {
        __m128i shortLow = zero;
        __m128i shortHigh = zero;
        const std::uint8_t* row = first + rowBytes + k;
        for (int r = 0; r < wholeRows; ++r, row += rowBytes) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
            shortLow = _mm_add_epi16(shortLow, _mm_unpacklo_epi8(bytes, zero));
            shortHigh = _mm_add_epi16(shortHigh, _mm_unpackhi_epi8(bytes, zero));
        }
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(last + k));
        __m128i out[4] = {zero, zero, zero, zero};
        multiplyAdd(shortLow, rowWeight, out[0], out[1]);
        multiplyAdd(shortHigh, rowWeight, out[2], out[3]);
        multiplyAdd(_mm_unpacklo_epi8(a, zero), firstWeight, out[0], out[1]);
        multiplyAdd(_mm_unpackhi_epi8(a, zero), firstWeight, out[2], out[3]);
        multiplyAdd(_mm_unpacklo_epi8(b, zero), lastWeight, out[0], out[1]);
        multiplyAdd(_mm_unpackhi_epi8(b, zero), lastWeight, out[2], out[3]);
        for (int i = 0; i < 4; ++i) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sum + k + 4 * static_cast<std::size_t>(i)),
                             out[i]);
        }
    }
    if (whole < rowBytes) {
        const std::size_t tail = rowBytes - whole;
        std::fill(sum + whole, sum + rowBytes, 0u);
        addWeightedRow(first + whole, tail, sum + whole, static_cast<std::uint32_t>(s.firstWeight));
        addWholeRows(first + rowBytes + whole, wholeRows, rowBytes, tail, shortSum, sum + whole,
                     static_cast<std::uint32_t>(outHeight));
        addWeightedRow(last + whole, tail, sum + whole, static_cast<std::uint32_t>(s.lastWeight));
    }
}

// One output row from column sums below 2^31 under every box: whole columns added as four
// 32-bit lanes, the rest in double precision.
void narrowColumnsSse(const std::uint32_t* sum, const std::vector<Span>& columns, int outWidth,
                      double toWide, std::uint8_t* out) {
    const __m128d scale = _mm_set1_pd(toWide);
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d columnWeight = _mm_set1_pd(outWidth);
    const auto at = [sum](int i) {
        return _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(sum + static_cast<std::size_t>(i) * kChannels));
    };
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const Span& s = columns[x];
        __m128i whole = _mm_setzero_si128();
        for (int i = s.first + 1; i < s.last; ++i) {
            whole = _mm_add_epi32(whole, at(i));
        }
        const __m128i first = at(s.first);
        const __m128i last = s.last != s.first ? at(s.last) : _mm_setzero_si128();
        const __m128d firstWeight = _mm_set1_pd(s.firstWeight);
        const __m128d lastWeight = _mm_set1_pd(s.lastWeight);
        const auto total = [&](__m128i w, __m128i f, __m128i l) {
            const __m128d t = _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(w), columnWeight),
                                                    _mm_mul_pd(_mm_cvtepi32_pd(f), firstWeight)),
                                         _mm_mul_pd(_mm_cvtepi32_pd(l), lastWeight));
            return _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(t, scale), half));
        };
        const __m128i low = total(whole, first, last);
        const __m128i high =
            total(_mm_srli_si128(whole, 8), _mm_srli_si128(first, 8), _mm_srli_si128(last, 8));
        // Every value is at most 65535: the top byte of each is the channel.
        const __m128i wide = _mm_srli_epi32(_mm_unpacklo_epi64(low, high), kNarrowBits);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(wide, wide), wide);
        const int pixel = _mm_cvtsi128_si32(packed);
        std::memcpy(out + x * kChannels, &pixel, kChannels);
    }
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

void averageRgbaPicture(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                        int outWidth, int outHeight) {
    if (inWidth <= 0 || inHeight <= 0 || outWidth <= 0 || outHeight <= 0 || outWidth > inWidth ||
        outHeight > inHeight) {
        return;
    }
    const std::vector<Span> rows = spans(inHeight, outHeight);
    const std::vector<Span> columns = spans(inWidth, outWidth);
    const std::size_t rowBytes = static_cast<std::size_t>(inWidth) * kChannels;
    // One scratch buffer: the 32-bit column sums of an output row, then the 16-bit ones.
    std::vector<std::uint32_t> scratch(rowBytes + (rowBytes + 1) / 2);
    std::uint32_t* sum = scratch.data();
    auto* shortSum = reinterpret_cast<std::uint16_t*>(scratch.data() + rowBytes);
    const double toWide =
        double{kWiden} / (static_cast<double>(inWidth) * static_cast<double>(inHeight));
    // A whole-column sum holds up to 255 * inHeight per row under the box's width.
    const bool narrowFits =
        255.0 * inHeight * (static_cast<double>(inWidth) / outWidth + 1) < 4294967295.0;
    [[maybe_unused]] const bool signedFits =
        255.0 * inHeight * (static_cast<double>(inWidth) / outWidth + 1) < 2147483647.0;
    const auto weight = static_cast<std::uint32_t>(outHeight);
    for (int y = 0; y < outHeight; ++y) {
        const Span& s = rows[static_cast<std::size_t>(y)];
        const auto row = [&](int i) {
            return in + static_cast<std::size_t>(i) * rowBytes;
        };
#ifdef __SSE2__
        if (s.first != s.last && s.last - s.first - 1 <= kRowsPerShortSum) {
            sumRowsSse(in, rowBytes, s, outHeight, shortSum, sum);
        } else
#endif
        {
            std::fill(sum, sum + rowBytes, 0u);
            if (s.first == s.last) {
                addWeightedRow(row(s.first), rowBytes, sum,
                               static_cast<std::uint32_t>(s.firstWeight));
            } else {
                addWeightedRow(row(s.first), rowBytes, sum,
                               static_cast<std::uint32_t>(s.firstWeight));
                addWholeRows(row(s.first + 1), s.last - s.first - 1, rowBytes, rowBytes, shortSum,
                             sum, weight);
                addWeightedRow(row(s.last), rowBytes, sum,
                               static_cast<std::uint32_t>(s.lastWeight));
            }
        }
        std::uint8_t* line = out + static_cast<std::size_t>(y) * outWidth * kChannels;
#ifdef __SSE2__
        if (signedFits) {
            narrowColumnsSse(sum, columns, outWidth, toWide, line);
            continue;
        }
#endif
        if (narrowFits) {
            narrowColumns<std::uint32_t>(sum, columns, outWidth, toWide, line);
        } else {
            narrowColumns<std::uint64_t>(sum, columns, outWidth, toWide, line);
        }
    }
}

void halveRgbaLevel(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out) {
    const int outWidth = std::max(1, inWidth / 2);
    const int outHeight = std::max(1, inHeight / 2);
    const std::size_t row = static_cast<std::size_t>(inWidth) * kChannels;
    // Steps to the neighbour right and below; none along a side of one pixel.
    const std::size_t right = inWidth > 1 ? kChannels : 0;
    const std::size_t below = inHeight > 1 ? row : 0;
    for (int y = 0; y < outHeight; ++y) {
        const std::uint8_t* top = in + static_cast<std::size_t>(y) * (below ? 2 : 1) * row;
        for (int x = 0; x < outWidth; ++x) {
            const std::uint8_t* t = top + static_cast<std::size_t>(x) * (right ? 2 : 1) * kChannels;
            for (int c = 0; c < kChannels; ++c) {
                const int sum = t[c] + t[c + right] + t[c + below] + t[c + below + right];
                *out++ = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
}

} // namespace cartonic
