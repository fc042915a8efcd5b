#include "formats/model_writer.h"

#include "base/file_descriptor.h"
#include "base/replacement_file.h"
#include "formats/picture_writer.h"
#include "model/box_geometry.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace cartonic {

namespace {

// glTF's numbers for what the model uses.
constexpr int kArrayBuffer = TINYGLTF_TARGET_ARRAY_BUFFER;
constexpr int kElementArrayBuffer = TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER;
constexpr int kCornersPerFace = 4;
constexpr int kIndicesPerFace = 6;
constexpr std::size_t kBinaryAlignment = 4;
// The roughness of a white specular colour. The view's highlight is one light's small spot; a
// viewer lights the model with a whole room around it, which a smoother face mirrors across
// itself as a sheen that greys a dark picture. At 0.85 and above, a dark picture seen straight
// on in a neutral room keeps its own colours.
constexpr double kGlossiestRoughness = 0.85;

using Vector = std::array<float, 3>;

// The app's world is Z-up, glTF's Y-up: (x, y, z) becomes (x, z, -y), a quarter turn about x
// that keeps the box's handedness and puts its front face (y = -1) towards +z. Adding 0 turns
// -0 into 0, so that no minimum reads "-0".
Vector yUp(float x, float y, float z) {
    return {x + 0.0f, z + 0.0f, -y + 0.0f};
}

// A coordinate of the record's box in metres: the unit box's longest side spans 2 units, and the
// model's a metre; share is the side's scale over the longest scale.
float metres(float unitBox, double share) {
    constexpr double kMetresPerUnit = 0.5;
    return static_cast<float>(unitBox * share * kMetresPerUnit);
}

// (x, y, z) at unit length; none when it has no direction or a part that is not a number.
std::optional<Vector> unitLength(double x, double y, double z) {
    const double length = std::hypot(x, y, z);
    if (!std::isfinite(length) || length == 0.0) {
        return std::nullopt;
    }
    return Vector{static_cast<float>(x / length), static_cast<float>(y / length),
                  static_cast<float>(z / length)};
}

// Twice the quad's area along each axis (Newell's sum), towards where its corners turn
// counter-clockwise; in double, so that the corners of a very thin box do not round it to 0.
std::array<double, 3> areaNormal(const std::array<Vector, kCornersPerFace>& corners) {
    std::array<double, 3> n{};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vector& a = corners[i];
        const Vector& b = corners[(i + 1) % corners.size()];
        n[0] += (double(a[1]) - b[1]) * (double(a[2]) + b[2]);
        n[1] += (double(a[2]) - b[2]) * (double(a[0]) + b[0]);
        n[2] += (double(a[0]) - b[0]) * (double(a[1]) + b[1]);
    }
    return n;
}

// The normal a face is lit by, at unit length as glTF wants it: the record's, through the box's
// scales as the view's fixed-function lighting takes it (a normal goes through the inverse of a
// scale); where the record's has no direction, the corners' own; for a face of no area, the unit
// box's.
Vector faceNormal(const FaceSlot& slot, const std::array<Vector, kCornersPerFace>& corners,
                  const std::array<double, 3>& shape, int face) {
    if (const std::optional<Vector> stored = unitLength(
            slot.normal[0] / shape[0], slot.normal[1] / shape[1], slot.normal[2] / shape[2])) {
        return yUp((*stored)[0], (*stored)[1], (*stored)[2]);
    }
    const std::array<double, 3> area = areaNormal(corners);
    if (const std::optional<Vector> own = unitLength(area[0], area[1], area[2])) {
        return *own;
    }
    const std::array<float, 3>& n = kUnitBox[static_cast<std::size_t>(face)].normal;
    return yUp(n[0], n[1], n[2]);
}

template <typename Rows>
bool allFinite(const Rows& rows) {
    return std::all_of(rows.begin(), rows.end(), [](const auto& row) {
        return std::all_of(row.begin(), row.end(), [](float v) { return std::isfinite(v); });
    });
}

