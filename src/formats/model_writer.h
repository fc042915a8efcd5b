#pragma once

// The box as a 3D model for web pages and AR viewers: a binary glTF 2.0 file (.glb), written with
// tinygltf. Six quads, one material a face, each built as the view draws it: its corners, normal
// and texture coordinates from the record, its picture as the base colour texture, opaque and
// laid as the view lays it (flips and quarter turns), and its colours as the material's factors.
// glTF is Y-up in metres: the unit box stands on y = 0, centred on the y axis, its longest side 1
// unit; the app's front face (y = -1) looks along +z, where viewers put their camera. Needs no GL
// context.

#include "base/status.h"
#include "image/slot_pictures.h"
#include "model/project_data.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cartonic {

// Longest side, in pixels, of a face picture the model carries; larger ones are reduced.
inline constexpr int kModelPictureSide = 2048;

// Whether a file name asks for a 3D model: it ends in .glb, in any case.
bool isModelPath(const std::string& path);

// A face's picture as the model embeds it.
struct ModelPicture {
    std::string mimeType; // "image/jpeg" or "image/png"
    std::vector<std::uint8_t> bytes;
};

// The picture of a face for the model, from path: its file's own bytes when it is a JPEG or PNG
// file every viewer shows as the application does (upright, at most kModelPictureSide pixels a
// side, no colour information a viewer must ignore, no alpha, which the view ignores); otherwise
// decoded, reduced where it is larger and encoded again without alpha, as JPEG when it was one
// and PNG else. When the file cannot be read,
// the kept copy serves and *note says so. Fails, with the reason, when there is no picture to
// give: the loader's kind when the file could not be loaded and nothing was kept. inside, when
// not empty, is the file as the project keeps it, taken in place of the one at path.
Status modelPicture(const FaceSlot& slot, const SlotImage& kept, const std::string& path,
                    ModelPicture& out, std::string* note, const QByteArray& inside = {});

// The base colour factor of a face's material: the light the view's default light gives the face
// where it faces the light (light ambient x ambient colour + light diffuse x diffuse colour, each
// channel) over what it gives a face of the default colours, at most 1, taken from the display's
// (sRGB) share to the linear one glTF wants; alpha 1. A default face gets 1, under which a
// viewer's neutral lighting shows its picture at the file's colours; a darker face, less.
std::array<double, 4> baseColorFactor(const FaceSlot& slot);

// The roughness of a face's material, from its specular colour: 1 - 0.15 x the colour's luminance
// (Rec. 709 weights), in [0.85, 1]. A black specular, no highlight in the view, gives a matte
// surface; a white one, the view's tight highlight, a faint sheen (0.865 for the default grey
// 0.9), never so smooth that a viewer's surroundings mirror in it and grey a dark picture.
double roughnessFactor(const FaceSlot& slot);

// The record's box as a GLB in out. A face with a picture in pictures.kept and its texture
// switched on is textured from pictures.paths (modelPicture); the others are plain. notes gets a
// line for each picture not taken from its file. Fails, with the reason, when the box has no
// size (Usage), a face's corners hold a number that is not finite (BadFormat) or a picture
// cannot be given (modelPicture). Any size of box gives finite numbers.
Status buildModel(const ProjectData& data, const SlotPictures& pictures,
                  std::vector<std::uint8_t>& out, std::vector<std::string>* notes);

// buildModel, written to path atomically as pictures are (export/picture_writer.h): a failure
// leaves no partial file and any earlier file untouched; a symbolic link is followed and the
// file it leads to replaced. Fails as buildModel does, or WriteFailed when the file cannot be
// made.
Status writeModel(const std::string& path, const ProjectData& data, const SlotPictures& pictures,
                  std::vector<std::string>* notes);

} // namespace cartonic
