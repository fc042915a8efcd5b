#pragma once

// A raster picture's format, told by its first bytes: the loader's, an SVG's data: links' and the
// 3D model's pictures alike.

#include <QByteArray>

namespace cartonic {

// The raster format a picture's first bytes name ("png", "jpeg", "gif", "bmp", "tiff", "webp"),
// for the formats whose signature is unmistakable; empty for the rest. Pure.
QByteArray pictureFormatOf(const QByteArray& head);

} // namespace cartonic
