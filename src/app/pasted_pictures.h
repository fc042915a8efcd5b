#pragma once

// Pictures pasted as raw image data (what a browser or an image editor copies) have no file, and
// a project stores only paths. Each is written once as a PNG into the user's data folder, named
// by the hash of its bytes, so pasting the same picture again finds the same file.

#include "image/image_loader.h"
#include "image/picture_reduction.h"

#include <QImage>
#include <QString>

#include <cstdint>

class QMimeData;

namespace cartonic {

// The most pixels a pasted picture may have. It is kept as a PNG of at most four bytes a pixel,
// which is then loaded like any picture file: its decoded picture and that picture's RGBA form
// within kMaxImageLoadBytes.
inline constexpr std::int64_t kMaxPastedPixels = kMaxImageLoadBytes / (2 * kRgbaBytes);

// The folder pasted pictures are kept in.
QString pastedPicturesFolder();

// True when mime holds a picture without a file: encoded picture data another program offers,
// or a picture this process put there.
bool holdsPicture(const QMimeData& mime);

// The picture mime holds, decoded; BadFormat with the reason when there is none or it cannot be
// decoded, TooLarge when it has more than kMaxPastedPixels (said with its size and that limit).
// Encoded data is measured by its header before anything is decoded. UI thread.
Result<QImage> pastedPicture(const QMimeData& mime);

// The file that holds image, written now if no such file exists yet; WriteFailed with the reason
// when it cannot be written. UI thread.
Result<QString> storePastedPicture(const QImage& image);

} // namespace cartonic
