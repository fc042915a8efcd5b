#pragma once

// Pictures that have no file of their own (a pasted picture, the faces cut from a dieline, a
// book's page edges) are kept as PNG files in the user's data folder, each named by the hash of
// its bytes: keeping the same picture again finds the same file, and a project stores its path as
// it stores any picture's. The name vouches for the content: a file named so whose bytes hash to
// another name was damaged or replaced, and is not drawn.

#include "base/status.h"

#include <QImage>
#include <QString>

#include <string>
#include <string_view>

namespace cartonic {

// The name both programs run under: it names the data folder they share.
inline constexpr char kApplicationName[] = "Cartonic";

// Why a kept picture whose content is not what its name says is refused.
inline constexpr char kKeptPictureDamaged[] =
    "the kept picture is damaged or was replaced: its content does not match its name";

// The folder kept pictures go in, under the running program's data folder.
QString keptPicturesFolder();

// The file in folder that holds picture, written now (whole or not at all) unless it already
// holds exactly the picture's bytes; WriteFailed with the reason when it cannot be written.
// Pixels deeper than four bytes are kept at four.
Result<QString> keepPicture(const QImage& picture, const QString& folder);

// The hash a path's file name gives when it is named as a kept picture (64 lowercase hex digits,
// the SHA-256 of its bytes, then ".png"); empty for any other path. Pure.
std::string_view keptPictureHash(std::string_view path);

} // namespace cartonic