// Whether every number of the model's JSON is finite: JSON has no other kind, and the writer
// would put null in the place of one.
bool finiteNumbers(const tinygltf::Model& model) {
    const auto finite = [](const std::vector<double>& values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    return std::all_of(model.accessors.begin(), model.accessors.end(),
                       [&](const tinygltf::Accessor& a) {
                           return finite(a.minValues) && finite(a.maxValues);
                       }) &&
           std::all_of(
               model.materials.begin(), model.materials.end(), [&](const tinygltf::Material& m) {
                   const auto& pbr = m.pbrMetallicRoughness;
                   return finite(pbr.baseColorFactor) && std::isfinite(pbr.metallicFactor) &&
                          std::isfinite(pbr.roughnessFactor);
               });
}

double linearFromSrgb(double value) {
    // A record may hold any number; none that is not one counts as 0.
    const double v = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
    constexpr double kLinearPart = 0.04045;
    return v <= kLinearPart ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

template <typename T>
void append(std::vector<unsigned char>& bin, const std::vector<T>& values) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
    bin.insert(bin.end(), bytes, bytes + values.size() * sizeof(T));
}

void alignTo4(std::vector<unsigned char>& bin) {
    bin.resize((bin.size() + kBinaryAlignment - 1) / kBinaryAlignment * kBinaryAlignment, 0);
}

int addView(tinygltf::Model& model, std::size_t offset, std::size_t length, int target,
            std::size_t stride) {
    tinygltf::BufferView view;
    view.byteStride = stride;
    view.buffer = 0;
    view.byteOffset = offset;
    view.byteLength = length;
    view.target = target;
    model.bufferViews.push_back(view);
    return static_cast<int>(model.bufferViews.size()) - 1;
}

int addAccessor(tinygltf::Model& model, int view, std::size_t offset, int componentType, int count,
                int type) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.byteOffset = offset;
    accessor.componentType = componentType;
    accessor.count = static_cast<std::size_t>(count);
    accessor.type = type;
    model.accessors.push_back(accessor);
    return static_cast<int>(model.accessors.size()) - 1;
}

} // namespace

bool isModelPath(const std::string& path) {
    return lowerExtension(path) == "glb";
}

std::array<double, 4> baseColorFactor(const FaceSlot& slot) {
    // The view multiplies a picture's display values by the light a face catches; facing the
    // light, that is the light's ambient times the face's ambient plus the light's diffuse times
    // the face's diffuse. A viewer's neutral room already shows a picture at its own colours
    // under a factor of 1, so a default face gets 1 and any other face its light over the
    // default's, a share of display values, taken to linear as glTF wants. A face lit more than
    // the default cannot go above 1 and shows as a default one.
    static const ProjectData defaults;
    const FaceSlot& usual = defaults.faceSlots[0];
    const auto lit = [](const FaceSlot& face, std::size_t c) {
        return double(defaults.lightAmbient[c]) * face.ambientColor[c] +
               double(defaults.lightDiffuse[c]) * face.diffuseColor[c];
    };
    std::array<double, 4> factor{0.0, 0.0, 0.0, 1.0};
    for (std::size_t c = 0; c < 3; ++c) {
        factor[c] = linearFromSrgb(lit(slot, c) / lit(usual, c));
    }
    return factor;
}

double roughnessFactor(const FaceSlot& slot) {
    // Rec. 709 luminance of the specular colour, the share of light a highlight gives back.
    const Rgba& c = slot.specularColor;
    const double luminance = 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
    return std::isnan(luminance) ? 1.0
                                 : std::clamp(1.0 - luminance * (1.0 - kGlossiestRoughness),
                                              kGlossiestRoughness, 1.0);
}

// The six faces' corners, normals and texture coordinates in metres, four corners each, from the
// record as the view draws them (the texture coordinates turned as the view turns the face's
// picture), their triangles, and each face's bounds.
struct ModelFaces {
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> texcoords;
    std::vector<std::uint16_t> indices;
    std::array<Vector, kFaceCount> lowest{};
    std::array<Vector, kFaceCount> highest{};
};

