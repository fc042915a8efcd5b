#pragma once

// Pictures pasted as raw image data (what a browser or an image editor copies) have no file, and
// a project stores only paths. Each is written once as a PNG into the user's data folder, named
// by the hash of its bytes, so pasting the same picture again finds the same file.

#include <QImage>
#include <QString>

namespace cartonic {

// The folder pasted pictures are kept in.
QString pastedPicturesFolder();

// The file that holds image, written now if no such file exists yet; "" with the reason in *why
// when it cannot be written. UI thread.
QString storePastedPicture(const QImage& image, QString* why = nullptr);

} // namespace cartonic
