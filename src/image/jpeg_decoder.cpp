#include "image/jpeg_decoder.h"

#include "image/picture_reduction.h"

#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

namespace cartonic {

namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;

struct Decoder {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    std::jmp_buf failed{};
    int fd = -1;
    off_t offset = 0;
    bool endedEarly = false;
    JOCTET buffer[kReadChunkBytes];
};

Decoder& decoderOf(j_common_ptr info) {
    return *static_cast<Decoder*>(info->client_data);
}
Decoder& decoderOf(j_decompress_ptr info) {
    return *static_cast<Decoder*>(info->client_data);
}

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(decoderOf(info).failed, 1);
}
void onMessage(j_common_ptr) {} // warnings are counted (num_warnings), never printed

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr info) {
    Decoder& d = decoderOf(info);
    ssize_t got = 0;
    do {
        got = ::pread(d.fd, d.buffer, sizeof d.buffer, d.offset);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        // The data stops short: end the picture here. Whether anything is missing shows in the
        // warnings: a scan whose data ran out warns, a file lacking only its end marker does not.
        d.endedEarly = true;
        d.buffer[0] = 0xFF;
        d.buffer[1] = JPEG_EOI;
        got = 2;
    } else {
        d.offset += got;
    }
    d.source.next_input_byte = d.buffer;
    d.source.bytes_in_buffer = static_cast<std::size_t>(got);
    return TRUE;
}

void skipInputData(j_decompress_ptr info, long count) {
    Decoder& d = decoderOf(info);
    if (count <= 0) {
        return;
    }
    const auto skip = static_cast<std::size_t>(count);
    if (skip <= d.source.bytes_in_buffer) {
        d.source.next_input_byte += skip;
        d.source.bytes_in_buffer -= skip;
        return;
    }
    d.offset += static_cast<off_t>(skip - d.source.bytes_in_buffer);
    d.source.bytes_in_buffer = 0;
}

// The steps that may end in the decoder's error longjmp. They hold no object with a destructor,
// which the jump would skip; each returns false when the decoder failed.
bool create(Decoder& d) {
    if (setjmp(d.failed)) {
        return false;
    }
    jpeg_create_decompress(&d.info);
    return true;
}

// A decoder reading fd from its start; false when it could not be created (nothing to destroy).
bool start(Decoder& d, int fd) {
    d.fd = fd;
    d.info.err = jpeg_std_error(&d.errors);
    d.errors.error_exit = onError;
    d.errors.output_message = onMessage;
    d.info.client_data = &d;
    if (!create(d)) {
        return false;
    }
    d.source.init_source = initSource;
    d.source.fill_input_buffer = fillInputBuffer;
    d.source.skip_input_data = skipInputData;
    d.source.resync_to_restart = jpeg_resync_to_restart;
    d.source.term_source = termSource;
    d.info.src = &d.source;
    return true;
}

// Entropy-decodes every scan without turning the coefficients into pixels.
bool readCoefficients(Decoder& d) {
    if (setjmp(d.failed)) {
        return false;
    }
    return jpeg_read_header(&d.info, TRUE) == JPEG_HEADER_OK &&
           jpeg_read_coefficients(&d.info) != nullptr;
}

// Without libjpeg-turbo's extended colour spaces every JPEG takes the general reader.
#ifdef JCS_EXTENSIONS

// Transparent huge pages: a 24 MB picture then faults in 12 pages instead of 6000.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// The largest of the decoder's scale divisors that keeps both sides at least target's.
unsigned scaleDivisor(const jpeg_decompress_struct& info, QSize target) {
    constexpr unsigned kDivisors[] = {8, 4, 2};
    if (!target.isValid()) {
        return 1;
    }
    for (const unsigned d : kDivisors) {
        if ((info.image_width + d - 1) / d >= static_cast<unsigned>(target.width()) &&
            (info.image_height + d - 1) / d >= static_cast<unsigned>(target.height())) {
            return d;
        }
    }
    return 1;
}

