#pragma once

// JPEG photographs decoded straight into the slot's pixel format. The general reader decodes a
// JPEG to 24-bit rows, widens them to 32 bits and then needs a further pass to reorder the bytes
// into RGBA; here the decoder writes R, G, B, 255 into the final buffer in one pass, with the
// decoder's default (accurate) settings, so the pixels are the ones the general reader gives.

#include <QImage>

namespace cartonic {

// Decodes the JPEG in the open regular file fd (read with pread from offset 0; the file offset is
// left alone) into a new RGBX8888 picture. Handles grey and colour (YCbCr or RGB) files; returns a
// null image for any other kind, and when the decoder reports an error, so the caller can take the
// general road, which then decides and words the outcome. The caller has bounded the picture's
// size. Large pictures get a buffer of their own mapping, released with the last copy of the image.
// A file that stops short is declined too, unless endMarkerMissing says the caller expects it
// (pictureDataComplete found every scan present but no end marker): then it decodes when the
// decoder read every scan whole.
// With a target, the decoder's own scaling makes the picture the smallest it can that is still at
// least target on both sides (an eighth, a quarter or a half of the file's size, or all of it),
// which costs a fraction of a full decode and of its memory.
QImage decodeJpegRgbx(int fd, bool endMarkerMissing = false, QSize target = QSize());

// Whether the decoder reads every scan of the JPEG in fd (pread, as above) to its end: no scan's
// data runs out or is damaged. A missing end marker, after the last scan, is not held against it.
// Reads the coefficients only, for any colour space, without making pixels.
bool jpegScanDataWhole(int fd);

} // namespace cartonic
