// Picture files as they may arrive from anywhere, in each format the loader must read: cut short,
// declaring absurd or empty sizes, damaged at random, unreadable, under very long names. Each is
// either refused with a reason, leaving the slot and its picture exactly as they were, or loaded
// whole; and memory stays within the load budget whatever a header claims.

#include "image/image_loader.h"
#include "image/picture_completeness.h"
#include "image/self_contained_svg.h"
#include "render/textures.h"
#include "support/forked.h"
#include "support/picture_files.h"
#include "support/temp_dir.h"

#include <QBuffer>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

namespace cartonic {
namespace {

using test::Bytes;
using test::formatName;
using test::kPictureFormats;
using test::PictureFormat;
using test::TempDir;

// The decoders' complaints about these files are expected; they would bury the test's output.
class QuietDecoders : public testing::Environment {
public:
    void SetUp() override {
        previous_ = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!QByteArray(context.category).startsWith("qt.gui.imageio")) {
                    previous_(type, context, message);
                }
            });
    }

private:
    static inline QtMessageHandler previous_ = nullptr;
};
const testing::Environment* const kQuiet = testing::AddGlobalTestEnvironment(new QuietDecoders);

// A slot that already shows a picture, as when the user picks a second one.
struct Held {
    FaceSlot slot{};
    SlotImage image;
    Held() {
        slot.imageWidth = 3;
        slot.imageHeight = 2;
        slot.textureId = 7;
        setPath(slot.imagePath, "earlier.png");
        image.image = QImage(3, 2, QImage::Format_RGBX8888);
        image.image.fill(qRgb(10, 20, 30));
    }
};

constexpr const char* kCutShortText = "the file ends before the picture does";

// Loads path into a held slot; expects a refusal that leaves everything as it was. Returns the
// reason.
std::string expectRefused(const std::string& path) {
    Held held;
    const FaceSlot before = held.slot;
    const qint64 key = held.image.image.cacheKey();
    const Status status = loadImage(held.slot, held.image, path);
    EXPECT_FALSE(status);
    EXPECT_FALSE(status.message().empty());
    EXPECT_EQ(std::memcmp(&held.slot, &before, sizeof before), 0) << "the slot is untouched";
    EXPECT_EQ(held.image.image.cacheKey(), key) << "the picture is untouched";
    return status.message();
}

// A loaded picture as the rest of the program relies on it.
void expectWhole(const Held& held) {
    const QImage& p = held.image.image;
    ASSERT_EQ(p.format(), QImage::Format_RGBX8888);
    // The slot records the file's size and keeps the picture at its texture size.
    const TextureSize kept = textureUploadSize(held.slot.imageWidth, held.slot.imageHeight);
    EXPECT_EQ(kept.width, p.width());
    EXPECT_EQ(kept.height, p.height());
    EXPECT_EQ(p.bytesPerLine(), p.width() * 4);
    EXPECT_LE(p.sizeInBytes(), kMaxImageLoadBytes);
    for (qsizetype at = 3; at < p.sizeInBytes(); at += 4) {
        ASSERT_EQ(held.image.pixels()[at], 0xff);
    }
}

TEST(HostileImage, CutShortPicturesOfEveryFormatAreRefused) {
    TempDir dir;
    const QImage picture = test::noisePicture(48, 40);
    struct Whole {
        std::string name;
        Bytes bytes;
    };
    std::vector<Whole> files;
    for (PictureFormat f : kPictureFormats) {
        files.push_back({formatName(f), test::encodePicture(picture, f)});
    }
    files.push_back({"interlaced gif", test::encodeGif(picture, true)});
    files.push_back({"lzw tiff", test::encodePicture(picture, PictureFormat::Tiff, 90, 1)});

    for (const Whole& whole : files) {
        SCOPED_TRACE(whole.name);
        ASSERT_FALSE(whole.bytes.empty());
        const std::string path = dir.file("picture");
        test::writeBytes(path, whole.bytes);
        Held control;
        ASSERT_TRUE(loadImage(control.slot, control.image, path)) << "the whole file loads";

        for (double kept : {0.02, 0.1, 0.25, 0.5, 0.75, 0.9, 0.97}) {
            SCOPED_TRACE(kept);
            const auto n = static_cast<std::ptrdiff_t>(whole.bytes.size() * kept);
            test::writeBytes(path, Bytes(whole.bytes.begin(), whole.bytes.begin() + n));
            expectRefused(path);
        }
    }
    // Where the last bytes carry pixels, one byte short is short. (A JPEG's last two bytes are its
    // end marker, which viewers do without: the decoder's tests load JPEG files lacking it.)
    Bytes bmp = test::encodePicture(picture, PictureFormat::Bmp);
    bmp.pop_back();
    test::writeBytes(dir.file("one-short"), bmp);
    EXPECT_EQ(expectRefused(dir.file("one-short")), kCutShortText);
}

