#include "image/image_loader.h"

#include "base/file_descriptor.h"
#include "base/regular_file.h"
#include "image/decoder_messages.h"
#include "image/drawing_program.h"
#include "image/jpeg_decoder.h"
#include "image/kept_pictures.h"
#include "image/picture_completeness.h"
#include "image/picture_reduction.h"
#include "image/vector_pictures.h"

#include <QCryptographicHash>
#include <QIODevice>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace cartonic {

namespace {

constexpr std::int64_t kBytesPerMegabyte = std::int64_t{1} << 20;
// Qt's own guard against huge decodes, in megabytes. It counts at least four bytes a pixel
// whatever the format, so below the budget it would refuse pictures the budget allows (a large
// greyscale one); at the budget it only ever agrees with the rule here (withinBudget).
constexpr int kReaderAllocationLimitMb = static_cast<int>(kMaxImageLoadBytes / kBytesPerMegabyte);
// How much of a file's start is read to tell its kind: as far as a vector document's markup is
// looked for.
constexpr qsizetype kPictureHeadBytes = 4096;
// Nothing is read of a file larger than the load may hold, nor of an empty one.
constexpr FileBound kPictureFileBound{kMaxImageLoadBytes, EmptyFile::Refused};
// How much of a kept picture is read at a time to hash it.
constexpr qsizetype kHashChunkBytes = qsizetype{1} << 20;
// The reader's names for vector documents (PDF where Qt's PDF plugin is installed), which only
// the drawing program may draw.
const QList<QByteArray> kDocumentFormats = {"svg", "svgz", "pdf"};

// Qt's reason, or a plain one where Qt has none to give; with the first thing the decoder said,
// which is often the more telling. Unreadable when reading the file failed, BadFormat otherwise.
Status readerError(const QImageReader& reader, const DecoderMessages& said) {
    const std::string reason = reader.error() == QImageReader::UnknownError
                                   ? "the file is damaged or not a picture"
                                   : reader.errorString().toStdString();
    const std::string first = said.first();
    std::string message = first.empty() ? reason : reason + " (" + first + ")";
    return {reader.error() == QImageReader::DeviceError ? Status::Kind::Unreadable
                                                        : Status::Kind::BadFormat,
            std::move(message)};
}

// A size for messages, rounded up so that a size over a limit never reads as the limit.
std::string megabytes(std::int64_t bytes) {
    return std::to_string((bytes + kBytesPerMegabyte - 1) / kBytesPerMegabyte) + " MB";
}

// Bytes the decoded picture of the given format takes.
std::int64_t decodedBytes(std::int64_t pixels, QImage::Format format) {
    const int depth = format == QImage::Format_Invalid
                          ? kRgbaBytes * 8
                          : QImage::toPixelFormat(format).bitsPerPixel();
    return pixels * std::max(depth, 8) / 8;
}

// The one rule on size: the decoded picture and its RGBA form fit the load budget together.
// Otherwise TooLarge.
Status withinBudget(QSize size, QImage::Format format) {
    const std::int64_t pixels = std::int64_t{size.width()} * size.height();
    // The pixel count is bounded first: a header may declare up to 2^62 pixels, and the byte
    // counts of so many would overflow.
    if (pixels <= kMaxImageLoadBytes / kRgbaBytes &&
        pixels * kRgbaBytes + decodedBytes(pixels, format) <= kMaxImageLoadBytes) {
        return {};
    }
    return Status::tooLarge("the image is too large: " + std::to_string(size.width()) + " x " +
                            std::to_string(size.height()) + " pixels, more than " +
                            megabytes(kMaxImageLoadBytes) + " to load");
}

// The picture as RGBA bytes with A = 255 and the source's colour bytes; in place where Qt can
// (a 32-bit source), so a load holds one buffer.
void toOpaqueRgba(QImage& picture) {
    if (picture.hasAlphaChannel()) {
        // Straight (not premultiplied) colours first, as the file holds them; the alpha bytes are
        // then overwritten, which RGBX8888 merely relabels.
        picture.convertTo(QImage::Format_RGBA8888);
        const int height = picture.height();
        const int width = picture.width();
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = picture.scanLine(y);
            for (int x = 0; x < width; ++x) {
                row[x * kRgbaBytes + 3] = 0xff;
            }
        }
        picture.reinterpretAsFormat(QImage::Format_RGBX8888);
        return;
    }
    picture.convertTo(QImage::Format_RGBX8888);
}

