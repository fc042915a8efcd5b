#pragma once

// Decoding of image files into a slot's picture: BMP, GIF, JPEG, TIFF, PNG and whatever else the
// Qt image plugins read, and vector documents (SVG, a PDF's page) rasterised at the size asked
// (image/vector_pictures.h) by the drawing program (image/drawing_program.h), whatever the
// file's name: a file's content tells its kind, and its name only when its first bytes tell
// nothing.

#include "base/status.h"
#include "image/picture_format.h"
#include "image/picture_reduction.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <QByteArray>

#include <cstdint>
#include <string>

namespace cartonic {

// Upper bound, in bytes, for the buffers one load may need (the decoded picture and its RGBA
// form); files declaring more are refused before decoding, and larger files before reading.
inline constexpr std::int64_t kMaxImageLoadBytes = std::int64_t{1} << 30;

// Decodes the regular file at path (bytes as given, no text conversion) into image.image as
// RGBX8888 (alpha 255, top row first), reduced to its texture size (textureUploadSize): all the
// view and the previews need of it, so a slot never holds a large picture. slot.imageWidth and
// imageHeight get the file's own size (a vector document's full size, vectorFullSize).
// slot.imagePath is the caller's. On failure leaves slot and
// image exactly as they were and says why: NotFound, Unreadable (not a regular file, a failed
// read), BadFormat (empty, cut short, damaged, not a picture, a kept picture whose content is not
// what its name says: image/kept_pictures.h), TooLarge (over
// kMaxImageLoadBytes), Unavailable (no memory). No GL context needed; user interface thread.
// *whole, when given, gets the file's whole picture as loadPictureWithin gives it.
Status loadImage(FaceSlot& slot, SlotImage& image, const std::string& path,
                 QImage* whole = nullptr);

// Decodes the file at path as loadImage does, but keeps each side at the file's own or most's,
// whichever is smaller (the sides are reduced independently), in picture: for a picture wanted at
// another size than a slot keeps, such as an export's texture. On failure leaves picture as it
// was and says why, as loadImage does. *whole, when given, gets the file's whole picture when that
// is what picture was reduced from (every file but an upright JPEG, which decodes at a reduced
// scale): reducedTo(*whole, another size) is then what loading at that size gives.
Status loadPictureWithin(const std::string& path, TextureSize most, QImage& picture,
                         QImage* whole = nullptr);

// The same for a picture file's bytes held in memory (a picture kept inside a project): decoded
// by the same rules, with the same failures, as the file they came from would be. name is the
// path they were kept from, which tells what it tells of a file: a PDF's page by its fragment, a
// kept picture's hash, the kind of content whose first bytes tell nothing.
Status loadImageBytes(FaceSlot& slot, SlotImage& image, const QByteArray& bytes,
                      const std::string& name);
Status loadPictureBytesWithin(const QByteArray& bytes, TextureSize most, QImage& picture,
                              const std::string& name);

// picture (packed RGBX8888) brought down to size (no side larger than picture's) by area
// averaging; itself when it is that size; a null picture when memory runs out.
QImage reducedTo(const QImage& picture, TextureSize size);

} // namespace cartonic
