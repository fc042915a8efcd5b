#pragma once

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

// Encodes the picture and writes it to path (its bytes as given) atomically, as a project save
// does (model/replacement_file.h): a failure, or the process dying, leaves no partial file and
// any earlier file untouched. A symbolic link is followed and the file it leads to replaced.
// quality applies to JPEG. Returns false with the reason in *why.
bool writePicture(const std::string& path, const RgbaPicture& picture, PictureFormat format,
                  int quality = kExportJpegQuality, std::string* why = nullptr);

// Encodes the picture and writes it to fd, an open descriptor such as standard output. The
// whole picture is encoded before the first byte is written, so one that cannot be encoded
// writes nothing; a write that fails part-way leaves what went before (a pipe cannot take it
// back). Returns false with the reason in *why.
bool writePictureToDescriptor(int fd, const RgbaPicture& picture, PictureFormat format,
                              int quality = kExportJpegQuality, std::string* why = nullptr);

// Encodes the picture into out, replacing what it held, as writePicture would write it. Returns
// false with the reason in *why.
bool encodePictureBytes(const RgbaPicture& picture, PictureFormat format, int quality,
                        std::vector<std::uint8_t>& out, std::string* why = nullptr);

} // namespace cartonic