// The cut-off check refuses only what is short: whole files laid out in less common ways load.
TEST(HostileImage, WholeFilesOfUnusualLayoutStillLoad) {
    TempDir dir;
    const QImage picture = test::noisePicture(24, 16);
    const test::Bytes jpeg = test::encodePicture(picture, PictureFormat::Jpeg);
    const auto loads = [&dir](const test::Bytes& bytes) {
        test::writeBytes(dir.file("unusual"), bytes);
        Held held;
        const Status status = loadImage(held.slot, held.image, dir.file("unusual"));
        return status ? std::string("loaded") : status.message();
    };

    // Data after the end-of-image marker, as some cameras append, markers included.
    test::Bytes trailing = jpeg;
    trailing.insert(trailing.end(), {'\xff', '\xd8', '\xff', '\xe1', 0, 0, 'x'});
    trailing.insert(trailing.end(), 500, '\0');
    EXPECT_EQ(loads(trailing), "loaded") << "bytes after the JPEG";

    // A complete thumbnail JPEG inside an APP1 segment: its end marker is not the picture's.
    const test::Bytes thumbnail =
        test::encodePicture(test::noisePicture(4, 4), PictureFormat::Jpeg);
    test::Bytes withThumbnail = {jpeg[0], jpeg[1], '\xff', '\xe1'};
    const std::size_t segment = thumbnail.size() + 2;
    withThumbnail.push_back(static_cast<char>(segment >> 8));
    withThumbnail.push_back(static_cast<char>(segment & 0xff));
    withThumbnail.insert(withThumbnail.end(), thumbnail.begin(), thumbnail.end());
    withThumbnail.insert(withThumbnail.end(), jpeg.begin() + 2, jpeg.end());
    EXPECT_EQ(loads(withThumbnail), "loaded") << "a thumbnail inside";
    withThumbnail.resize(withThumbnail.size() - jpeg.size() / 3);
    EXPECT_EQ(loads(withThumbnail), kCutShortText) << "cut, with a whole thumbnail before";

    // A GIF whose second frame is cut: only the first is shown, and it is whole.
    test::Bytes twoFrames = test::encodeGif(picture);
    twoFrames.pop_back(); // the trailer
    const test::Bytes frame = test::encodeGif(picture);
    const std::size_t imageBlock = 6 + 7 + 3 * 256;
    twoFrames.insert(twoFrames.end(), frame.begin() + static_cast<std::ptrdiff_t>(imageBlock),
                     frame.begin() + static_cast<std::ptrdiff_t>(imageBlock + 40));
    EXPECT_EQ(loads(twoFrames), "loaded") << "second GIF frame cut";

    // Bytes after a BMP's last row.
    test::Bytes bmp = test::encodePicture(picture, PictureFormat::Bmp);
    bmp.insert(bmp.end(), 64, 'z');
    EXPECT_EQ(loads(bmp), "loaded") << "bytes after the BMP";

    for (const char* option : {"progressive", "optimised"}) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(std::string(option) == "progressive");
        writer.setOptimizedWrite(std::string(option) == "optimised");
        ASSERT_TRUE(writer.write(picture));
        EXPECT_EQ(loads(test::Bytes(data.begin(), data.end())), "loaded") << option;
    }
}

constexpr const char* kTooLarge = "the image is too large";
constexpr const char* kFileTooLarge = "the file is too large";
constexpr const char* kDamaged = "the file is damaged or not a picture";

struct Declared {
    PictureFormat format;
    std::uint32_t width, height;
    const char* why; // the refusal expected, before any pixel is decoded
};

