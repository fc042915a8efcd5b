// The face pictures of the 3D model (model_writer.h): a file's own bytes where viewers show them
// as the application does, a fresh JPEG or PNG where they would not.

#include "formats/model_writer.h"

#include "base/regular_file.h"
#include "formats/picture_writer.h"
#include "image/image_loader.h"
#include "image/rgba_picture.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cartonic {

namespace {

// A JPEG or PNG of at most kModelPictureSide pixels a side is far smaller; a larger file is
// decoded (and so bounded by the loader's own rules) rather than read whole here.
constexpr std::int64_t kMostBytesAsIs = std::int64_t{64} << 20;

// The bytes of the regular file at path, when it has at most kMostBytesAsIs.
bool readSmallFile(const std::string& path, std::vector<std::uint8_t>& out) {
    return readRegularFile(path, FileBound{kMostBytesAsIs, EmptyFile::Refused}, out).ok();
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

constexpr std::uint32_t chunkType(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint8_t(name[3]);
}

// A JPEG every viewer decodes: its frame is baseline, extended or progressive Huffman coding of
// 8-bit samples in one (grey) or three (YCbCr) components. Not arithmetic or lossless coding,
// nor CMYK, which browsers decode poorly or not at all.
bool plainJpeg(const std::vector<std::uint8_t>& b) {
    constexpr std::uint8_t kMarker = 0xFF;
    constexpr std::uint8_t kStartOfImage = 0xD8;
    constexpr std::uint8_t kEndOfImage = 0xD9;
    constexpr std::uint8_t kStartOfScan = 0xDA;
    constexpr std::uint8_t kFirstFrame = 0xC0; // SOF0..SOF15, less DHT, JPG and DAC
    constexpr std::uint8_t kLastFrame = 0xCF;
    constexpr std::uint8_t kProgressiveHuffman = 0xC2;
    if (b.size() < 4 || b[0] != kMarker || b[1] != kStartOfImage) {
        return false;
    }
    std::size_t i = 2;
    while (i + 4 <= b.size()) {
        if (b[i] != kMarker) {
            return false;
        }
        const std::uint8_t marker = b[i + 1];
        if (marker == kMarker) { // fill byte
            ++i;
            continue;
        }
        if (marker == kEndOfImage || marker == kStartOfScan) {
            return false; // no frame before the picture's data
        }
        const std::size_t length = std::size_t{b[i + 2]} << 8 | b[i + 3];
        if (length < 2 || i + 2 + length > b.size()) {
            return false;
        }
        if (marker >= kFirstFrame && marker <= kLastFrame && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            // Frame header: precision, height (2), width (2), components.
            constexpr std::size_t kFrameBytes = 8;
            return marker <= kProgressiveHuffman && length >= kFrameBytes && b[i + 4] == 8 &&
                   (b[i + 9] == 1 || b[i + 9] == 3);
        }
        i += 2 + length;
    }
    return false;
}

// A PNG a viewer shows as the application does: glTF has viewers ignore colour information (an
// ICC profile; a gamma or chromaticities other than sRGB's, which the sRGB chunk overrides) and
// the validator warns of it, as it does of pixels that are not square and of animation. The view
// draws every picture opaque, so one that can hold see-through pixels (an alpha channel, or
// transparency for colours) is not plain either: viewers would let them through, or darken them.
bool plainPng(const std::vector<std::uint8_t>& b) {
    constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P',  'N',  'G',
                                                        0x0D, 0x0A, 0x1A, 0x0A};
    constexpr std::uint32_t kSrgbGamma = 45455; // 1 / 2.2, in 100000ths
    if (b.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), b.begin())) {
        return false;
    }
    bool srgb = false;
    bool otherColour = false;
    std::size_t i = kSignature.size();
    // Length, type, data, CRC; colour chunks all come before the first IDAT.
    constexpr std::size_t kChunkFrame = 12;
    while (i + kChunkFrame <= b.size()) {
        const std::uint32_t length = bigEndian32(&b[i]);
        const std::uint32_t type = bigEndian32(&b[i + 4]);
        if (length > b.size() - i - kChunkFrame) {
            return false;
        }
        const std::uint8_t* data = &b[i + 8];
        if (type == chunkType("IDAT")) {
            break;
        }
        if (type == chunkType("iCCP") || type == chunkType("acTL") || type == chunkType("tRNS")) {
            return false;
        }
        // Colour types 4 and 6, grey and colour with alpha, set bit 2.
        constexpr std::size_t kColourType = 9;
        constexpr std::uint8_t kAlphaBit = 4;
        if (type == chunkType("IHDR") &&
            (length <= kColourType || (data[kColourType] & kAlphaBit))) {
            return false;
        }
        if (type == chunkType("pHYs") &&
            (length != 9 || bigEndian32(data) != bigEndian32(data + 4))) {
            return false;
        }
        srgb = srgb || type == chunkType("sRGB");
        otherColour =
            otherColour || type == chunkType("cHRM") ||
            (type == chunkType("gAMA") && (length != 4 || bigEndian32(data) != kSrgbGamma));
        i += kChunkFrame + length;
    }
    return srgb || !otherColour;
}

