#pragma once

#include "base/status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cartonic {

struct RgbaPicture;

enum class PictureFormat { Jpeg, Png };

// JPEG quality of exported pictures, 0..100.
inline constexpr int kExportJpegQuality = 92;

// The format a file name asks for by its extension (.jpg, .jpeg, .png, any case); none otherwise.
std::optional<PictureFormat> formatForPath(const std::string& path);

// The extension of path's file name in lower case, without its dot; "" when it has none (also
// for a name that is all extension, ".png"). Every writer decides its format by it.
std::string lowerExtension(const std::string& path);

// Encodes the picture and writes it to path (its bytes as given) atomically, as a project save
// does (base/replacement_file.h): a failure, or the process dying, leaves no partial file and
// any earlier file untouched. A symbolic link is followed and the file it leads to replaced.
// quality applies to JPEG. Usage for a picture without its pixels, BadFormat when the encoder
// refuses it, and the file's failures as replacement_file.h gives them (WriteFailed mostly).
Status writePicture(const std::string& path, const RgbaPicture& picture, PictureFormat format,
                    int quality = kExportJpegQuality);

// Encodes the picture and writes it to fd, an open descriptor such as standard output. The
// whole picture is encoded before the first byte is written, so one that cannot be encoded
// writes nothing; a write that fails part-way leaves what went before (a pipe cannot take it
// back). Fails as writePicture does.
Status writePictureToDescriptor(int fd, const RgbaPicture& picture, PictureFormat format,
                                int quality = kExportJpegQuality);

// Encodes the picture into out, replacing what it held, as writePicture would write it; fails as
// writePicture does, before any write.
Status encodePictureBytes(const RgbaPicture& picture, PictureFormat format, int quality,
                          std::vector<std::uint8_t>& out);

} // namespace cartonic