// Runs a load of path in a child and reports whether it was refused, why, how much the child's
// resident memory grew at its peak, and a digest of the picture loaded. With perturb, the child's
// allocator hands out memory filled with a byte of that value's making, so pixels a decoder never
// wrote differ from run to run.
struct BoundedLoad {
    bool refused = false;
    std::string why;
    long growthKb = 0;
    std::uint64_t digest = 0;
    std::string printed; // what reached the child's standard error
};

BoundedLoad loadInChild(const std::string& path, int perturb = 0) {
    struct Shared {
        int refused;
        long growthKb;
        std::uint64_t digest;
        char why[300];
        char printed[300];
    };
    void* map =
        ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    auto* shared = static_cast<Shared*>(map);
    const test::ChildResult child = test::runForked([&] {
        if (perturb != 0) {
            ::mallopt(M_PERTURB, perturb);
        }
        std::FILE* printed = std::tmpfile();
        if (!printed || ::dup2(::fileno(printed), STDERR_FILENO) < 0) {
            return 1;
        }
        const long start = test::currentRssKb();
        Held held;
        const Status status = loadImage(held.slot, held.image, path);
        shared->refused = !status;
        std::fflush(stderr);
        std::rewind(printed);
        shared->printed[std::fread(shared->printed, 1, sizeof shared->printed - 1, printed)] = 0;
        std::strncpy(shared->why, status.message().c_str(), sizeof shared->why - 1);
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        shared->growthKb = usage.ru_maxrss - start;
        const QImage& p = held.image.image;
        const QByteArray bytes(reinterpret_cast<const char*>(p.constBits()), p.sizeInBytes());
        shared->digest =
            qHash(bytes) ^ (std::uint64_t(p.width()) << 32 | std::uint32_t(p.height()));
        return 0;
    });
    BoundedLoad result{shared->refused != 0, shared->why, shared->growthKb, shared->digest,
                       shared->printed};
    EXPECT_EQ(child.status, 0) << "the load ended the process";
    ::munmap(map, sizeof(Shared));
    return result;
}

TEST(HostileImage, AbsurdDeclaredSizesAreRefusedBeforeDecoding) {
    TempDir dir;
    const std::uint32_t huge = 100000, half = 1u << 30;
    const Declared cases[] = {
        {PictureFormat::Png, huge, huge, kTooLarge},
        {PictureFormat::Png, half, half, kDamaged}, // past the PNG decoder's own limits
        {PictureFormat::Png, 1, 300000000, kDamaged},
        {PictureFormat::Tiff, huge, huge, kTooLarge},
        {PictureFormat::Tiff, half, half, kTooLarge},
        {PictureFormat::Tiff, 300000000, 1, kTooLarge},
        {PictureFormat::Bmp, huge, huge, kCutShortText},
        {PictureFormat::Bmp, half, half, kCutShortText},
        {PictureFormat::Bmp, 40000, 40000, kCutShortText},
        {PictureFormat::Gif, 65535, 65535, kTooLarge},
        {PictureFormat::Gif, 40000, 30000, kTooLarge},
        {PictureFormat::Jpeg, 65000, 65000, kTooLarge},
        {PictureFormat::Jpeg, 40000, 30000, kTooLarge},
    };
    for (const Declared& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << formatName(c.format) << " " << c.width << " x " << c.height);
        const std::string path = dir.file("bomb");
        test::writeBytes(path, test::fileDeclaring(c.format, c.width, c.height));
        expectRefused(path);
        // The same in a child, to see the memory the refusal took.
        const BoundedLoad load = loadInChild(path);
        EXPECT_TRUE(load.refused);
        EXPECT_EQ(load.why.substr(0, std::strlen(c.why)), c.why) << load.why;
        if (c.why == kTooLarge) {
            const std::string size = std::to_string(c.width) + " x " + std::to_string(c.height);
            EXPECT_NE(load.why.find(size), std::string::npos) << "names the size: " << load.why;
        }
        EXPECT_LT(load.growthKb, 32 * 1024);
    }
}

