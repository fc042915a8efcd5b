// Any bytes, as a vector document of one kind (CARTONIC_FUZZ_VECTOR: svg or pdf), drawn in this
// process as the drawing program draws a face's, at a small size. A refusal gives a
// one-line reason; a success gives a picture of the size asked of the document's full size,
// whose longer side is the vector maximum.

#include "fuzz_support.h"
#include "image/vector_pictures.h"

#include <QGuiApplication>

#include <algorithm>
#include <bit>
#include <string_view>

using namespace cartonic;

namespace {

constexpr std::string_view kVector = CARTONIC_FUZZ_VECTOR;
constexpr VectorKind kKind = kVector == "pdf" ? VectorKind::Pdf : VectorKind::Svg;
// Small pictures keep the runs quick; the libraries parse the whole document all the same.
constexpr TextureSize kMost{48, 48};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quietMessages();
    // The fonts of an SVG's text need a GUI application; it never looks for a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The first byte picks the page, as a "#page=N" fragment would.
    const int page = size > 0 ? data[0] % 4 : 1;
    QImage picture;
    QSize full;
    TextureSize asked{0, 0};
    const Status drawn = drawVectorDocument(
        bytes, kKind, page,
        [&](int width, int height) {
            asked = sizeWithin(width, height, kMost);
            return asked;
        },
        picture, full);
    fuzz::noteFeature(drawn ? "drawn " + std::to_string(std::bit_width(unsigned(full.width()))) +
                                  "x" + std::to_string(std::bit_width(unsigned(full.height())))
                            : "refused " + drawn.message());
    if (!drawn) {
        FUZZ_REQUIRE(!drawn.message().empty());
        FUZZ_REQUIRE(drawn.message().find('\n') == std::string::npos);
        return 0;
    }
    FUZZ_REQUIRE(std::max(full.width(), full.height()) == kMaxVectorSide);
    FUZZ_REQUIRE(full.width() >= 1 && full.height() >= 1);
    FUZZ_REQUIRE(picture.width() == asked.width && picture.height() == asked.height);
    return 0;
}
