#include "export/picture_writer.h"

#include "export/jpeg_encoder.h"
#include "export/render_to_buffer.h"
#include "model/save_target.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

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

std::string lowerExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

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

bool writePicture(const std::string& path, const RgbaPicture& picture, PictureFormat format,
                  int quality, std::string* why) {
    const auto fail = [why](const QString& reason) {
        if (why) {
            *why = reason.toStdString();
        }
        return false;
    };
    if (picture.width < 1 || picture.height < 1 ||
        picture.rgba.size() != static_cast<std::size_t>(picture.width) * picture.height * 4) {
        return fail("nothing to write");
    }
    // Wraps the pixels without copying; the alpha channel carries nothing for either format.
    const QImage image(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                       QImage::Format_RGBX8888);

    // Resolved here rather than by QSaveFile, which would create the missing file a dangling
    // link names and rename over a FIFO or a device.
    const std::optional<std::string> target = resolveSaveTarget(path, why);
    if (!target) {
        return false;
    }
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(*target)));
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(file.errorString());
    }
    if (format == PictureFormat::Jpeg && hasJpegEncoder()) {
        // Straight from the rows, with the settings the general writer would use: the same file.
        std::string reason;
        const int clamped = quality < 0 ? kWriterDefaultQuality : std::min(quality, kMaxQuality);
        if (!encodeJpeg(picture, clamped, dotsPerInch(image.dotsPerMeterX()),
                        dotsPerInch(image.dotsPerMeterY()), file, &reason)) {
            file.cancelWriting();
            return fail(QString::fromStdString(reason));
        }
    } else {
        QImageWriter writer(&file, format == PictureFormat::Jpeg ? "jpeg" : "png");
        if (format == PictureFormat::Jpeg) {
            writer.setQuality(quality);
        }
        if (!writer.write(image)) {
            file.cancelWriting();
            return fail("cannot encode the picture: " + writer.errorString());
        }
    }
    if (!file.commit()) {
        return fail(file.errorString());
    }
    return true;
}

} // namespace cartonic
