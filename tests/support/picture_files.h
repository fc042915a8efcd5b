#pragma once

// Picture files as bytes, for tests and the fuzzers' seed corpora: well-formed files of each
// format the loader must read (through Qt's writers, and a small GIF encoder since Qt writes no
// GIF), and minimal files whose header declares any size at all with no pixel data behind it.

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

namespace cartonic::test {

using Bytes = std::vector<char>;

enum class PictureFormat { Bmp, Gif, Jpeg, Tiff, Png };
inline constexpr PictureFormat kPictureFormats[] = {PictureFormat::Bmp, PictureFormat::Gif,
                                                    PictureFormat::Jpeg, PictureFormat::Tiff,
                                                    PictureFormat::Png};

inline const char* formatName(PictureFormat format) {
    switch (format) {
    case PictureFormat::Bmp:
        return "bmp";
    case PictureFormat::Gif:
        return "gif";
    case PictureFormat::Jpeg:
        return "jpeg";
    case PictureFormat::Tiff:
        return "tiff";
    case PictureFormat::Png:
        return "png";
    }
    return "";
}

namespace detail {

inline void putLe16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<char>(v & 0xff));
    b.push_back(static_cast<char>((v >> 8) & 0xff));
}
inline void putLe32(Bytes& b, std::uint32_t v) {
    putLe16(b, v & 0xffff);
    putLe16(b, v >> 16);
}
inline void putBe16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<char>((v >> 8) & 0xff));
    b.push_back(static_cast<char>(v & 0xff));
}
inline void putBe32(Bytes& b, std::uint32_t v) {
    putBe16(b, v >> 16);
    putBe16(b, v & 0xffff);
}

inline std::uint32_t crc32(const Bytes& data, std::size_t from) {
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = from; i < data.size(); ++i) {
        crc ^= static_cast<std::uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xffffffffu;
}

inline void pngChunk(Bytes& out, const char* type, const Bytes& data) {
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putBe32(out, crc32(body, 0));
}

// GIF image data for 8-bit indices: every code is a literal, with a clear code before the table
// would grow past 9-bit codes, so no dictionary is needed.
inline Bytes gifImageData(const std::vector<std::uint8_t>& indices) {
    constexpr int kMinCodeSize = 8, kClear = 256, kEnd = 257, kBits = 9, kRun = 250;
    std::vector<std::uint8_t> packed;
    std::uint32_t acc = 0;
    int held = 0;
    const auto code = [&](int c) {
        acc |= static_cast<std::uint32_t>(c) << held;
        held += kBits;
        while (held >= 8) {
            packed.push_back(static_cast<std::uint8_t>(acc & 0xff));
            acc >>= 8;
            held -= 8;
        }
    };
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % kRun == 0) {
            code(kClear);
        }
        code(indices[i]);
    }
    code(kEnd);
    if (held > 0) {
        packed.push_back(static_cast<std::uint8_t>(acc & 0xff));
    }
    Bytes out{static_cast<char>(kMinCodeSize)};
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - at);
        out.push_back(static_cast<char>(n));
        out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                   packed.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
    return out;
}

} // namespace detail

// A GIF of picture reduced to 256 colours by Qt; interlaced when asked.
inline Bytes encodeGif(const QImage& picture, bool interlaced = false) {
    using namespace detail;
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QList<QRgb> table = indexed.colorTable();
    table.resize(256, qRgb(0, 0, 0));
    const int w = indexed.width(), h = indexed.height();

    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    putLe16(out, static_cast<std::uint32_t>(w));
    putLe16(out, static_cast<std::uint32_t>(h));
    const char globalTableOf256 = '\xf7';
    out.insert(out.end(), {globalTableOf256, 0, 0});
    for (QRgb c : table) {
        out.insert(out.end(), {static_cast<char>(qRed(c)), static_cast<char>(qGreen(c)),
                               static_cast<char>(qBlue(c))});
    }
    out.push_back(',');
    putLe16(out, 0);
    putLe16(out, 0);
    putLe16(out, static_cast<std::uint32_t>(w));
    putLe16(out, static_cast<std::uint32_t>(h));
    out.push_back(interlaced ? '\x40' : '\0');

    std::vector<int> rows;
    if (interlaced) {
        for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
            for (int y = start; y < h; y += step) {
                rows.push_back(y);
            }
        }
    } else {
        for (int y = 0; y < h; ++y) {
            rows.push_back(y);
        }
    }
    std::vector<std::uint8_t> indices;
    for (int y : rows) {
        const uchar* line = indexed.constScanLine(y);
        indices.insert(indices.end(), line, line + w);
    }
    const Bytes data = gifImageData(indices);
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(';');
    return out;
}

