// The straight JPEG decoder must give exactly the pixels of the general reader for every kind of
// file it takes, and decline the rest so that the general reader handles them. A file lacking
// only its end marker loads whole by either road; one cut inside its scans loads by neither.

#include "image/image_loader.h"
#include "image/jpeg_decoder.h"
#include "image/picture_completeness.h"

#include "support/temp_dir.h"

#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

namespace cartonic {
namespace {

using test::TempDir;

// Smooth colour with grain: every coefficient of the code gets some work.
QImage photo(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB888);
    std::uint32_t seed = 7;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 28) - 8;
            row[3 * x] = static_cast<std::uint8_t>(std::clamp(x * 255 / width + grain, 0, 255));
            row[3 * x + 1] =
                static_cast<std::uint8_t>(std::clamp(y * 255 / height - grain, 0, 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(128 + grain * 4, 0, 255));
        }
    }
    return picture;
}

struct Coding {
    const char* name;
    int lumaH = 2; // luma sampling factors: 2 x 2 is 4:2:0, 2 x 1 is 4:2:2, 1 x 1 is 4:4:4
    int lumaV = 2;
    J_COLOR_SPACE stored = JCS_YCbCr; // JCS_GRAYSCALE, JCS_RGB and JCS_CMYK too
    bool progressive = false;
    int restartRows = 0;
    int orientation = 0; // an Exif orientation tag when non-zero
};

// An Exif block holding only the orientation tag (big-endian TIFF, one entry in IFD0).
std::vector<JOCTET> exifOrientation(int orientation) {
    return {'E', 'x', 'i', 'f',  0,    0, 'M', 'M', 0, 42, 0, 0, 0,
            8,   0,   1,   0x01, 0x12, 0, 3,   0,   0, 0,  1, 0, static_cast<JOCTET>(orientation),
            0,   0,   0,   0,    0,    0};
}