Status modelFaces(const ProjectData& data, const std::array<double, 3>& shape, ModelFaces& out) {
    for (int k = 0; k < kFaceCount; ++k) {
        const FaceSlot& slot = data.faceSlots[static_cast<std::size_t>(k)];
        const TextureTransform& turn = orientationTransform(slot.orientation);
        std::array<Vector, kCornersPerFace> corners{};
        std::array<std::array<float, 2>, kCornersPerFace> st{};
        for (int c = 0; c < kCornersPerFace; ++c) {
            const FaceVertex& v = slot.vertices[static_cast<std::size_t>(c)];
            corners[c] = yUp(metres(v.x, shape[0]), metres(v.y, shape[1]), metres(v.z, shape[2]));
            st[c] = turn.apply(v.s, v.t);
        }
        const Vector normal = faceNormal(slot, corners, shape, k);
        if (!allFinite(corners) || !allFinite(st)) {
            return Status::badFormat("the " + std::string(kFaceNames[k]) +
                                     " face's corners are not all finite numbers");
        }
        for (int c = 0; c < kCornersPerFace; ++c) {
            out.positions.insert(out.positions.end(), corners[c].begin(), corners[c].end());
            out.normals.insert(out.normals.end(), normal.begin(), normal.end());
            out.texcoords.insert(out.texcoords.end(), st[c].begin(), st[c].end());
        }
        out.lowest[k] = out.highest[k] = corners[0];
        for (const Vector& corner : corners) {
            for (int a = 0; a < 3; ++a) {
                out.lowest[k][a] = std::min(out.lowest[k][a], corner[a]);
                out.highest[k][a] = std::max(out.highest[k][a], corner[a]);
            }
        }
        // glTF's front faces wind counter-clockwise seen from outside, where the normal points;
        // a record may list a face's corners either way round.
        const std::array<double, 3> area = areaNormal(corners);
        const bool counterClockwise =
            area[0] * normal[0] + area[1] * normal[1] + area[2] * normal[2] >= 0.0;
        const std::array<std::uint16_t, kIndicesPerFace> order =
            counterClockwise ? std::array<std::uint16_t, kIndicesPerFace>{0, 1, 2, 0, 2, 3}
                             : std::array<std::uint16_t, kIndicesPerFace>{0, 2, 1, 0, 3, 2};
        out.indices.insert(out.indices.end(), order.begin(), order.end());
    }
    return {};
}

// Embeds a face's picture in the model's buffer and gives the model a texture of it, drawn
// through the one sampler every picture shares; the texture's index.
int addPictureTexture(tinygltf::Model& model, const std::string& name,
                      const ModelPicture& picture) {
    if (model.samplers.empty()) {
        tinygltf::Sampler sampler;
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
        sampler.wrapS = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
        sampler.wrapT = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
        model.samplers.push_back(sampler);
    }
    std::vector<unsigned char>& bin = model.buffers[0].data;
    const std::size_t offset = bin.size();
    append(bin, picture.bytes);
    tinygltf::Image image;
    image.name = name;
    image.mimeType = picture.mimeType;
    image.bufferView = addView(model, offset, bin.size() - offset, 0, 0); // no vertex data
    alignTo4(bin);
    model.images.push_back(std::move(image));
    tinygltf::Texture texture;
    texture.sampler = 0;
    texture.source = static_cast<int>(model.images.size()) - 1;
    model.textures.push_back(texture);
    return static_cast<int>(model.textures.size()) - 1;
}

// The buffer views the faces' corners, normals, texture coordinates and triangles lie in.
struct FaceViews {
    int position;
    int normal;
    int texcoord;
    int index;
};

// Face k as a primitive of mesh: its corners' accessors into views, its material, and its picture
// as a texture when the view would draw one.
Status addFace(tinygltf::Model& model, tinygltf::Mesh& mesh, const FaceViews& views,
               const ModelFaces& faces, const ProjectData& data, int k,
               const SlotPictures& pictures, std::vector<std::string>* notes) {
    const FaceSlot& slot = data.faceSlots[static_cast<std::size_t>(k)];
    const std::size_t corner = static_cast<std::size_t>(k) * kCornersPerFace;
    tinygltf::Primitive primitive;
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    primitive.attributes["POSITION"] =
        addAccessor(model, views.position, corner * sizeof(Vector), TINYGLTF_COMPONENT_TYPE_FLOAT,
                    kCornersPerFace, TINYGLTF_TYPE_VEC3);
    model.accessors.back().minValues.assign(faces.lowest[k].begin(), faces.lowest[k].end());
    model.accessors.back().maxValues.assign(faces.highest[k].begin(), faces.highest[k].end());
    primitive.attributes["NORMAL"] =
        addAccessor(model, views.normal, corner * sizeof(Vector), TINYGLTF_COMPONENT_TYPE_FLOAT,
                    kCornersPerFace, TINYGLTF_TYPE_VEC3);
    primitive.indices = addAccessor(
        model, views.index, static_cast<std::size_t>(k) * kIndicesPerFace * sizeof(std::uint16_t),
        TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, kIndicesPerFace, TINYGLTF_TYPE_SCALAR);

    tinygltf::Material material;
    material.name = std::string(kFaceNames[k]);
    const std::array<double, 4> colour = baseColorFactor(slot);
    material.pbrMetallicRoughness.baseColorFactor.assign(colour.begin(), colour.end());
    material.pbrMetallicRoughness.metallicFactor = 0.0;
    material.pbrMetallicRoughness.roughnessFactor = roughnessFactor(slot);

    // As the view draws it: textured when the slot holds a picture and shows it.
    const bool textured = pictures.kept && !(*pictures.kept)[k].empty() && slot.showTexture != 0;
    if (textured) {
        ModelPicture picture;
        std::string note;
        if (Status given = modelPicture(slot, (*pictures.kept)[k], pictures.paths[k], picture,
                                        &note, pictures.embedded[k]);
            !given) {
            return given.prefixed("the " + std::string(kFaceNames[k]) + " face's picture: ");
        }
        if (notes && !note.empty()) {
            notes->push_back(note);
        }
        material.pbrMetallicRoughness.baseColorTexture.index =
            addPictureTexture(model, material.name, picture);
        primitive.attributes["TEXCOORD_0"] =
            addAccessor(model, views.texcoord, corner * 2 * sizeof(float),
                        TINYGLTF_COMPONENT_TYPE_FLOAT, kCornersPerFace, TINYGLTF_TYPE_VEC2);
    }
    model.materials.push_back(std::move(material));
    primitive.material = static_cast<int>(model.materials.size()) - 1;
    mesh.primitives.push_back(std::move(primitive));
    return {};
}

