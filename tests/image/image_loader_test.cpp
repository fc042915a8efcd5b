#include "image/image_loader.h"
#include "image/picture_cache.h"
#include "image/picture_reduction.h"
#include "render/textures.h"

#include "support/temp_dir.h"

#include <QImageWriter>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace cartonic {
namespace {

using test::TempDir;

// A picture with a distinct colour in each quadrant, so orientation and channel order show.
constexpr QRgb kTopLeft = qRgb(220, 30, 40);
constexpr QRgb kTopRight = qRgb(30, 200, 60);
constexpr QRgb kBottomLeft = qRgb(40, 50, 210);
constexpr QRgb kBottomRight = qRgb(230, 220, 20);

QImage quadrants(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            picture.setPixel(x, y,
                             bottom ? (right ? kBottomRight : kBottomLeft)
                                    : (right ? kTopRight : kTopLeft));
        }
    }
    return picture;
}

// Qt reads GIF but does not write it: a GIF of a picture of at most four colours, its pixels
// coded as plain LZW literals with a clear code every two pixels so the code width stays 3 bits.
bool writeGif(const QImage& picture, const std::string& path) {
    std::vector<QRgb> palette;
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb colour = picture.pixel(x, y) | 0xff000000u;
            auto at = std::find(palette.begin(), palette.end(), colour);
            if (at == palette.end()) {
                if (palette.size() == 4) {
                    return false;
                }
                at = palette.insert(palette.end(), colour);
            }
            indices.push_back(static_cast<std::uint8_t>(at - palette.begin()));
        }
    }
    palette.resize(4);

    std::vector<char> bytes = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&bytes](int v) {
        bytes.push_back(static_cast<char>(v & 0xff));
        bytes.push_back(static_cast<char>(v >> 8));
    };
    put16(picture.width());
    put16(picture.height());
    const char globalTableOf4 = '\x81';
    bytes.insert(bytes.end(), {globalTableOf4, 0, 0});
    for (QRgb colour : palette) {
        bytes.insert(bytes.end(),
                     {static_cast<char>(qRed(colour)), static_cast<char>(qGreen(colour)),
                      static_cast<char>(qBlue(colour))});
    }
    bytes.push_back(',');
    put16(0);
    put16(0);
    put16(picture.width());
    put16(picture.height());
    bytes.push_back(0);
    const int minCodeSize = 2, clearCode = 4, endCode = 5, codeBits = 3;
    bytes.push_back(static_cast<char>(minCodeSize));

    std::vector<std::uint8_t> data;
    std::uint32_t acc = 0;
    int held = 0;
    auto code = [&](int c) {
        acc |= static_cast<std::uint32_t>(c) << held;
        held += codeBits;
        while (held >= 8) {
            data.push_back(static_cast<std::uint8_t>(acc & 0xff));
            acc >>= 8;
            held -= 8;
        }
    };
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % 2 == 0) {
            code(clearCode);
        }
        code(indices[i]);
    }
    code(endCode);
    if (held > 0) {
        data.push_back(static_cast<std::uint8_t>(acc & 0xff));
    }
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        bytes.push_back(static_cast<char>(n));
        bytes.insert(bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                     data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    bytes.push_back(0);
    bytes.push_back(';');
    test::writeBytes(path, bytes);
    return true;
}

bool writePicture(const QImage& picture, const std::string& path, const char* format) {
    if (std::strcmp(format, "gif") == 0) {
        return writeGif(picture, path);
    }
    QImageWriter writer(QString::fromStdString(path), format);
    if (std::strcmp(format, "jpg") == 0) {
        writer.setQuality(95);
    }
    return writer.write(picture);
}

// The RGBA bytes of pixel (x, y) of a loaded picture.
std::array<int, 4> rgbaAt(const SlotImage& image, int x, int y) {
    const std::uint8_t* p =
        image.pixels() +
        (static_cast<std::size_t>(y) * image.image.width() + static_cast<std::size_t>(x)) * 4;
    return {p[0], p[1], p[2], p[3]};
}

void expectNear(const std::array<int, 4>& got, QRgb want, int tolerance, const char* what) {
    EXPECT_NEAR(got[0], qRed(want), tolerance) << what;
    EXPECT_NEAR(got[1], qGreen(want), tolerance) << what;
    EXPECT_NEAR(got[2], qBlue(want), tolerance) << what;
    EXPECT_EQ(got[3], 255) << what;
}

std::uint32_t pngCrc(const std::vector<std::uint8_t>& data) {
    std::uint32_t crc = 0xffffffffu;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xffffffffu;
}

