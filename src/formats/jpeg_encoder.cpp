#include "formats/jpeg_encoder.h"

#include "image/picture_reduction.h"
#include "image/rgba_picture.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace cartonic {

// Without libjpeg-turbo's extended colour spaces the general writer encodes every picture.
#ifdef JCS_EXTENSIONS

namespace {

constexpr std::size_t kWriteChunkBytes = 64 * 1024;
constexpr UINT8 kDensityInDotsPerInch = 1; // JFIF density unit

struct Encoder {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_destination_mgr destination{};
    std::jmp_buf failed{};
    QIODevice* device = nullptr;
    bool writeFailed = false;
    char message[JMSG_LENGTH_MAX] = {};
    JOCTET buffer[kWriteChunkBytes];
};

Encoder& encoderOf(j_common_ptr info) {
    return *static_cast<Encoder*>(info->client_data);
}
Encoder& encoderOf(j_compress_ptr info) {
    return *static_cast<Encoder*>(info->client_data);
}

[[noreturn]] void onError(j_common_ptr info) {
    Encoder& e = encoderOf(info);
    info->err->format_message(info, e.message);
    std::longjmp(e.failed, 1);
}
void onMessage(j_common_ptr) {}

bool flush(Encoder& e, std::size_t bytes) {
    return e.device->write(reinterpret_cast<const char*>(e.buffer), static_cast<qint64>(bytes)) ==
           static_cast<qint64>(bytes);
}

void initDestination(j_compress_ptr info) {
    Encoder& e = encoderOf(info);
    e.destination.next_output_byte = e.buffer;
    e.destination.free_in_buffer = sizeof e.buffer;
}

boolean emptyOutputBuffer(j_compress_ptr info) {
    Encoder& e = encoderOf(info);
    if (!flush(e, sizeof e.buffer)) {
        e.writeFailed = true;
        std::longjmp(e.failed, 1);
    }
    initDestination(info);
    return TRUE;
}

void termDestination(j_compress_ptr info) {
    Encoder& e = encoderOf(info);
    if (!flush(e, sizeof e.buffer - e.destination.free_in_buffer)) {
        e.writeFailed = true;
        std::longjmp(e.failed, 1);
    }
}

// The steps that may end in a longjmp; they hold no object with a destructor, which the jump
// would skip. False when the encoder or the device failed.
bool create(Encoder& e) {
    if (setjmp(e.failed)) {
        return false;
    }
    jpeg_create_compress(&e.info);
    return true;
}

bool encodeRows(Encoder& e, const RgbaPicture& picture, int quality, int dotsPerInchX,
                int dotsPerInchY) {
    if (setjmp(e.failed)) {
        return false;
    }
    e.info.image_width = static_cast<JDIMENSION>(picture.width);
    e.info.image_height = static_cast<JDIMENSION>(picture.height);
    e.info.input_components = kRgbaBytes;
    e.info.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, quality, TRUE);
    e.info.density_unit = kDensityInDotsPerInch;
    e.info.X_density = static_cast<UINT16>(dotsPerInchX);
    e.info.Y_density = static_cast<UINT16>(dotsPerInchY);
    jpeg_start_compress(&e.info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(picture.width) * kRgbaBytes;
    while (e.info.next_scanline < e.info.image_height) {
        // The encoder only reads its rows; the API merely lacks the const.
        JSAMPROW row = const_cast<JSAMPROW>(picture.rgba.data() + e.info.next_scanline * stride);
        jpeg_write_scanlines(&e.info, &row, 1);
    }
    jpeg_finish_compress(&e.info);
    return true;
}

} // namespace

bool hasJpegEncoder() {
    return true;
}

Status encodeJpeg(const RgbaPicture& picture, int quality, int dotsPerInchX, int dotsPerInchY,
                  QIODevice& device) {
    // Not value-initialised: the write buffer needs no zeroing.
    std::unique_ptr<Encoder> e(new Encoder);
    e->device = &device;
    e->info.err = jpeg_std_error(&e->errors);
    e->errors.error_exit = onError;
    e->errors.output_message = onMessage;
    e->info.client_data = e.get();
    if (!create(*e)) {
        return Status::unavailable(e->message);
    }
    e->destination.init_destination = initDestination;
    e->destination.empty_output_buffer = emptyOutputBuffer;
    e->destination.term_destination = termDestination;
    e->info.dest = &e->destination;
    const bool ok = encodeRows(*e, picture, quality, dotsPerInchX, dotsPerInchY);
    jpeg_destroy_compress(&e->info);
    if (ok) {
        return {};
    }
    if (e->writeFailed) {
        return Status::writeFailed(device.errorString().toStdString());
    }
    return Status::badFormat("cannot encode the picture: " + std::string(e->message));
}

#else

bool hasJpegEncoder() {
    return false;
}

Status encodeJpeg(const RgbaPicture&, int, int, int, QIODevice&) {
    return Status::unavailable("this build has no JPEG encoder of its own");
}

#endif

} // namespace cartonic