// width x height brought within kModelPictureSide on its longer side, its shape kept.
TextureSize fittedSize(int width, int height) {
    const int longest = std::max(width, height);
    if (longest <= kModelPictureSide) {
        return {width, height};
    }
    const double scale = double(kModelPictureSide) / longest;
    return {std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale)))};
}

} // namespace

Status modelPicture(const FaceSlot& slot, const SlotImage& kept, const std::string& path,
                    ModelPicture& out, std::string* note, const QByteArray& inside) {
    std::vector<std::uint8_t> bytes;
    std::optional<PictureFormat> format = formatForPath(path);
    const bool haveBytes = inside.isEmpty() ? !path.empty() && readSmallFile(path, bytes)
                                            : inside.size() <= kMostBytesAsIs;
    if (haveBytes && !inside.isEmpty()) {
        bytes.assign(inside.begin(), inside.end());
    }
    if (haveBytes) {
        const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<qsizetype>(bytes.size()));
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        // The format from the content alone, as the loader takes it; only JPEG and PNG files are
        // kept as they are, so no other reader (an SVG's, which would follow its links) is asked.
        const QByteArray kind = pictureFormatOf(data);
        QImageReader reader(&buffer, kind);
        reader.setAutoDetectImageFormat(false);
        const QSize size = reader.size();
        // The view shows a picture upright whatever orientation tag its file carries; viewers
        // need not, so a turned file is drawn upright afresh.
        const bool upright = reader.transformation() == QImageIOHandler::TransformationNone;
        const bool small = size.isValid() && !size.isEmpty() &&
                           std::max(size.width(), size.height()) <= kModelPictureSide;
        format = kind == "jpeg"  ? std::optional(PictureFormat::Jpeg)
                 : kind == "png" ? std::optional(PictureFormat::Png)
                                 : std::nullopt;
        if (small && upright && format == PictureFormat::Jpeg && plainJpeg(bytes)) {
            out = {"image/jpeg", std::move(bytes)};
            return {};
        }
        if (small && upright && format == PictureFormat::Png && plainPng(bytes)) {
            out = {"image/png", std::move(bytes)};
            return {};
        }
    }
    // Decoded (the kept copy where it holds every pixel, or where the file is gone) and encoded
    // again: JPEG for a JPEG, PNG, lossless, for every other kind.
    const int width = slot.imageWidth > 0 ? slot.imageWidth : kept.image.width();
    const int height = slot.imageHeight > 0 ? slot.imageHeight : kept.image.height();
    if (width < 1 || height < 1) {
        return Status::usage("no picture");
    }
    std::string reason;
    Status unread;
    SlotImages keptOnly;
    keptOnly[0] = kept;
    SlotPictures source{&keptOnly, {path}, nullptr, {inside}};
    const QImage picture =
        slotPicture(slot, source, 0, fittedSize(width, height), &reason, &unread);
    if (picture.isNull() || picture.format() != QImage::Format_RGBX8888) {
        // Without a failed load, only a copy the memory could not hold comes back empty.
        return {unread.ok() ? Status::Kind::Unavailable : unread.kind(),
                reason.empty() ? "cannot load the picture " + path : reason};
    }
    if (note && !reason.empty()) {
        *note = reason;
    }
    RgbaPicture rgba;
    rgba.width = picture.width();
    rgba.height = picture.height();
    const std::size_t row = static_cast<std::size_t>(rgba.width) * 4;
    rgba.rgba.resize(row * static_cast<std::size_t>(rgba.height));
    for (int y = 0; y < rgba.height; ++y) {
        std::memcpy(rgba.rgba.data() + row * static_cast<std::size_t>(y), picture.constScanLine(y),
                    row);
    }
    const PictureFormat encoding = format.value_or(PictureFormat::Png);
    out.mimeType = encoding == PictureFormat::Jpeg ? "image/jpeg" : "image/png";
    return encodePictureBytes(rgba, encoding, kExportJpegQuality, out.bytes);
}

} // namespace cartonic
