#include "image/kept_pictures.h"

#include "image/picture_reduction.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>

namespace cartonic {

QString keptPicturesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/pasted";
}

QString keepPicture(const QImage& picture, const QString& folder, QString* why) {
    const auto fail = [why](const QString& reason) {
        if (why) {
            *why = reason;
        }
        return QString();
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
    if (QFileInfo(path).size() == bytes.size()) {
        return path;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return fail(file.errorString());
    }
    return path;
}

} // namespace cartonic