// A header and then a hole: such a file takes no disk, and reading it through would take minutes.
// Over the load budget it is refused unread; under it, nothing reads past the picture or past what
// its header can need.
TEST(HostileImage, HolesAfterAHeaderAreNotRead) {
    TempDir dir;
    constexpr std::int64_t kGiB = std::int64_t{1} << 30;
    constexpr std::int64_t kBeyond = 64 * kGiB, kWithin = kMaxImageLoadBytes - 1;
    const QImage picture = test::noisePicture(16, 16);
    const Bytes jpeg = test::encodePicture(picture, PictureFormat::Jpeg);
    const Bytes gif = test::encodeGif(picture);
    struct Case {
        const char* name;
        Bytes head;
        std::int64_t size;
        const char* outcome; // the reason's start ("" for any), or "loaded"
    };
    std::vector<Case> cases;
    for (PictureFormat f : kPictureFormats) {
        cases.push_back({formatName(f), test::fileDeclaring(f, 8, 8), kBeyond, kFileTooLarge});
    }
    cases.push_back({"JPEG signature", {'\xff', '\xd8', '\xff'}, kWithin, kCutShortText});
    cases.push_back({"JPEG lacking its end marker", Bytes(jpeg.begin(), jpeg.end() - 2), kWithin,
                     kPictureRunsOn});
    cases.push_back({"GIF screen only", Bytes(gif.begin(), gif.begin() + 13), kWithin, ""});
    cases.push_back({"whole GIF", gif, kWithin, "loaded"});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " in " << c.size << " bytes");
        const std::string path = dir.file("holey");
        test::writeBytes(path, c.head);
        if (::truncate(path.c_str(), c.size) != 0) {
            GTEST_SKIP() << "no sparse file of " << c.size << " bytes here";
        }
        Held held;
        const Status status = loadImage(held.slot, held.image, path);
        EXPECT_EQ(status ? std::string("loaded")
                         : status.message().substr(0, std::strlen(c.outcome)),
                  c.outcome)
            << status.message();
    }
}

TEST(HostileImage, SizesWithinTheBudgetStayWithinIt) {
    // A 200-byte GIF declaring 8000 x 8000 pixels: a picture that size is allowed, so it loads
    // (its undeclared pixels black), and what it takes stays under the load budget. So does a
    // greyscale picture whose RGBA form alone is over half the budget, where Qt's own limit,
    // counting four bytes a pixel, once refused it.
    TempDir dir;
    const std::string gif = dir.file("big.gif");
    test::writeBytes(gif, test::fileDeclaring(PictureFormat::Gif, 8000, 8000));
    constexpr int kGreySide = 11600;
    const std::string grey = dir.file("big.png");
    test::writeBytes(grey, test::greyPng(kGreySide, kGreySide, 128));
    for (const std::string& path : {gif, grey}) {
        SCOPED_TRACE(path);
        const BoundedLoad load = loadInChild(path);
        EXPECT_FALSE(load.refused) << load.why;
        EXPECT_LT(load.growthKb, kMaxImageLoadBytes / 1024 + 64 * 1024);
    }
}