// A PNG file with the given header and no usable pixel data; valid CRCs throughout so only the
// header's values can make a reader refuse it.
std::vector<char> pngWithHeader(std::uint32_t width, std::uint32_t height) {
    std::vector<char> bytes = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    auto put32 = [&bytes](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<char>((v >> shift) & 0xff));
        }
    };
    auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
        put32(static_cast<std::uint32_t>(data.size()));
        std::vector<std::uint8_t> crcInput(type, type + 4);
        crcInput.insert(crcInput.end(), data.begin(), data.end());
        bytes.insert(bytes.end(), crcInput.begin(), crcInput.end());
        put32(pngCrc(crcInput));
    };
    std::vector<std::uint8_t> header;
    for (std::uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(static_cast<std::uint8_t>((v >> shift) & 0xff));
        }
    }
    const std::uint8_t bitDepth = 8, colourTypeRgba = 6;
    header.insert(header.end(), {bitDepth, colourTypeRgba, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    chunk("IEND", {});
    return bytes;
}

TEST(ImageLoader, DecodesEveryOfferedFormatTopRowFirst) {
    TempDir dir;
    const QImage picture = quadrants(32, 16);
    struct Case {
        const char* format;
        int tolerance;
    };
    for (const Case& c :
         {Case{"bmp", 0}, Case{"gif", 0}, Case{"jpg", 12}, Case{"tif", 0}, Case{"png", 0}}) {
        SCOPED_TRACE(c.format);
        const std::string path = dir.file(std::string("sample.") + c.format);
        ASSERT_TRUE(writePicture(picture, path, c.format));
        FaceSlot slot{};
        SlotImage image;
        const Status status = loadImage(slot, image, path);
        ASSERT_TRUE(status) << status.message();
        EXPECT_EQ(slot.imageWidth, 32);
        EXPECT_EQ(slot.imageHeight, 16);
        EXPECT_EQ(slot.imagePath[0], 0) << "the caller stores the path";
        EXPECT_EQ(image.image.format(), QImage::Format_RGBX8888);
        EXPECT_EQ(image.image.bytesPerLine(), 32 * 4) << "rows are unpadded";
        // Sample away from the quadrant edges, where lossy coding blurs.
        expectNear(rgbaAt(image, 0, 0), kTopLeft, c.tolerance, "first pixel is the top left");
        expectNear(rgbaAt(image, 28, 3), kTopRight, c.tolerance, "top right");
        expectNear(rgbaAt(image, 3, 12), kBottomLeft, c.tolerance, "bottom left");
        expectNear(rgbaAt(image, 31, 15), kBottomRight, c.tolerance, "last pixel");
    }
}

TEST(ImageLoader, SlotsKeepTheirPictureAtTextureSizeAndRecordTheFilesSize) {
    // A large picture is kept as its texture is made from it: reduced once at load, it gives the
    // texels the full picture gave. A JPEG is decoded at a fraction of its size by the decoder
    // itself, which shades within a few levels of reducing the whole.
    TempDir dir;
    const QImage picture = quadrants(1400, 700);
    const TextureSize kept = textureUploadSize(1400, 700);
    QImage full = picture.convertToFormat(QImage::Format_RGBX8888);
    QImage expected(kept.width, kept.height, QImage::Format_RGBX8888);
    averageRgbaPicture(full.constBits(), full.width(), full.height(), expected.bits(), kept.width,
                       kept.height);
    for (const auto& [format, tolerance] : {std::pair{"png", 0}, std::pair{"jpg", 12}}) {
        SCOPED_TRACE(format);
        const std::string path = dir.file(std::string("large.") + format);
        ASSERT_TRUE(writePicture(picture, path, format));
        FaceSlot slot{};
        SlotImage image;
        const Status status = loadImage(slot, image, path);
        ASSERT_TRUE(status) << status.message();
        EXPECT_EQ(slot.imageWidth, 1400);
        EXPECT_EQ(slot.imageHeight, 700);
        ASSERT_EQ(image.image.size(), QSize(kept.width, kept.height));
        for (const QPoint at : {QPoint(10, 10), QPoint(kept.width - 10, 10),
                                QPoint(10, kept.height - 10), QPoint(kept.width / 3, 100)}) {
            const QRgb got = image.image.pixel(at);
            const QRgb want = expected.pixel(at);
            EXPECT_LE(std::abs(qRed(got) - qRed(want)), tolerance) << at.x() << "," << at.y();
            EXPECT_LE(std::abs(qGreen(got) - qGreen(want)), tolerance);
            EXPECT_LE(std::abs(qBlue(got) - qBlue(want)), tolerance);
        }
    }
}

TEST(ImageLoader, ContentDecidesNotTheNameAndNamesAreBytes) {
    TempDir dir;
    const std::string utf8 = dir.file("plain.png");
    ASSERT_TRUE(writePicture(quadrants(4, 4), utf8, "png"));
    // Not valid UTF-8, and a misleading extension.
    const std::string raw = dir.file("bild\xe4\xff.jpg");
    std::filesystem::rename(utf8, raw);
    FaceSlot slot{};
    SlotImage image;
    const Status status = loadImage(slot, image, raw);
    ASSERT_TRUE(status) << status.message();
    EXPECT_EQ(slot.imageWidth, 4);
    expectNear(rgbaAt(image, 0, 0), kTopLeft, 0, "top left");
}

TEST(ImageLoader, DropsAlphaAndKeepsStraightColours) {
    TempDir dir;
    QImage picture(3, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(200, 100, 50, 128));
    picture.setPixel(1, 0, qRgba(10, 20, 30, 255));
    picture.setPixel(2, 0, qRgba(90, 180, 240, 7));
    const std::string path = dir.file("alpha.png");
    ASSERT_TRUE(writePicture(picture, path, "png"));

    FaceSlot slot{};
    SlotImage image;
    ASSERT_TRUE(loadImage(slot, image, path));
    ASSERT_EQ(image.image.sizeInBytes(), 12);
    const std::vector<int> want = {200, 100, 50, 255, 10, 20, 30, 255, 90, 180, 240, 255};
    EXPECT_EQ(std::vector<int>(image.pixels(), image.pixels() + 12), want);

    // A single pixel is a single 4-byte buffer.
    const std::string tiny = dir.file("tiny.png");
    ASSERT_TRUE(writePicture(quadrants(1, 1), tiny, "png"));
    ASSERT_TRUE(loadImage(slot, image, tiny));
    EXPECT_EQ(image.image.sizeInBytes(), 4);
    EXPECT_EQ(slot.imageWidth, 1);
    EXPECT_EQ(slot.imageHeight, 1);
}

TEST(ImageLoader, SecondLoadReplacesThePicture) {
    TempDir dir;
    const std::string first = dir.file("first.png");
    const std::string second = dir.file("second.bmp");
    ASSERT_TRUE(writePicture(quadrants(8, 6), first, "png"));
    QImage blue(5, 3, QImage::Format_RGB32);
    blue.fill(kBottomLeft);
    ASSERT_TRUE(writePicture(blue, second, "bmp"));

    FaceSlot slot{};
    slot.textureId = 7;
    SlotImage image;
    ASSERT_TRUE(loadImage(slot, image, first));
    ASSERT_TRUE(loadImage(slot, image, second));
    EXPECT_EQ(slot.imageWidth, 5);
    EXPECT_EQ(slot.imageHeight, 3);
    EXPECT_EQ(slot.textureId, 7u) << "the texture name is the texture builder's business";
    EXPECT_EQ(image.image.sizeInBytes(), 5 * 3 * 4);
    expectNear(rgbaAt(image, 0, 0), kBottomLeft, 0, "new picture");
}

TEST(ImageLoader, RefusalsLeaveSlotAndPictureUntouched) {
    TempDir dir;
    const std::string good = dir.file("good.png");
    ASSERT_TRUE(writePicture(quadrants(6, 4), good, "png"));

    const std::string text = dir.file("notes.jpg");
    test::writeBytes(text, {'h', 'e', 'l', 'l', 'o', '\n'});
    const std::string empty = dir.file("empty.png");
    test::writeBytes(empty, {});
    const std::string fifo = dir.file("pipe.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.file("folder.png");
    std::filesystem::create_directory(folder);
    const std::string huge = dir.file("huge.png");
    test::writeBytes(huge, pngWithHeader(100000, 100000));
    // Under Qt's own limit alone, but with its RGBA form over the load budget.
    const std::string large = dir.file("large.png");
    test::writeBytes(large, pngWithHeader(12000, 12000));
    const std::string zero = dir.file("zero.png");
    test::writeBytes(zero, pngWithHeader(0, 5));
    const std::string truncated = dir.file("truncated.png");
    {
        const std::string whole = dir.file("whole.png");
        QImage noise(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                noise.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 0xff));
            }
        }
        ASSERT_TRUE(writePicture(noise, whole, "png"));
        std::vector<char> bytes = test::readBytes(whole);
        bytes.resize(bytes.size() / 2);
        test::writeBytes(truncated, bytes);
    }

    using Kind = Status::Kind;
    const std::pair<std::string, Kind> cases[] = {
        {text, Kind::BadFormat},      {dir.file("missing.png"), Kind::NotFound},
        {folder, Kind::Unreadable},   {fifo, Kind::Unreadable},
        {empty, Kind::BadFormat},     {huge, Kind::TooLarge},
        {large, Kind::TooLarge},      {zero, Kind::BadFormat},
        {truncated, Kind::BadFormat}, {"/dev/zero", Kind::Unreadable},
    };
    for (const auto& [path, kind] : cases) {
        SCOPED_TRACE(path);
        FaceSlot slot{};
        slot.textureId = 3;
        SlotImage image;
        ASSERT_TRUE(loadImage(slot, image, good));
        const FaceSlot slotBefore = slot;
        const qint64 keyBefore = image.image.cacheKey();
        const QImage pictureBefore = image.image.copy();

        const Status status = loadImage(slot, image, path);
        EXPECT_EQ(status.kind(), kind) << status.message();
        const std::string& why = status.message();
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(std::memcmp(&slot, &slotBefore, sizeof slot), 0);
        EXPECT_EQ(image.image.cacheKey(), keyBefore);
        EXPECT_EQ(image.image, pictureBefore);
        if (path == huge || path == large) {
            EXPECT_NE(why.find("too large"), std::string::npos)
                << "refused from the header, before decoding: " << why;
        }
    }
}

