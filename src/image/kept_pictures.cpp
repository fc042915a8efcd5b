#include "image/kept_pictures.h"

#include "image/picture_reduction.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace cartonic {

namespace {

constexpr std::string_view kKeptSuffix = ".png";
constexpr std::size_t kHashDigits = 64;

// Whether the file at path is a regular file holding exactly bytes. Only a regular file of the
// right size is opened, so a pipe or device put in its place is never read.
bool holdsExactly(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() != bytes.size()) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(bytes.size() + 1) == bytes;
}

} // namespace

QString keptPicturesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/pasted";
}

Result<QString> keepPicture(const QImage& picture, const QString& folder) {
    const auto fail = [](const QString& reason) -> Result<QString> {
        return Status::writeFailed(reason.toStdString());
    };
    if (picture.isNull()) {
        return fail("there is no picture");
    }
    const QImage kept =
        picture.depth() <= kRgbaBytes * 8
            ? picture
            : picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                : QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(kept)) {
        return fail(writer.errorString());
    }
    if (!QDir().mkpath(folder)) {
        return fail("cannot make the folder " + QDir::toNativeSeparators(folder));
    }
    const QString name =
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() + ".png";
    QString path = folder + '/' + name;
    // A file of the name that holds anything else was damaged or replaced: it is written anew.
    if (holdsExactly(path, bytes)) {
        return path;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return fail(file.errorString());
    }
    return path;
}

std::string_view keptPictureHash(std::string_view path) {
    const std::string_view name = path.substr(path.rfind('/') + 1);
    if (name.size() != kHashDigits + kKeptSuffix.size() || !name.ends_with(kKeptSuffix)) {
        return {};
    }
    const std::string_view hash = name.substr(0, kHashDigits);
    const bool hex = std::all_of(hash.begin(), hash.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
    return hex ? hash : std::string_view();
}

} // namespace cartonic
