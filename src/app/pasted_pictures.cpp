#include "app/pasted_pictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>

namespace cartonic {

QString pastedPicturesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/pasted";
}

QString storePastedPicture(const QImage& image, QString* why) {
    const auto fail = [why](const QString& reason) {
        if (why) {
            *why = reason;
        }
        return QString();
    };
    if (image.isNull()) {
        return fail("there is no picture");
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        return fail(writer.errorString());
    }
    const QString folder = pastedPicturesFolder();
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
