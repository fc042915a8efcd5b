#pragma once

// The picture of a book's page edges: fine lines on cream, one a page.

#include "model/project_data.h"

#include <QImage>

namespace cartonic {

// Side, in pixels, of the page-edge picture: as many lines as a thick book has pages at the size
// a face keeps its picture.
inline constexpr int kPageEdgeSide = 256;

// The page edges as face shows them with its default orientation, the book standing on the floor
// facing the viewer: the lines run left to right on the top and the bottom, top to bottom on a
// side. The same pixels every time, so that it is kept once.
QImage pageEdgePicture(Face face);

} // namespace cartonic
