// Any bytes, as a picture file of one format (CARTONIC_FUZZ_FORMAT: the input's first bytes are
// made that format's signature), loaded into a slot that already holds a picture. A refusal gives
// a reason and leaves slot and picture exactly as they were; a success leaves an RGBA picture of
// the size the slot records, opaque, unpadded and within the load budget.

#include "fuzz_support.h"
#include "image/image_loader.h"
#include "image/picture_reduction.h"

#include <bit>
#include <cstring>
#include <string_view>
#include <vector>

using namespace cartonic;

namespace {

struct Signature {
    std::string_view format;
    std::string_view bytes;       // what the input is made to begin with
    std::string_view alternative; // a second spelling kept as the input has it
};

constexpr Signature kSignatures[] = {
    {"bmp", "BM", ""},
    {"gif", "GIF89a", "GIF87a"},
    {"jpeg", "\xFF\xD8\xFF", ""},
    {"tiff", std::string_view("II*\0", 4), std::string_view("MM\0*", 4)},
    {"png", "\x89PNG\r\n\x1a\n", ""},
};

constexpr const Signature& signature() {
    for (const Signature& s : kSignatures) {
        if (s.format == CARTONIC_FUZZ_FORMAT) {
            return s;
        }
    }
    throw "unknown CARTONIC_FUZZ_FORMAT";
}
constexpr const Signature& kSignature = signature();

bool startsWith(const std::vector<std::uint8_t>& data, std::string_view prefix) {
    return !prefix.empty() && data.size() >= prefix.size() &&
           std::memcmp(data.data(), prefix.data(), prefix.size()) == 0;
}

// A slot holding a small picture, as after an earlier load.
struct Held {
    FaceSlot slot{};
    SlotImage image;
    Held() {
        slot.imageWidth = 3;
        slot.imageHeight = 2;
        slot.textureId = 7;
        image.image = QImage(3, 2, QImage::Format_RGBX8888);
        image.image.fill(qRgb(10, 20, 30));
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    if (!startsWith(bytes, kSignature.bytes) && !startsWith(bytes, kSignature.alternative)) {
        if (bytes.size() < kSignature.bytes.size()) {
            bytes.resize(kSignature.bytes.size());
        }
        std::memcpy(bytes.data(), kSignature.bytes.data(), kSignature.bytes.size());
    }
    const std::string& path = fuzz::inputAsFile(bytes.data(), bytes.size());

    Held held;
    const FaceSlot slotBefore = held.slot;
    const qint64 pictureBefore = held.image.image.cacheKey();
    const Status loaded = loadImage(held.slot, held.image, path);
    const QImage& got = held.image.image;
    fuzz::noteFeature(loaded ? "loaded " + std::to_string(std::bit_width(unsigned(got.width()))) +
                                   "x" + std::to_string(std::bit_width(unsigned(got.height())))
                             : "refused " + loaded.message());
    if (!loaded) {
        FUZZ_REQUIRE(!loaded.message().empty());
        FUZZ_REQUIRE(std::memcmp(&held.slot, &slotBefore, sizeof slotBefore) == 0);
        FUZZ_REQUIRE(held.image.image.cacheKey() == pictureBefore);
        return 0;
    }

    const QImage& picture = held.image.image;
    FUZZ_REQUIRE(picture.format() == QImage::Format_RGBX8888);
    FUZZ_REQUIRE(picture.width() > 0 && picture.height() > 0);
    const TextureSize kept = textureUploadSize(held.slot.imageWidth, held.slot.imageHeight);
    FUZZ_REQUIRE(kept.width == picture.width());
    FUZZ_REQUIRE(kept.height == picture.height());
    FUZZ_REQUIRE(picture.bytesPerLine() == picture.width() * 4);
    FUZZ_REQUIRE(picture.sizeInBytes() <= kMaxImageLoadBytes);
    FUZZ_REQUIRE(held.slot.textureId == slotBefore.textureId);
    FUZZ_REQUIRE(held.slot.imagePath == slotBefore.imagePath);
    const std::uint8_t* pixels = held.image.pixels();
    for (qsizetype at = 3; at < picture.sizeInBytes(); at += 4) {
        FUZZ_REQUIRE(pixels[at] == 0xFF);
    }
    return 0;
}
