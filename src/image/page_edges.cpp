#include "image/page_edges.h"

#include <QColor>

#include <cstdint>

namespace cartonic {

namespace {

constexpr QRgb kCream = qRgb(244, 236, 214);
// How much darker than the cream the gap between two pages is, at most.
constexpr int kGapShade = 34;

} // namespace

QImage pageEdgePicture(Face face) {
    const bool linesAcross = face == Top || face == Bottom;
    QImage picture(kPageEdgeSide, kPageEdgeSide, QImage::Format_RGB32);
    // Pages are not all alike: a fixed sequence of small differences, so the edges look cut
    // from paper and the picture is the same on every run.
    std::uint32_t state = 0x2545F491u;
    for (int line = 0; line < kPageEdgeSide; ++line) {
        state = state * 1664525u + 1013904223u;
        const int shade = line % 2 == 0 ? 0 : kGapShade / 2 + static_cast<int>(state >> 28);
        const QRgb colour =
            qRgb(qRed(kCream) - shade, qGreen(kCream) - shade, qBlue(kCream) - shade - shade / 3);
        for (int along = 0; along < kPageEdgeSide; ++along) {
            if (linesAcross) {
                picture.setPixel(along, line, colour);
            } else {
                picture.setPixel(line, along, colour);
            }
        }
    }
    return picture;
}

} // namespace cartonic
