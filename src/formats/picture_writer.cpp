#include "formats/picture_writer.h"

#include "base/file_descriptor.h"
#include "base/replacement_file.h"
#include "formats/jpeg_encoder.h"
#include "image/rgba_picture.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <cctype>

namespace cartonic {

namespace {

// What the general JPEG writer makes of the quality it is given, and of a picture's density.
constexpr int kWriterDefaultQuality = 75;
constexpr int kMaxQuality = 100;
constexpr double kInchesPerMetre = 0.0254;

int dotsPerInch(int dotsPerMetre) {
    return std::max(1, qRound(dotsPerMetre * kInchesPerMetre));
}

// Writes straight to a file descriptor and keeps the system's reason when a write fails: QFile
// loses it when a write is cut short part-way through (a full disk, a file size limit) and says
// "Unknown error".
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : fd_(fd) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool failed() const { return !written_; }
    const std::string& failure() const { return written_.message(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 n) override {
        written_ = writeAll(fd_, data, static_cast<std::size_t>(n));
        if (!written_) {
            setErrorString(QString::fromStdString(written_.message()));
            return -1;
        }
        return n;
    }

private:
    int fd_;
    Status written_;
};

bool wholePicture(const RgbaPicture& picture) {
    return picture.width >= 1 && picture.height >= 1 &&
           picture.rgba.size() == static_cast<std::size_t>(picture.width) * picture.height * 4;
}

// Encodes the picture onto device.
Status encodePicture(const RgbaPicture& picture, PictureFormat format, int quality,
                     QIODevice& device) {
    // Wraps the pixels without copying; the alpha channel carries nothing unless the picture is
    // transparent, and JPEG has none.
    const bool alpha = picture.transparent && format == PictureFormat::Png;
    const QImage image(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                       alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (format == PictureFormat::Jpeg && hasJpegEncoder()) {
        // Straight from the rows, with the settings the general writer would use: the same file.
        const int clamped = quality < 0 ? kWriterDefaultQuality : std::min(quality, kMaxQuality);
        return encodeJpeg(picture, clamped, dotsPerInch(image.dotsPerMeterX()),
                          dotsPerInch(image.dotsPerMeterY()), device);
    }
    QImageWriter writer(&device, format == PictureFormat::Jpeg ? "jpeg" : "png");
    if (format == PictureFormat::Jpeg) {
        writer.setQuality(quality);
    }
    if (writer.write(image)) {
        return {};
    }
    return {writer.error() == QImageWriter::DeviceError ? Status::Kind::WriteFailed
                                                        : Status::Kind::BadFormat,
            "cannot encode the picture: " + writer.errorString().toStdString()};
}

} // namespace

std::string lowerExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = path.rfind('.');
    // A name that is all extension (".png") is a hidden file's, with none.
    if (dot == std::string::npos || dot <= nameStart) {
        return {};
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::optional<PictureFormat> formatForPath(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "jpg" || ext == "jpeg") {
        return PictureFormat::Jpeg;
    }
    if (ext == "png") {
        return PictureFormat::Png;
    }
    return std::nullopt;
}

Status writePicture(const std::string& path, const RgbaPicture& picture, PictureFormat format,
                    int quality) {
    if (!wholePicture(picture)) {
        return Status::usage("nothing to write");
    }
    // By the path's bytes: Qt would take a file name as text, and one that is not UTF-8 would
    // come back as the name of another file.
    ReplacementFile file;
    if (Status opened = file.open(path); !opened) {
        return opened;
    }
    DescriptorDevice device(file.handle());
    if (Status encoded = encodePicture(picture, format, quality, device); !encoded) {
        // The system's reason for a failed write, which the general writer replaces with its own.
        return device.failed() ? Status::writeFailed(device.failure()) : encoded;
    }
    return file.commit();
}

Status writePictureToDescriptor(int fd, const RgbaPicture& picture, PictureFormat format,
                                int quality) {
    std::vector<std::uint8_t> bytes;
    if (Status made = encodePictureBytes(picture, format, quality, bytes); !made) {
        return made;
    }
    return writeAll(fd, bytes.data(), bytes.size());
}

Status encodePictureBytes(const RgbaPicture& picture, PictureFormat format, int quality,
                          std::vector<std::uint8_t>& out) {
    if (!wholePicture(picture)) {
        return Status::usage("nothing to write");
    }
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (Status made = encodePicture(picture, format, quality, encoded); !made) {
        return made;
    }
    const QByteArray& bytes = encoded.data();
    out.assign(bytes.begin(), bytes.end());
    return {};
}

} // namespace cartonic
