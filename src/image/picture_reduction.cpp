#include "image/picture_reduction.h"

#include <algorithm>
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
            // Widened to 16 bits, rounded, and narrowed by its top byte, as GLU's box filter does,
            // so the two differ by rounding only. Never negative, so adding a half rounds.
            const auto wide = static_cast<std::uint32_t>(
                static_cast<double>(total) * toWide + 0.5); // NOLINT(bugprone-incorrect-roundings)
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

TextureSize textureUploadSize(int width, int height) {
    // 64-bit intermediates: a side times 512 overflows int for pictures wider than ~4 million.
    // The short side keeps at least one texel: a 4097 x 1 picture is still a stripe of colour.
    const auto shortSide = [](int side, int longSide) {
        return std::max(1, static_cast<int>(std::int64_t{side} * kMaxTextureSide / longSide));
    };
    if (width > height) {
        if (width > kMaxTextureSide) {
            return {kMaxTextureSide, shortSide(height, width)};
        }
        return {width, height};
    }
    if (height > kMaxTextureSide) {
        return {shortSide(width, height), kMaxTextureSide};
    }
    return {width, height};
}

} // namespace cartonic