bool readHeader(Decoder& d, QSize target) {
    if (setjmp(d.failed)) {
        return false;
    }
    if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    const bool grey = d.info.num_components == 1 && d.info.jpeg_color_space == JCS_GRAYSCALE;
    const bool colour = d.info.num_components == 3 && (d.info.jpeg_color_space == JCS_YCbCr ||
                                                       d.info.jpeg_color_space == JCS_RGB);
    if (!grey && !colour) {
        return false; // CMYK and YCCK need the general reader's conversion
    }
    // RGBA rather than RGBX: only then does the decoder promise 255 in the fourth byte.
    d.info.out_color_space = JCS_EXT_RGBA;
    d.info.scale_num = 1;
    d.info.scale_denom = scaleDivisor(d.info, target);
    if (d.info.scale_denom > 1) {
        // The picture is averaged down further after this: the decoder's plainer upsampling of
        // colour saves time and no texel tells the difference.
        d.info.do_fancy_upsampling = FALSE;
    }
    jpeg_calc_output_dimensions(&d.info);
    return d.info.output_components == kRgbaBytes;
}

bool readRows(Decoder& d, JSAMPROW* rows) {
    if (setjmp(d.failed)) {
        return false;
    }
    if (!jpeg_start_decompress(&d.info)) {
        return false;
    }
    while (d.info.output_scanline < d.info.output_height) {
        const JDIMENSION at = d.info.output_scanline;
        if (jpeg_read_scanlines(&d.info, rows + at, d.info.output_height - at) == 0) {
            return false;
        }
    }
    return jpeg_finish_decompress(&d.info) == TRUE;
}

struct Mapping {
    void* base;
    std::size_t bytes;
};

void releaseMapping(void* mapping) {
    auto* m = static_cast<Mapping*>(mapping);
    ::munmap(m->base, m->bytes);
    delete m;
}

// An RGBX8888 picture; from a large enough size on, in a mapping of its own that asks for huge
// pages (the request is advice: without them the mapping works as any other).
QImage newPicture(int width, int height) {
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * kRgbaBytes;
    if (bytes < kHugePageBytes) {
        return QImage(width, height, QImage::Format_RGBX8888);
    }
    const std::size_t mapped = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    void* base =
        ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) {
        return QImage();
    }
    ::madvise(base, mapped, MADV_HUGEPAGE);
    auto* mapping = new Mapping{base, mapped};
    QImage picture(static_cast<uchar*>(base), width, height, qsizetype(width) * kRgbaBytes,
                   QImage::Format_RGBX8888, releaseMapping, mapping);
    if (picture.isNull()) {
        releaseMapping(mapping);
    }
    return picture;
}

#endif

} // namespace

#ifdef JCS_EXTENSIONS

QImage decodeJpegRgbx(int fd, bool endMarkerMissing, QSize target) {
    // Not value-initialised: the read buffer needs no zeroing.
    std::unique_ptr<Decoder> d(new Decoder);
    if (!start(*d, fd)) {
        return QImage();
    }
    QImage picture;
    if (readHeader(*d, target)) {
        picture = newPicture(static_cast<int>(d->info.output_width),
                             static_cast<int>(d->info.output_height));
    }
    if (!picture.isNull()) {
        std::vector<JSAMPROW> rows(static_cast<std::size_t>(picture.height()));
        uchar* bits = picture.bits();
        for (std::size_t y = 0; y < rows.size(); ++y) {
            rows[y] = bits + y * static_cast<std::size_t>(picture.bytesPerLine());
        }
        // Anything the decoder only warned about is left to the general reader as well, and so
        // is a file stopping short that was not expected to.
        if (!readRows(*d, rows.data()) || d->errors.num_warnings != 0 ||
            (d->endedEarly && !endMarkerMissing)) {
            picture = QImage();
        }
    }
    jpeg_destroy_decompress(&d->info);
    return picture;
}

#else

QImage decodeJpegRgbx(int, bool, QSize) {
    return QImage();
}

#endif

bool jpegScanDataWhole(int fd) {
    std::unique_ptr<Decoder> d(new Decoder);
    if (!start(*d, fd)) {
        return false;
    }
    const bool whole = readCoefficients(*d) && d->errors.num_warnings == 0;
    jpeg_destroy_decompress(&d->info);
    return whole;
}

} // namespace cartonic