// picture in format through Qt's writer (GIF through encodeGif). quality applies to JPEG;
// compression to TIFF (0 none, 1 LZW).
inline Bytes encodePicture(const QImage& picture, PictureFormat format, int quality = 90,
                           int compression = 0) {
    if (format == PictureFormat::Gif) {
        return encodeGif(picture);
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, formatName(format));
    writer.setQuality(quality);
    writer.setCompression(compression);
    if (!writer.write(picture)) {
        return {};
    }
    return Bytes(data.begin(), data.end());
}

// A picture with detail everywhere, so that any cut of its file loses pixels.
inline QImage noisePicture(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage picture(width, height, QImage::Format_RGB32);
    std::uint32_t state = 0x9e3779b9u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y,
                             qRgb(x * 255 / std::max(1, width - 1), (state >> 8) & 0xff,
                                  y * 255 / std::max(1, height - 1)));
        }
    }
    return picture.convertToFormat(format);
}

// A greyscale PNG of width x height pixels of one value, compressed a row at a time: a picture
// of a hundred megapixels costs a row of memory and a file of some hundred kilobytes.
inline Bytes greyPng(std::uint32_t width, std::uint32_t height, std::uint8_t value) {
    using namespace detail;
    Bytes out = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    Bytes header;
    putBe32(header, width);
    putBe32(header, height);
    header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey
    pngChunk(out, "IHDR", header);
    std::vector<Bytef> row(width + 1, value);
    row[0] = 0; // no filter
    Bytes data;
    z_stream z{};
    deflateInit(&z, Z_BEST_SPEED);
    Bytef chunk[1 << 16];
    for (std::uint32_t y = 0; y <= height; ++y) {
        const bool last = y == height;
        z.next_in = last ? nullptr : row.data();
        z.avail_in = last ? 0 : static_cast<uInt>(row.size());
        do {
            z.next_out = chunk;
            z.avail_out = sizeof chunk;
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            data.insert(data.end(), chunk, chunk + (sizeof chunk - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    pngChunk(out, "IDAT", data);
    pngChunk(out, "IEND", {});
    return out;
}

// A run-length BMP (RLE8 when bits is 8, RLE4 when 4) of width x height whose pixel data is
// exactly data: runs and escapes as given, however short. Every palette entry a distinct colour.
inline Bytes rleBmp(std::uint32_t width, std::uint32_t height, int bits, const Bytes& data) {
    using namespace detail;
    constexpr std::uint32_t kFileHeader = 14, kInfoHeader = 40, kRle8 = 1, kRle4 = 2;
    const std::uint32_t colours = 1u << bits;
    const std::uint32_t dataAt = kFileHeader + kInfoHeader + 4 * colours;
    Bytes out = {'B', 'M'};
    putLe32(out, dataAt + static_cast<std::uint32_t>(data.size()));
    putLe32(out, 0);
    putLe32(out, dataAt);
    putLe32(out, kInfoHeader);
    putLe32(out, width);
    putLe32(out, height);
    putLe16(out, 1);
    putLe16(out, static_cast<std::uint32_t>(bits));
    putLe32(out, bits == 8 ? kRle8 : kRle4);
    putLe32(out, static_cast<std::uint32_t>(data.size()));
    putLe32(out, 2835);
    putLe32(out, 2835);
    putLe32(out, colours);
    putLe32(out, 0);
    for (std::uint32_t i = 0; i < colours; ++i) {
        putLe32(out, (i * 0x9e3779b9u) >> 8); // blue, green, red, 0
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// The smallest file of format whose header declares width x height pixels (8-bit RGB or
// palette) and that carries at most a token of pixel data. Valid checksums throughout, so only
// the declared size can make a reader refuse it.
inline Bytes fileDeclaring(PictureFormat format, std::uint32_t width, std::uint32_t height) {
    using namespace detail;
    Bytes out;
    switch (format) {
    case PictureFormat::Bmp: {
        const std::uint32_t fileHeader = 14, infoHeader = 40;
        out = {'B', 'M'};
        putLe32(out, fileHeader + infoHeader + 4);
        putLe32(out, 0);
        putLe32(out, fileHeader + infoHeader);
        putLe32(out, infoHeader);
        putLe32(out, width);
        putLe32(out, height);
        putLe16(out, 1);  // planes
        putLe16(out, 24); // bits per pixel
        putLe32(out, 0);  // no compression
        putLe32(out, 0);
        putLe32(out, 2835);
        putLe32(out, 2835);
        putLe32(out, 0);
        putLe32(out, 0);
        putLe32(out, 0); // one token pixel
        break;
    }
    case PictureFormat::Gif: {
        out = {'G', 'I', 'F', '8', '9', 'a'};
        putLe16(out, width);
        putLe16(out, height);
        out.insert(out.end(), {'\x80', 0, 0, 0, 0, 0, '\xff', '\xff', '\xff'});
        out.push_back(',');
        putLe16(out, 0);
        putLe16(out, 0);
        putLe16(out, width);
        putLe16(out, height);
        out.push_back(0);
        out.insert(out.end(), {2, 2, 0x44, 0x01, 0, ';'}); // clear, 0, end
        break;
    }
    case PictureFormat::Jpeg: {
        // A whole small JPEG whose frame header is then made to claim the size: tables, scan
        // and end marker all present, so only the size can make a reader refuse it.
        QImage tiny(8, 8, QImage::Format_RGB32);
        tiny.fill(Qt::gray);
        out = encodePicture(tiny, PictureFormat::Jpeg);
        for (std::size_t i = 0; i + 9 < out.size(); ++i) {
            if (out[i] == '\xff' && out[i + 1] == '\xc0') {
                Bytes size;
                putBe16(size, height);
                putBe16(size, width);
                std::copy(size.begin(), size.end(),
                          out.begin() + static_cast<std::ptrdiff_t>(i + 5));
                break;
            }
        }
        break;
    }
    case PictureFormat::Tiff: {
        // Little-endian, one strip of uncompressed 8-bit RGB whose byte count covers one pixel.
        const std::uint16_t entries = 10;
        const std::uint32_t ifd = 8, bitsAt = ifd + 2 + entries * 12 + 4, dataAt = bitsAt + 6;
        out = {'I', 'I', 42, 0};
        putLe32(out, ifd);
        putLe16(out, entries);
        const auto entry = [&out](std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                  std::uint32_t value) {
            putLe16(out, tag);
            putLe16(out, type);
            putLe32(out, count);
            putLe32(out, value);
        };
        const std::uint16_t kShort = 3, kLong = 4;
        entry(256, kLong, 1, width);
        entry(257, kLong, 1, height);
        entry(258, kShort, 3, bitsAt); // 8, 8, 8
        entry(259, kShort, 1, 1);      // no compression
        entry(262, kShort, 1, 2);      // RGB
        entry(273, kLong, 1, dataAt);
        entry(277, kShort, 1, 3);
        entry(278, kLong, 1, height);
        entry(279, kLong, 1, 3);
        entry(284, kShort, 1, 1);
        putLe32(out, 0);
        for (int i = 0; i < 3; ++i) {
            putLe16(out, 8);
        }
        out.insert(out.end(), {'\x7f', '\x7f', '\x7f'});
        break;
    }
    case PictureFormat::Png: {
        out = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
        Bytes header;
        putBe32(header, width);
        putBe32(header, height);
        header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA
        pngChunk(out, "IHDR", header);
        pngChunk(out, "IDAT", {0x78, '\x9c', 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
        pngChunk(out, "IEND", {});
        break;
    }
    }
    return out;
}

} // namespace cartonic::test
