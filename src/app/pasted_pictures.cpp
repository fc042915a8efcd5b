#include "app/pasted_pictures.h"

#include "image/image_loader.h"
#include "image/kept_pictures.h"
#include "image/vector_pictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>

namespace cartonic {

namespace {

constexpr const char* kPngMimeType = "image/png";
constexpr std::int64_t kPixelsPerMillion = 1'000'000;
constexpr int kBytesPerMegabyteShift = 20;
constexpr const char* kNoDrawings =
    "a drawing (SVG or PDF) cannot be pasted: save it as a file and load that";

// The format of mime's encoded picture data to decode: PNG where offered (lossless, and what
// most programs copy), else the first the image plugins read; "" when there is none.
QString encodedFormat(const QMimeData& mime) {
    const QStringList offered = mime.formats();
    if (offered.contains(kPngMimeType)) {
        return kPngMimeType;
    }
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& format : offered) {
        if (readable.contains(format.toLatin1()) && !format.startsWith("image/svg")) {
            return format;
        }
    }
    return {};
}

bool withinLimit(QSize size) {
    return std::int64_t{size.width()} * size.height() <= kMaxPastedPixels;
}

Status tooLarge(QSize size) {
    return Status::tooLarge(
        QString("it is %1 x %2 pixels, more than the %3 million pixels a pasted picture may have")
            .arg(size.width())
            .arg(size.height())
            .arg(kMaxPastedPixels / kPixelsPerMillion)
            .toStdString());
}

Status notAPicture(const QString& reason) {
    return Status::badFormat(reason.toStdString());
}

} // namespace

QString pastedPicturesFolder() {
    return keptPicturesFolder();
}

bool holdsPicture(const QMimeData& mime) {
    return mime.hasImage() || !encodedFormat(mime).isEmpty();
}

Result<QImage> pastedPicture(const QMimeData& mime) {
    const auto fail = [](const Status& why) -> Result<QImage> {
        return why;
    };
    const QString format = encodedFormat(mime);
    if (format.isEmpty()) {
        // A picture this process put on the clipboard, held as it is.
        const QImage image = qvariant_cast<QImage>(mime.imageData());
        if (image.isNull()) {
            return fail(notAPicture("there is no picture"));
        }
        return withinLimit(image.size()) ? image : fail(tooLarge(image.size()));
    }
    QByteArray bytes = mime.data(format);
    // A drawing is no picture to paste: its reader would run unbounded here and follow its
    // links to local files. Raster formats are told by their content, as the loader tells them.
    if (vectorKindOf(bytes)) {
        return fail(notAPicture(kNoDrawings));
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray kind = pictureFormatOf(bytes);
    QImageReader reader(&buffer, kind);
    reader.setAutoDetectImageFormat(kind.isEmpty());
    if (const QByteArray chosen = reader.format();
        chosen == "svg" || chosen == "svgz" || chosen == "pdf") {
        return fail(notAPicture(kNoDrawings));
    }
    const QSize declared = reader.size();
    if (declared.isValid() && !withinLimit(declared)) {
        return fail(tooLarge(declared));
    }
    // Qt's own guard against huge decodes is far below the limit by default; at the load budget
    // it lets through every picture within the limit, in any format.
    QImageReader::setAllocationLimit(
        static_cast<int>(kMaxImageLoadBytes >> kBytesPerMegabyteShift));
    QImage image;
    if (!reader.read(&image)) {
        return fail(notAPicture(reader.errorString()));
    }
    return withinLimit(image.size()) ? image : fail(tooLarge(image.size()));
}

Result<QString> storePastedPicture(const QImage& image) {
    return keepPicture(image, pastedPicturesFolder());
}

} // namespace cartonic