// A batch asks the same files at many sizes: whatever the cache serves is what a load at that size
// gives, a file decodes once however many sizes are asked of it (a JPEG, which decodes at a
// reduced scale, once a size), and a replaced file is decoded anew.
TEST(PictureCache, ServesWhatALoadGivesAndSeesAReplacedFile) {
    TempDir dir;
    const std::string png = dir.file("p.png");
    const std::string jpeg = dir.file("p.jpg");
    ASSERT_TRUE(quadrants(600, 90).save(QString::fromStdString(png), "PNG"));
    ASSERT_TRUE(quadrants(600, 90).save(QString::fromStdString(jpeg), "JPEG", 90));
    PictureCache cache;
    const std::array<TextureSize, 3> sizes = {{{600, 90}, {170, 90}, {75, 11}}};
    for (const std::string& path : {png, jpeg}) {
        for (const TextureSize size : sizes) {
            QImage cached;
            QImage loaded;
            ASSERT_TRUE(cache.loadWithin(path, size, cached));
            ASSERT_TRUE(loadPictureWithin(path, size, loaded));
            EXPECT_TRUE(cached == loaded) << path << " at " << size.width << " x " << size.height;
        }
        FaceSlot fromCache{};
        FaceSlot fromFile{};
        SlotImage cached;
        SlotImage loaded;
        ASSERT_TRUE(cache.loadSlotPicture(fromCache, cached, path));
        ASSERT_TRUE(loadImage(fromFile, loaded, path));
        EXPECT_TRUE(cached.image == loaded.image) << path;
        EXPECT_EQ(fromCache.imageWidth, 600);
        EXPECT_EQ(fromCache.imageHeight, 90);
    }
    EXPECT_EQ(cache.misses(), 1u + sizes.size() + 1u) << "the PNG once, the JPEG once a size";

    ASSERT_TRUE(quadrants(30, 60).save(QString::fromStdString(png), "PNG"));
    QImage replaced;
    ASSERT_TRUE(cache.loadWithin(png, {600, 600}, replaced));
    EXPECT_EQ(replaced.size(), QSize(30, 60));
}