std::vector<std::uint8_t> encode(const QImage& rgb, const Coding& coding) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    const bool grey = coding.stored == JCS_GRAYSCALE;
    const bool cmyk = coding.stored == JCS_CMYK;
    info.input_components = grey ? 1 : cmyk ? 4 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, coding.stored);
    jpeg_set_quality(&info, 90, TRUE);
    if (coding.stored == JCS_YCbCr) {
        info.comp_info[0].h_samp_factor = coding.lumaH;
        info.comp_info[0].v_samp_factor = coding.lumaV;
    }
    if (coding.progressive) {
        jpeg_simple_progression(&info);
    }
    info.restart_in_rows = coding.restartRows;
    jpeg_start_compress(&info, TRUE);
    if (coding.orientation != 0) {
        const std::vector<JOCTET> exif = exifOrientation(coding.orientation);
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    std::vector<JSAMPLE> row(static_cast<std::size_t>(rgb.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const std::uint8_t* source = rgb.constScanLine(static_cast<int>(info.next_scanline));
        for (int x = 0; x < rgb.width(); ++x) {
            const std::uint8_t* p = source + 3 * x;
            if (grey) {
                row[x] = static_cast<JSAMPLE>((p[0] + p[1] + p[2]) / 3);
            } else if (cmyk) {
                for (int c = 0; c < 3; ++c) {
                    row[4 * x + c] = static_cast<JSAMPLE>(255 - p[c]);
                }
                row[4 * x + 3] = 0;
            } else {
                std::copy(p, p + 3, row.begin() + 3 * x);
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

std::string writeJpeg(const TempDir& dir, const std::string& name,
                      const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.file(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

QImage decodeStraight(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    QImage picture = decodeJpegRgbx(fd);
    ::close(fd);
    return picture;
}

QImage decodeGeneral(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    QImage picture = reader.read();
    picture.convertTo(QImage::Format_RGBX8888);
    return picture;
}

// Byte for byte, with the first differing pixel named.
::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size() || actual.format() != expected.format()) {
        return ::testing::AssertionFailure() << "size or format differs";
    }
    for (int y = 0; y < actual.height(); ++y) {
        const std::uint8_t* a = actual.constScanLine(y);
        const std::uint8_t* e = expected.constScanLine(y);
        for (int i = 0; i < actual.width() * 4; ++i) {
            if (a[i] != e[i]) {
                return ::testing::AssertionFailure()
                       << "pixel (" << i / 4 << ", " << y << ") byte " << i % 4 << ": " << int(a[i])
                       << " instead of " << int(e[i]);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(JpegDecoder, GivesTheGeneralReadersPixelsForEveryCodingItTakes) {
    TempDir dir;
    const Coding codings[] = {
        {"4:2:0"},
        {"4:2:2", 2, 1},
        {"4:4:4", 1, 1},
        {"grey", 1, 1, JCS_GRAYSCALE},
        {"stored as RGB", 1, 1, JCS_RGB},
        {"progressive", 2, 2, JCS_YCbCr, true},
        {"restart markers", 2, 2, JCS_YCbCr, false, 3},
        {"upright Exif tag", 2, 2, JCS_YCbCr, false, 0, 1},
    };
    // Odd sizes leave partial blocks at the right and bottom edges; 800 x 700 needs a buffer large
    // enough for a mapping of its own.
    const QSize sizes[] = {{1, 1}, {17, 9}, {301, 203}, {800, 700}};
    for (const Coding& coding : codings) {
        for (const QSize size : sizes) {
            SCOPED_TRACE(::testing::Message()
                         << coding.name << ", " << size.width() << " x " << size.height());
            const std::string path =
                writeJpeg(dir, "picture.jpg", encode(photo(size.width(), size.height()), coding));
            QImage straight = decodeStraight(path);
            ASSERT_FALSE(straight.isNull());
            EXPECT_EQ(straight.format(), QImage::Format_RGBX8888);
            EXPECT_EQ(straight.bytesPerLine(), size.width() * 4) << "rows are unpadded";
            const QImage general = decodeGeneral(path);
            EXPECT_TRUE(samePixels(straight, general));
            for (int y = 0; y < straight.height(); ++y) {
                for (int x = 0; x < straight.width(); ++x) {
                    ASSERT_EQ(straight.constScanLine(y)[4 * x + 3], 255) << "alpha is opaque";
                }
            }
            // A copy outlives the picture it came from, as a preview's copy of the slot's may.
            const QImage copy = straight;
            straight = QImage();
            EXPECT_TRUE(samePixels(copy, general));
        }
    }
}

TEST(JpegDecoder, DeclinesWhatTheGeneralReaderMustHandle) {
    TempDir dir;
    const QImage picture = photo(64, 48);
    const std::vector<std::uint8_t> whole = encode(picture, {"4:2:0"});

    const std::string cmyk = writeJpeg(dir, "cmyk.jpg", encode(picture, {"cmyk", 1, 1, JCS_CMYK}));
    EXPECT_TRUE(decodeStraight(cmyk).isNull()) << "CMYK needs the general conversion";

    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + whole.size() / 2);
    EXPECT_TRUE(decodeStraight(writeJpeg(dir, "cut.jpg", cut)).isNull())
        << "a file that stops short";

    std::vector<std::uint8_t> damaged = whole;
    damaged[2] = 0x00; // no marker after start-of-image
    EXPECT_TRUE(decodeStraight(writeJpeg(dir, "damaged.jpg", damaged)).isNull());

    // Through the loader, a declined CMYK file still loads the general way, in the slot format.
    FaceSlot slot{};
    SlotImage image;
    const Status status = loadImage(slot, image, cmyk);
    ASSERT_TRUE(status) << status.message();
    EXPECT_EQ(image.image.format(), QImage::Format_RGBX8888);
    EXPECT_EQ(slot.imageWidth, 64);
}

TEST(JpegDecoder, TurnedPicturesStillComeUpright) {
    // Orientation 6: the stored picture is shown turned a quarter clockwise, so a 64 x 48 file
    // loads as 48 x 64, exactly as the general reader turns it.
    TempDir dir;
    const std::string path = writeJpeg(
        dir, "turned.jpg", encode(photo(64, 48), {"turned", 2, 2, JCS_YCbCr, false, 0, 6}));
    FaceSlot slot{};
    SlotImage image;
    const Status status = loadImage(slot, image, path);
    ASSERT_TRUE(status) << status.message();
    EXPECT_EQ(slot.imageWidth, 48);
    EXPECT_EQ(slot.imageHeight, 64);
    EXPECT_TRUE(samePixels(image.image, decodeGeneral(path)));
}

// Where each scan's coded data starts and where the marker that ends it stands.
struct Scan {
    std::size_t start, end;
};

std::vector<Scan> scansOf(const std::vector<std::uint8_t>& jpeg) {
    constexpr std::uint8_t kFill = 0xFF, kSos = 0xDA, kRst0 = 0xD0, kRst7 = 0xD7;
    std::vector<Scan> scans;
    for (std::size_t i = 0; i + 3 < jpeg.size(); ++i) {
        if (jpeg[i] != kFill || jpeg[i + 1] != kSos) {
            continue;
        }
        Scan scan{i + 2 + (std::size_t{jpeg[i + 2]} << 8 | jpeg[i + 3]), jpeg.size()};
        for (std::size_t k = scan.start; k + 1 < jpeg.size(); ++k) {
            const std::uint8_t next = jpeg[k + 1];
            if (jpeg[k] == kFill && next != 0 && (next < kRst0 || next > kRst7)) {
                scan.end = k;
                break;
            }
        }
        scans.push_back(scan);
        i = scan.end;
    }
    return scans;
}

TEST(JpegDecoder, OnlyTheEndMarkerMayBeMissing) {
    TempDir dir;
    // The straight decoder's codings, and two that take the general reader.
    const Coding codings[] = {
        {"4:2:0"},
        {"progressive", 2, 2, JCS_YCbCr, true},
        {"restart markers", 2, 2, JCS_YCbCr, false, 1},
        {"cmyk", 1, 1, JCS_CMYK},
        {"turned", 2, 2, JCS_YCbCr, false, 0, 6},
    };
    const auto load = [&dir](const std::vector<std::uint8_t>& bytes, std::string* why) {
        FaceSlot slot{};
        SlotImage image;
        const Status status = loadImage(slot, image, writeJpeg(dir, "picture.jpg", bytes));
        *why = status.message();
        return status ? image.image : QImage();
    };
    for (const Coding& coding : codings) {
        SCOPED_TRACE(coding.name);
        const std::vector<std::uint8_t> whole = encode(photo(64, 48), coding);
        std::string why;
        const QImage expected = load(whole, &why);
        ASSERT_FALSE(expected.isNull()) << why;
        for (const std::size_t missing : {1, 2}) {
            const QImage unended = load({whole.begin(), whole.end() - missing}, &why);
            EXPECT_TRUE(samePixels(unended, expected)) << missing << " bytes missing: " << why;
        }

        // Cut inside the last scan's data; and, with several scans, right after a whole scan
        // but before the last.
        const std::vector<Scan> scans = scansOf(whole);
        ASSERT_FALSE(scans.empty());
        std::vector<std::size_t> cuts = {(scans.back().start + scans.back().end) / 2};
        if (scans.size() > 1) {
            cuts.push_back(scans[scans.size() - 2].end);
        }
        for (const std::size_t kept : cuts) {
            SCOPED_TRACE(kept);
            EXPECT_TRUE(load({whole.begin(), whole.begin() + kept}, &why).isNull());
            EXPECT_EQ(why, kPictureCutShort);
        }
    }
}

} // namespace
} // namespace cartonic