// The decoders' own complaints, which they print to standard error, become part of the reason
// for a refusal, and are dropped after a success: nothing is printed either way.
TEST(HostileImage, DecoderComplaintsAreTheReasonNotPrinted) {
    TempDir dir;
    Bytes png = test::encodePicture(test::noisePicture(16, 16), PictureFormat::Png);
    const auto idat = std::search(png.begin(), png.end(), "IDAT", "IDAT" + 4);
    ASSERT_NE(idat, png.end());
    idat[8] = static_cast<char>(idat[8] ^ 0x55); // a data byte: the chunk's checksum fails
    // A one-pixel TIFF with 7-bit samples, and one whose last tag is unknown to libtiff but
    // needed by nobody (it replaces the planar configuration, which defaults to the same).
    constexpr std::size_t kBitsPerSampleAt = 134, kLastTagAt = 118;
    Bytes sevenBits = test::fileDeclaring(PictureFormat::Tiff, 1, 1);
    for (std::size_t i = 0; i < 3; ++i) {
        sevenBits[kBitsPerSampleAt + 2 * i] = 7;
    }
    Bytes unknownTag = test::fileDeclaring(PictureFormat::Tiff, 1, 1);
    unknownTag[kLastTagAt] = '\xef';
    unknownTag[kLastTagAt + 1] = '\xbe';
    struct Case {
        const char* name;
        Bytes bytes;
        const char* said; // what the reason quotes; nullptr when the file loads
    };
    const Case cases[] = {
        {"damaged PNG", png, "libpng error"},
        {"7-bit TIFF", sevenBits, "7-bit samples"},
        {"TIFF with an unknown tag", unknownTag, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeBytes(dir.file("talkative"), c.bytes);
        const BoundedLoad load = loadInChild(dir.file("talkative"));
        EXPECT_EQ(load.refused, c.said != nullptr) << load.why;
        if (c.said) {
            EXPECT_NE(load.why.find(c.said), std::string::npos) << load.why;
        }
        EXPECT_EQ(load.printed, "");
    }
}

// Run-length BMPs leave pixels to the decoder: those a stream skips on purpose come out the same
// on every run, and a stream that stops before the picture ends is refused.
TEST(HostileImage, RunLengthBitmapsLoadTheSameEveryTimeOrNotAtAll) {
    TempDir dir;
    constexpr std::uint32_t kSide = 16;
    constexpr char kEndOfLine[] = {0, 0}, kEndOfBitmap[] = {0, 1};
    Bytes rows; // every row a run of its own colour
    for (std::uint32_t y = 0; y < kSide; ++y) {
        rows.insert(rows.end(), {char(kSide), char(y + 1)});
        rows.insert(rows.end(), std::begin(kEndOfLine), std::end(kEndOfLine));
    }
    const auto with = [](Bytes bytes, std::initializer_list<char> more) {
        bytes.insert(bytes.end(), more);
        return bytes;
    };
    const Bytes whole = with(rows, {kEndOfBitmap[0], kEndOfBitmap[1]});
    const Bytes threeRows(rows.begin(), rows.begin() + 12);
    struct Case {
        const char* name;
        int bits;
        Bytes data;
        bool loads;
    };
    const Case cases[] = {
        {"whole", 8, whole, true},
        {"whole, without an end-of-bitmap mark", 8, rows, true},
        {"an early end of bitmap", 8, with({4, 7}, {0, 1}), true},
        {"a delta over pixels, then the end", 8, with({0, 2, 5, 9, 3, 2}, {0, 1}), true},
        {"an absolute run", 8, with({0, 3, 1, 2, 3, 0}, {0, 1}), true},
        {"a short end of line", 4, with({6, 0x12}, {0, 0, 0, 1}), true},
        {"no data at all", 8, {}, false},
        {"cut after three rows", 8, threeRows, false},
        {"cut after three rows", 4, threeRows, false},
        {"cut inside an absolute run", 8, with(threeRows, {0, 9, 1, 2, 3}), false},
        {"cut inside a delta", 8, with(threeRows, {0, 2, 5}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "RLE" << c.bits << ": " << c.name);
        const std::string path = dir.file("rle.bmp");
        test::writeBytes(path, test::rleBmp(kSide, kSide, c.bits, c.data));
        const BoundedLoad first = loadInChild(path, 0x11);
        const BoundedLoad second = loadInChild(path, 0x77);
        EXPECT_EQ(first.refused, !c.loads) << first.why;
        EXPECT_EQ(second.refused, first.refused);
        if (c.loads) {
            EXPECT_EQ(first.digest, second.digest) << "pixels the stream never set";
        } else {
            EXPECT_EQ(first.why, kCutShortText);
        }
    }
}

TEST(HostileImage, EmptyPicturesAreRefused) {
    TempDir dir;
    for (PictureFormat f : kPictureFormats) {
        for (auto [w, h] : {std::pair{0u, 5u}, std::pair{5u, 0u}, std::pair{0u, 0u}}) {
            SCOPED_TRACE(testing::Message() << formatName(f) << " " << w << " x " << h);
            test::writeBytes(dir.file("empty"), test::fileDeclaring(f, w, h));
            expectRefused(dir.file("empty"));
        }
    }
}

TEST(HostileImage, DamagedPicturesAreRefusedOrLoadedWhole) {
    TempDir dir;
    const std::string path = dir.file("damaged");
    std::mt19937 random(1234);
    const auto below = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    int refused = 0, loaded = 0;
    for (PictureFormat f : kPictureFormats) {
        SCOPED_TRACE(formatName(f));
        const Bytes whole = test::encodePicture(test::noisePicture(24, 16), f);
        for (int trial = 0; trial < 120; ++trial) {
            Bytes bytes = whole;
            if (trial < 20) {
                // The format's first bytes, then noise.
                bytes.resize(8 + below(3000));
                for (std::size_t i = 8; i < bytes.size(); ++i) {
                    bytes[i] = static_cast<char>(below(256));
                }
            } else {
                for (std::size_t n = 1 + below(12); n > 0; --n) {
                    bytes[below(bytes.size())] = static_cast<char>(below(256));
                }
            }
            test::writeBytes(path, bytes);
            Held held;
            const FaceSlot before = held.slot;
            const qint64 key = held.image.image.cacheKey();
            const Status status = loadImage(held.slot, held.image, path);
            if (status) {
                ++loaded;
                expectWhole(held);
            } else {
                ++refused;
                EXPECT_FALSE(status.message().empty());
                EXPECT_EQ(std::memcmp(&held.slot, &before, sizeof before), 0);
                EXPECT_EQ(held.image.image.cacheKey(), key);
            }
            if (HasFailure()) {
                test::writeBytes("hostile-image-failure", bytes);
                FAIL() << "trial " << trial << " kept as hostile-image-failure";
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loaded, 0);
}

TEST(HostileImage, UnreadablePictureIsRefused) {
    TempDir dir;
    const std::string path = dir.file("locked.png");
    test::writeBytes(path, test::encodePicture(test::noisePicture(4, 4), PictureFormat::Png));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0711), 0);
    // Root reads anything, so the refusal is tried as a user without rights to the file.
    const bool root = ::geteuid() == 0;
    const test::ChildResult result = test::runForked([&] {
        if (root && !test::becomeNobody()) {
            return 77;
        }
        Held held;
        const Status status = loadImage(held.slot, held.image, path);
        return !status && status.message().find(std::strerror(EACCES)) != std::string::npos ? 0 : 1;
    });
    if (result.status == 77) {
        GTEST_SKIP() << "cannot switch to an unprivileged user";
    }
    EXPECT_EQ(result.status, 0) << "refused with \"Permission denied\"";
}

// Compressed SVG as a hostile one may be: a few hundred kilobytes that unpack to more than any
// drawing needs are refused at the bound, not unpacked whole; one cut short says so.
TEST(HostileImage, CompressedSvgUnpacksWithinItsBound) {
    QByteArray bomb;
    {
        z_stream stream{};
        ASSERT_EQ(deflateInit2(&stream, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY),
                  Z_OK);
        const QByteArray zeros(1 << 20, '\0');
        QByteArray chunk(1 << 16, '\0');
        for (qsizetype fed = 0; fed <= kMostUnpackedSvgBytes; fed += zeros.size()) {
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
            stream.avail_in = static_cast<uInt>(zeros.size());
            const int flush = fed + zeros.size() > kMostUnpackedSvgBytes ? Z_FINISH : Z_NO_FLUSH;
            do {
                stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
                stream.avail_out = static_cast<uInt>(chunk.size());
                deflate(&stream, flush);
                bomb.append(chunk.constData(), chunk.size() - stream.avail_out);
            } while (stream.avail_out == 0);
        }
        deflateEnd(&stream);
    }
    const Result<QByteArray> tooLarge = selfContainedSvg(bomb);
    EXPECT_EQ(tooLarge.status.kind(), Status::Kind::TooLarge) << tooLarge.status.message();
    const Result<QByteArray> cut = selfContainedSvg(bomb.left(bomb.size() / 2));
    EXPECT_EQ(cut.status.kind(), Status::Kind::BadFormat);
    EXPECT_NE(cut.status.message().find("cut short"), std::string::npos) << cut.status.message();
}

TEST(HostileImage, LongPathsLoadUpToTheSystemsLimit) {
    TempDir dir;
    std::string folder = dir.path();
    for (int i = 0; i < 5; ++i) {
        folder += "/" + std::string(100, 'd') + "\xc3\xa9\xe4";
        std::filesystem::create_directory(folder);
    }
    const std::string path = folder + "/picture.bmp";
    ASSERT_GT(path.size(), kPathSize);
    test::writeBytes(path, test::encodePicture(test::noisePicture(5, 3), PictureFormat::Bmp));
    Held held;
    const Status status = loadImage(held.slot, held.image, path);
    ASSERT_TRUE(status) << status.message();
    EXPECT_EQ(held.slot.imageWidth, 5);

    // Longer than any path the system opens: refused, nothing overflows.
    const std::string endless = dir.path() + "/" + std::string(5000, 'x') + ".png";
    EXPECT_NE(expectRefused(endless).find(std::strerror(ENAMETOOLONG)), std::string::npos);
}

} // namespace
} // namespace cartonic