// The file's bytes up to where its picture ends, for the reader: some decoders read on to the end
// of the file (the GIF reader does, past its first picture), which is no work of theirs when the
// rest is a hole of many gigabytes. Owns fd; reads with pread.
class PictureBytes : public QIODevice {
public:
    PictureBytes(int fd, qint64 end) : fd_(fd), end_(end) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~PictureBytes() override { close(); }
    PictureBytes(const PictureBytes&) = delete;
    PictureBytes& operator=(const PictureBytes&) = delete;

    bool isSequential() const override { return false; }
    qint64 size() const override { return end_; }
    bool seek(qint64 to) override {
        if (to < 0 || to > end_ || !QIODevice::seek(to)) {
            return false;
        }
        at_ = to;
        return true;
    }

protected:
    qint64 readData(char* data, qint64 most) override {
        const qint64 n = std::min(most, end_ - at_);
        if (n <= 0) {
            return 0;
        }
        ssize_t got;
        do {
            got = ::pread(fd_.get(), data, static_cast<std::size_t>(n), at_);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            setErrorString(QString::fromLocal8Bit(std::strerror(errno)));
            return -1;
        }
        at_ += got;
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    FileDescriptor fd_;
    qint64 end_;
    qint64 at_ = 0;
};

// A regular file the load may hold, opened, with where its picture data ends and whether a
// JPEG's end marker is missing.
struct OpenedPicture {
    FileDescriptor fd;
    std::int64_t end = 0;
    bool endMarkerMissing = false;
};

// Up to bytes bytes from offset at of fd into to; how many were read, or -1.
ssize_t readAt(int fd, char* to, std::size_t bytes, std::int64_t at) {
    ssize_t got;
    do {
        got = ::pread(fd, to, bytes, at);
    } while (got < 0 && errno == EINTR);
    return got;
}

// The file's first bytes, as many as tell its kind.
QByteArray headOf(int fd) {
    QByteArray head(kPictureHeadBytes, '\0');
    const ssize_t got = readAt(fd, head.data(), static_cast<std::size_t>(head.size()), 0);
    head.resize(std::max<qsizetype>(got, 0));
    return head;
}

// A file named as a kept picture must hold what its name is the hash of. fd is the file's, of
// size bytes.
Status keptPictureIntact(std::string_view hash, int fd, std::int64_t size) {
    QCryptographicHash sum(QCryptographicHash::Sha256);
    QByteArray chunk(kHashChunkBytes, '\0');
    for (std::int64_t at = 0; at < size;) {
        const ssize_t got = readAt(fd, chunk.data(), static_cast<std::size_t>(chunk.size()), at);
        if (got < 0) {
            return Status::unreadable(std::string("read failed: ") + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        sum.addData(QByteArrayView(chunk.constData(), got));
        at += got;
    }
    return sum.result().toHex() == QByteArrayView(hash.data(), static_cast<qsizetype>(hash.size()))
               ? Status()
               : Status::badFormat(kKeptPictureDamaged);
}

Status keptPictureIntact(std::string_view hash, const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() ==
                   QByteArrayView(hash.data(), static_cast<qsizetype>(hash.size()))
               ? Status()
               : Status::badFormat(kKeptPictureDamaged);
}

// The vector document a picture named path whose bytes start with head is drawn as; nullopt for
// one the raster decoders read. The content decides, whatever the name says; the name only when
// the content is of no kind told by its first bytes.
std::optional<VectorSource> drawnAsVector(const std::string& path,
                                          const std::optional<VectorSource>& named,
                                          const QByteArray& head) {
    const std::optional<VectorKind> kind = vectorKindOf(head);
    if (!kind) {
        return pictureFormatOf(head).isEmpty() ? named : std::nullopt;
    }
    if (named && named->kind == *kind) {
        return named;
    }
    // A page fragment means nothing to a document of another kind than the name's.
    return VectorSource{named ? named->file : path, *kind, 1, std::nullopt};
}

// The picture through the reader, as opaque RGBA. fd is the file's, for the JPEG scan check.
Status readWithReader(QImageReader& reader, const QSize& declared, int fd, bool endMarkerMissing,
                      const DecoderMessages& said, QImage& picture) {
    // The reader would fill a scan cut short with grey: a JPEG without its end marker is read
    // only once the decoder has found every scan whole.
    if (endMarkerMissing && !jpegScanDataWhole(fd)) {
        return Status::badFormat(kPictureCutShort);
    }
    // Some decoders leave pixels unwritten (a run-length BMP skips some on purpose); they decode
    // into this zeroed picture, so those pixels are colour 0 and not what the allocator left. Up
    // to 32 bits a pixel only: a decoder that allocates its own picture instead then still keeps
    // the load within its budget.
    const QImage::Format format = reader.imageFormat();
    if (declared.isValid() && format != QImage::Format_Invalid &&
        QImage::toPixelFormat(format).bitsPerPixel() <= kRgbaBytes * 8) {
        picture = QImage(declared, format);
        picture.fill(0);
    }
    if (!reader.read(&picture) || picture.isNull()) {
        return readerError(reader, said);
    }
    if (picture.width() <= 0 || picture.height() <= 0) {
        return Status::badFormat("the image has no pixels");
    }
    // Where the header gave no size, the decoded picture answers to the same rule before its
    // RGBA form is made.
    if (Status fits = withinBudget(picture.size(), picture.format()); !fits) {
        return fits;
    }
    toOpaqueRgba(picture);
    return {};
}

// Bytes held in memory as a file without a name, and the path that opens it, so that they are
// decoded by the very rules, and fail with the very reasons, a file on disk does. The file lives
// as long as held.
Result<std::string> heldAsFile(const QByteArray& bytes, FileDescriptor& held) {
    if (bytes.size() > kMaxImageLoadBytes) {
        return Status::tooLarge("the file is too large: " + megabytes(bytes.size()) + " (at most " +
                                megabytes(kMaxImageLoadBytes) + ")");
    }
    held.reset(::memfd_create("cartonic-picture", MFD_CLOEXEC));
    if (!held.valid()) {
        return Status::unavailable(std::string("cannot hold the picture: ") + std::strerror(errno));
    }
    if (Status written =
            writeAll(held.get(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
        !written) {
        return Status::unavailable("cannot hold the picture: " + written.message());
    }
    return "/proc/self/fd/" + std::to_string(held.get());
}

// The raster picture file holds (fd is its descriptor), in the format its first bytes name or,
// without one, the format the reader finds; the rest as decodePicture.
Status decodeRaster(PictureBytes& file, int fd, const QByteArray& format, bool endMarkerMissing,
                    const std::function<TextureSize(int, int)>& sizeFor, QImage& result,
                    QSize& full, QImage* whole) {
    QImageReader::setAllocationLimit(kReaderAllocationLimitMb);
    const DecoderMessages said;
    // The format comes from the content alone: the name may lie and need not be text.
    QImageReader reader(&file, format);
    // Asked to find out itself, the reader loads every plugin even when told the format.
    reader.setAutoDetectImageFormat(format.isEmpty());
    // Qt's document readers would draw here, unbounded and following an SVG's links: every
    // vector document goes to the drawing program, and what only this reader takes for one is
    // refused.
    if (format.isEmpty() && kDocumentFormats.contains(reader.format())) {
        return Status::badFormat("the file is damaged or not a picture (it reads as a vector "
                                 "document that does not start as one)");
    }
    // Pictures appear upright as in an image viewer, whatever orientation tag the file carries.
    reader.setAutoTransform(true);

    const QSize declared = reader.size();
    if (declared.isValid()) {
        if (declared.isEmpty()) {
            return Status::badFormat("the image has no pixels");
        }
        if (Status fits = withinBudget(declared, reader.imageFormat()); !fits) {
            return fits;
        }
    } else if (!reader.canRead()) {
        return readerError(reader, said);
    }

    // Upright JPEG files, photographs mostly, decode straight into the final format; every other
    // file, and a JPEG that decoder declines, takes the reader.
    QImage picture;
    if (declared.isValid() && reader.format() == "jpeg" &&
        reader.transformation() == QImageIOHandler::TransformationNone) {
        const TextureSize target = sizeFor(declared.width(), declared.height());
        picture = decodeJpegRgbx(fd, endMarkerMissing, QSize(target.width, target.height));
        full = declared;
    }
    // That decoder may have scaled the picture down already; the reader never does.
    const bool decodedWhole = picture.isNull();
    if (decodedWhole) {
        if (Status read = readWithReader(reader, declared, fd, endMarkerMissing, said, picture);
            !read) {
            return read;
        }
        full = picture.size();
    }
    if (picture.isNull() || picture.format() != QImage::Format_RGBX8888) {
        return Status::unavailable("the image could not be converted");
    }
    QImage reduced = reducedTo(picture, sizeFor(full.width(), full.height()));
    if (reduced.isNull()) {
        return Status::unavailable("no memory for the reduced picture");
    }
    if (whole && decodedWhole) {
        whole->swap(picture);
    }
    result.swap(reduced);
    // Unless the caller took it, the full picture goes here.
    return {};
}

// The picture of the file at path, or with bytes, of the file path names as held in memory.
Status decodePicture(const std::string& path, const std::function<TextureSize(int, int)>& sizeFor,
                     QImage& result, QSize& full, QImage* whole = nullptr,
                     const QByteArray* bytes = nullptr) {
    const std::optional<VectorSource> named = vectorSource(path);
    const std::string& file = named ? named->file : path;
    const std::string_view keptHash = keptPictureHash(file);
    // A vector document has no whole picture: every size is drawn afresh, by the drawing
    // program, bounded in time and memory, whatever the name.
    if (bytes) {
        if (!keptHash.empty()) {
            if (Status intact = keptPictureIntact(keptHash, *bytes); !intact) {
                return intact;
            }
        }
        if (const std::optional<VectorSource> source = drawnAsVector(path, named, *bytes)) {
            return loadVectorBytes(*bytes, *source, sizeFor, result, full);
        }
        FileDescriptor held;
        const Result<std::string> heldPath = heldAsFile(*bytes, held);
        return heldPath ? decodePicture(heldPath.value, sizeFor, result, full, whole)
                        : heldPath.status;
    }
    OpenedPicture opened;
    if (Status ready = openRegularFile(file, kPictureFileBound, opened.fd, &opened.end); !ready) {
        return ready;
    }
    const int fd = opened.fd.get();
    if (!keptHash.empty()) {
        if (Status intact = keptPictureIntact(keptHash, fd, opened.end); !intact) {
            return intact;
        }
    }
    const QByteArray head = headOf(fd);
    if (const std::optional<VectorSource> source = drawnAsVector(path, named, head)) {
        return loadVectorFile(fd, *source, sizeFor, result, full);
    }
    if (Status complete =
            pictureDataComplete(fd, opened.end, &opened.endMarkerMissing, &opened.end);
        !complete) {
        return complete;
    }
    PictureBytes picture(opened.fd.release(), opened.end);
    return decodeRaster(picture, fd, pictureFormatOf(head), opened.endMarkerMissing, sizeFor,
                        result, full, whole);
}

} // namespace

QImage reducedTo(const QImage& picture, TextureSize size) {
    if (picture.width() == size.width && picture.height() == size.height) {
        return picture;
    }
    QImage reduced(size.width, size.height, QImage::Format_RGBX8888);
    if (reduced.isNull()) {
        return reduced;
    }
    averageRgbaPicture(picture.constBits(), picture.width(), picture.height(), reduced.bits(),
                       size.width, size.height);
    return reduced;
}

namespace {

Status loadSlotPicture(FaceSlot& slot, SlotImage& image, const std::string& path, QImage* whole,
                       const QByteArray* bytes) {
    QImage picture;
    QSize full;
    if (Status decoded = decodePicture(path, textureUploadSize, picture, full, whole, bytes);
        !decoded) {
        return decoded;
    }
    slot.imageWidth = full.width();
    slot.imageHeight = full.height();
    image.image.swap(picture);
    return {};
}

Status loadWithin(const std::string& path, TextureSize most, QImage& picture, QImage* whole,
                  const QByteArray* bytes) {
    QSize full;
    return decodePicture(
        path, [most](int width, int height) { return sizeWithin(width, height, most); }, picture,
        full, whole, bytes);
}

} // namespace

Status loadImage(FaceSlot& slot, SlotImage& image, const std::string& path, QImage* whole) {
    return loadSlotPicture(slot, image, path, whole, nullptr);
}

Status loadPictureWithin(const std::string& path, TextureSize most, QImage& picture,
                         QImage* whole) {
    return loadWithin(path, most, picture, whole, nullptr);
}

Status loadImageBytes(FaceSlot& slot, SlotImage& image, const QByteArray& bytes,
                      const std::string& name) {
    return loadSlotPicture(slot, image, name, nullptr, &bytes);
}

Status loadPictureBytesWithin(const QByteArray& bytes, TextureSize most, QImage& picture,
                              const std::string& name) {
    return loadWithin(name, most, picture, nullptr, &bytes);
}

} // namespace cartonic
