#include "image/picture_format.h"

#include <cstring>
#include <string_view>

namespace cartonic {

QByteArray pictureFormatOf(const QByteArray& head) {
    using namespace std::string_view_literals;
    const auto starts = [&](std::string_view signature, qsizetype at = 0) {
        return head.size() >= at + static_cast<qsizetype>(signature.size()) &&
               std::memcmp(head.constData() + at, signature.data(), signature.size()) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n"sv)) {
        return "png";
    }
    if (starts("\xff\xd8\xff"sv)) {
        return "jpeg";
    }
    if (starts("GIF87a"sv) || starts("GIF89a"sv)) {
        return "gif";
    }
    if (starts("BM"sv)) {
        return "bmp";
    }
    if (starts("II*\0"sv) || starts("MM\0*"sv)) {
        return "tiff";
    }
    if (starts("RIFF"sv) && starts("WEBP"sv, 8)) {
        return "webp";
    }
    return {};
}

} // namespace cartonic
