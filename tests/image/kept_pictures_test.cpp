// Kept pictures are named by the hash of their bytes, and the name is held to: a file of the name
// that holds anything else is written anew when the picture is kept again, and refused when it is
// loaded.

#include "image/image_loader.h"
#include "image/kept_pictures.h"

#include "support/temp_dir.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace cartonic {
namespace {

using test::TempDir;

QImage filledPicture(QRgb colour) {
    QImage picture(5, 3, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void overwrite(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(KeptPictures, AFileOfTheNameHoldingAnythingElseIsWrittenAnew) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path());
    const QString path = keepPicture(filledPicture(qRgb(200, 10, 10)), folder).value;
    ASSERT_FALSE(path.isEmpty());
    const QByteArray kept = bytesOf(path);
    QByteArray flipped = kept;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x40);
    for (const QByteArray& damage : {flipped, kept.left(kept.size() / 2)}) {
        overwrite(path, damage);
        EXPECT_EQ(keepPicture(filledPicture(qRgb(200, 10, 10)), folder).value, path);
        EXPECT_EQ(bytesOf(path), kept);
    }
}

TEST(KeptPictures, ALoadedOneMustHoldWhatItsNameSays) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path());
    const QString kept = keepPicture(filledPicture(qRgb(200, 10, 10)), folder).value;
    const QString other = keepPicture(filledPicture(qRgb(10, 200, 10)), folder).value;
    ASSERT_FALSE(kept.isEmpty());
    const QByteArray keptBytes = bytesOf(kept);
    const QByteArray otherBytes = bytesOf(other);
    QByteArray damaged = keptBytes;
    damaged[damaged.size() - 5] = static_cast<char>(damaged[damaged.size() - 5] ^ 0x01);
    // The hash in upper case names no kept picture: such a file is any picture.
    const QString unlike =
        folder + '/' + QFileInfo(kept).fileName().toUpper().replace("PNG", "png");
    struct Case {
        QString path;
        QByteArray bytes;
        bool refused;
    };
    const Case cases[] = {
        {kept, keptBytes, false},
        {kept, otherBytes, true},
        {kept, damaged, true},
        {unlike, otherBytes, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString() + (c.refused ? " refused" : ""));
        overwrite(c.path, c.bytes);
        FaceSlot slot{};
        SlotImage image;
        const std::string path = c.path.toStdString();
        for (const Status& loaded :
             {loadImage(slot, image, path), loadImageBytes(slot, image, c.bytes, path)}) {
            EXPECT_EQ(loaded.ok(), !c.refused) << loaded.message();
            EXPECT_EQ(loaded.message(), c.refused ? kKeptPictureDamaged : "");
        }
    }
}

} // namespace
} // namespace cartonic