// A file rewritten in place with its modification time put back (cp -p, rsync --inplace -t)
// keeps its inode, size and time; the change time, which the system sets, tells it apart.
TEST(PictureCache, SeesAFileRewrittenInPlaceWithItsTimeKept) {
    TempDir dir;
    const std::string path = dir.file("p.bmp");
    const std::string other = dir.file("q.bmp");
    ASSERT_TRUE(quadrants(40, 20).save(QString::fromStdString(path), "BMP"));
    ASSERT_TRUE(quadrants(40, 20).mirrored(true, false).save(QString::fromStdString(other), "BMP"));
    PictureCache cache;
    QImage first;
    ASSERT_TRUE(cache.loadWithin(path, {40, 20}, first));
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    const std::vector<char> bytes = test::readBytes(other);
    ASSERT_EQ(static_cast<off_t>(bytes.size()), before.st_size);
    {
        std::fstream in(path, std::ios::in | std::ios::out | std::ios::binary); // no truncation
        in.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // The file system's clock moves in ticks: the time is put back until the change shows.
    const std::array<timespec, 2> times = {before.st_atim, before.st_mtim};
    struct stat after {};
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times.data(), 0), 0);
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
    } while (after.st_ctim.tv_sec == before.st_ctim.tv_sec &&
             after.st_ctim.tv_nsec == before.st_ctim.tv_nsec);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_size, before.st_size);
    ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    QImage second;
    QImage loaded;
    ASSERT_TRUE(cache.loadWithin(path, {40, 20}, second));
    ASSERT_TRUE(loadPictureWithin(path, {40, 20}, loaded));
    EXPECT_TRUE(second == loaded);
    EXPECT_FALSE(second == first);
}

} // namespace
} // namespace cartonic
