#pragma once

// JPEG encoding straight from a rendered picture's RGBA rows. The general writer first converts
// the whole picture to its 32-bit format and then every row again to 24 bits; here the encoder
// reads the rows as they are. It writes the same file the general writer writes for the same
// picture and quality (baseline, 4:2:0, the library's standard tables, a JFIF header with the
// picture's density in dots per inch).

#include "base/status.h"

#include <QIODevice>

namespace cartonic {

struct RgbaPicture;

// Encodes picture (RGBA, top row first, alpha ignored) at quality 0..100 with the given density
// in dots per inch and writes the file's bytes to device, which is open for writing. WriteFailed
// with the device's reason when the device fails, BadFormat when the encoder refuses the picture,
// Unavailable when no encoder can be had; device may then hold part of a file. Only when
// hasJpegEncoder().
Status encodeJpeg(const RgbaPicture& picture, int quality, int dotsPerInchX, int dotsPerInchY,
                  QIODevice& device);

// True when this build has the straight encoder; the general writer serves otherwise.
bool hasJpegEncoder();

} // namespace cartonic