Status buildModel(const ProjectData& data, const SlotPictures& pictures,
                  std::vector<std::uint8_t>& out, std::vector<std::string>* notes) {
    // The box's scales are half its sides along x, y and z.
    const std::array<float, 3> half = {data.boxWidth, data.boxDepth, data.boxHeight};
    if (!std::all_of(half.begin(), half.end(),
                     [](float h) { return std::isfinite(h) && h > 0.0f; })) {
        return Status::usage("the box has no size");
    }
    // Each scale as a share of the longest, in double: a float reciprocal of a tiny scale
    // overflows, and every corner with it.
    const double longest = std::max({half[0], half[1], half[2]});
    const std::array<double, 3> shape = {half[0] / longest, half[1] / longest, half[2] / longest};

    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Cartonic";
    model.buffers.emplace_back();
    std::vector<unsigned char>& bin = model.buffers[0].data;

    ModelFaces faces;
    if (Status built = modelFaces(data, shape, faces); !built) {
        return built;
    }
    // Each face's corners are an accessor of their own into one view an attribute, which so
    // must give its stride; index and picture views have none.
    const auto place = [&bin](const auto& values, int target, tinygltf::Model& m,
                              std::size_t stride = 0) {
        const std::size_t offset = bin.size();
        append(bin, values);
        const int view = addView(m, offset, bin.size() - offset, target, stride);
        alignTo4(bin);
        return view;
    };
    const int positionView = place(faces.positions, kArrayBuffer, model, sizeof(Vector));
    const int normalView = place(faces.normals, kArrayBuffer, model, sizeof(Vector));
    const int texcoordView = place(faces.texcoords, kArrayBuffer, model, 2 * sizeof(float));
    const int indexView = place(faces.indices, kElementArrayBuffer, model);

    tinygltf::Mesh mesh;
    mesh.name = "Box";
    const FaceViews views = {positionView, normalView, texcoordView, indexView};
    for (int k = 0; k < kFaceCount; ++k) {
        if (Status added = addFace(model, mesh, views, faces, data, k, pictures, notes); !added) {
            return added;
        }
    }
    model.meshes.push_back(std::move(mesh));
    tinygltf::Node node;
    node.name = "Box";
    node.mesh = 0;
    model.nodes.push_back(node);
    tinygltf::Scene scene;
    scene.nodes = {0};
    model.scenes.push_back(scene);
    model.defaultScene = 0;

    if (!finiteNumbers(model)) {
        return Status::badFormat("the model would hold a number that is not finite");
    }
    std::ostringstream stream;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model, stream, false, true)) {
        // Into memory, so only the encoder can have refused.
        return Status::badFormat("cannot write the model");
    }
    const std::string bytes = std::move(stream).str();
    out.assign(bytes.begin(), bytes.end());
    return {};
}

Status writeModel(const std::string& path, const ProjectData& data, const SlotPictures& pictures,
                  std::vector<std::string>* notes) {
    // The whole model first: one that cannot be made leaves no file started.
    std::vector<std::uint8_t> bytes;
    if (Status built = buildModel(data, pictures, bytes, notes); !built) {
        return built;
    }
    ReplacementFile file;
    if (Status opened = file.open(path); !opened) {
        return opened;
    }
    if (Status written = writeAll(file.handle(), bytes.data(), bytes.size()); !written) {
        return written;
    }
    return file.commit();
}

} // namespace cartonic
