#pragma once

// Pictures that have no file of their own (a pasted picture, the faces cut from a dieline, a
// book's page edges) are kept as PNG files in the user's data folder, each named by the hash of
// its bytes: keeping the same picture again finds the same file, and a project stores its path as
// it stores any picture's.

#include <QImage>
#include <QString>

namespace cartonic {

// The name both programs run under: it names the data folder they share.
inline constexpr char kApplicationName[] = "Cartonic";

// The folder kept pictures go in, under the running program's data folder.
QString keptPicturesFolder();

// The file in folder that holds picture, written now (whole or not at all) if no such file exists
// yet; "" with the reason in *why when it cannot be written. Pixels deeper than four bytes are
// kept at four.
QString keepPicture(const QImage& picture, const QString& folder, QString* why = nullptr);

} // namespace cartonic
