// The 3D model read back with tinygltf: its geometry, materials and pictures, as a viewer gets
// them.

#include "formats/model_writer.h"
#include "image/image_loader.h"
#include "support/kept_models.h"
#include "support/temp_dir.h"

#include <QImage>

#include <tiny_gltf.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

namespace cartonic {
namespace {

// Quadrant colours of an asymmetric picture, as (r, g, b).
constexpr std::array<std::uint8_t, 3> kTopLeft = {255, 0, 0};
constexpr std::array<std::uint8_t, 3> kTopRight = {0, 255, 0};
constexpr std::array<std::uint8_t, 3> kBottomLeft = {0, 0, 255};
constexpr std::array<std::uint8_t, 3> kBottomRight = {255, 255, 0};

QImage quadrants(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto& c = y < height / 2 ? (x < width / 2 ? kTopLeft : kTopRight)
                                           : (x < width / 2 ? kBottomLeft : kBottomRight);
            picture.setPixel(x, y, qRgb(c[0], c[1], c[2]));
        }
    }
    return picture;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { data_.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight); }

    // Puts the picture file at path on the face, as opening a project does.
    void putPicture(int face, const std::string& path) {
        ASSERT_TRUE(loadImage(data_.faceSlots[face], images_[face], path));
        pictures_.paths[face] = path;
    }

    // The model of the record, read back; kept for the validator.
    tinygltf::Model build(std::vector<std::string>* notes = nullptr) {
        std::vector<std::uint8_t> bytes;
        const Status built = buildModel(data_, pictures_, bytes, notes);
        EXPECT_TRUE(built) << built.message();
        test::keepModel(
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                std::to_string(built_++),
            bytes);
        tinygltf::Model model;
        tinygltf::TinyGLTF reader;
        std::string error;
        std::string warning;
        EXPECT_TRUE(reader.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(),
                                                static_cast<unsigned>(bytes.size())))
            << error;
        EXPECT_EQ(warning, "");
        return model;
    }

    int built_ = 0;
    ProjectData data_;
    SlotImages images_;
    SlotPictures pictures_{&images_, {}};
    test::TempDir dir_;
};

template <typename T>
T element(const tinygltf::Model& model, int accessorIndex, int i, int component) {
    const tinygltf::Accessor& accessor = model.accessors[accessorIndex];
    const tinygltf::BufferView& view = model.bufferViews[accessor.bufferView];
    const std::size_t stride = accessor.ByteStride(view);
    T value;
    std::memcpy(&value,
                model.buffers[view.buffer].data.data() + view.byteOffset + accessor.byteOffset +
                    stride * i + sizeof(T) * component,
                sizeof(T));
    return value;
}

using Vec3 = std::array<float, 3>;

Vec3 vec3(const tinygltf::Model& model, int accessor, int i) {
    return {element<float>(model, accessor, i, 0), element<float>(model, accessor, i, 1),
            element<float>(model, accessor, i, 2)};
}

TEST_F(ModelTest, SixQuadsStandingOnTheFloorWithTheLongestSideOneMetre) {
    const tinygltf::Model model = build();
    ASSERT_EQ(model.meshes.size(), 1u);
    const auto& primitives = model.meshes[0].primitives;
    ASSERT_EQ(primitives.size(), std::size_t{kFaceCount});
    std::size_t vertices = 0;
    Vec3 lowest{1e9f, 1e9f, 1e9f};
    Vec3 highest{-1e9f, -1e9f, -1e9f};
    for (const tinygltf::Primitive& p : primitives) {
        const int position = p.attributes.at("POSITION");
        const int normal = p.attributes.at("NORMAL");
        vertices += model.accessors[position].count;
        ASSERT_EQ(model.accessors[p.indices].count, 6u);
        for (int i = 0; i < 4; ++i) {
            for (int a = 0; a < 3; ++a) {
                lowest[a] = std::min(lowest[a], vec3(model, position, i)[a]);
                highest[a] = std::max(highest[a], vec3(model, position, i)[a]);
            }
        }
        // Both triangles wind counter-clockwise seen from outside, where the normal points.
        for (int t = 0; t < 2; ++t) {
            std::array<Vec3, 3> c;
            for (int k = 0; k < 3; ++k) {
                c[k] =
                    vec3(model, position, element<std::uint16_t>(model, p.indices, t * 3 + k, 0));
            }
            const Vec3 u{c[1][0] - c[0][0], c[1][1] - c[0][1], c[1][2] - c[0][2]};
            const Vec3 v{c[2][0] - c[0][0], c[2][1] - c[0][1], c[2][2] - c[0][2]};
            const Vec3 n = vec3(model, normal, 0);
            const float facing = (u[1] * v[2] - u[2] * v[1]) * n[0] +
                                 (u[2] * v[0] - u[0] * v[2]) * n[1] +
                                 (u[0] * v[1] - u[1] * v[0]) * n[2];
            EXPECT_GT(facing, 0.0f) << model.materials[p.material].name << " triangle " << t;
        }
    }
    EXPECT_EQ(vertices, 24u);
    // 5 x 2.5 x 10 units (width, depth, height): 0.5 x 0.25 x 1 m, height along +y.
    EXPECT_EQ(lowest, (Vec3{-0.25f, 0.0f, -0.125f}));
    EXPECT_EQ(highest, (Vec3{0.25f, 1.0f, 0.125f}));
}

TEST_F(ModelTest, MaterialsCarryTheFaceColours) {
    FaceSlot& front = data_.faceSlots[Front];
    front.diffuseColor = {1.0f, 0.5f, 0.0f, 1.0f};
    front.specularColor = {0.5f, 0.5f, 0.5f, 1.0f};
    data_.faceSlots[Back].ambientColor = {0.0f, 0.0f, 0.0f, 1.0f};
    data_.faceSlots[Back].specularColor = {0.0f, 0.0f, 0.0f, 1.0f};
    data_.faceSlots[Top].specularColor = {1.0f, 1.0f, 1.0f, 1.0f};
    const tinygltf::Model model = build();
    ASSERT_EQ(model.materials.size(), std::size_t{kFaceCount});
    EXPECT_EQ(model.materials[Front].name, "Front");
    // A default face shows its picture as it is: factor 1, a sheen too faint to grey a dark
    // picture. Others get the light the view's default light gives them over a default face's
    // (0.5 x ambient + 0.9 x diffuse over 0.83), made linear: the front's red is lit beyond the
    // default and stays 1, its green catches 0.65 / 0.83 (linear 0.576) and its blue only the
    // ambient's 0.2 / 0.83; the back, with no ambient, 0.63 / 0.83.
    struct Case {
        int face;
        std::array<double, 3> base;
        double roughness;
    };
    for (const Case& c : std::vector<Case>{{Left, {1.0, 1.0, 1.0}, 0.865},
                                           {Front, {1.0, 0.5756, 0.0473}, 0.925},
                                           {Back, {0.5367, 0.5367, 0.5367}, 1.0},
                                           {Top, {1.0, 1.0, 1.0}, 0.85}}) {
        const auto& pbr = model.materials[c.face].pbrMetallicRoughness;
        ASSERT_EQ(pbr.baseColorFactor.size(), 4u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(pbr.baseColorFactor[i], c.base[i], 1e-3) << kFaceNames[c.face] << " " << i;
        }
        EXPECT_EQ(pbr.baseColorFactor[3], 1.0);
        EXPECT_EQ(pbr.metallicFactor, 0.0);
        EXPECT_NEAR(pbr.roughnessFactor, c.roughness, 1e-6) << kFaceNames[c.face];
    }
    // No pictures: no textures, and no texture coordinates to go with none.
    EXPECT_TRUE(model.textures.empty());
    EXPECT_TRUE(model.images.empty());
    EXPECT_EQ(model.materials[Front].pbrMetallicRoughness.baseColorTexture.index, -1);
    EXPECT_FALSE(model.meshes[0].primitives[Front].attributes.contains("TEXCOORD_0"));
}

// Boxes of any size the record may hold: finite corners and bounds, the longest side a metre.
TEST_F(ModelTest, AnySizeOfBoxGivesFiniteBoundsAndAMetreAtItsLongest) {
    const float least = std::numeric_limits<float>::denorm_min();
    for (const Vec3& box : std::vector<Vec3>{{1e-40f, 1e-40f, 1e-40f},
                                             {least, least, least},
                                             {kMaxBoxScale, least, kMaxBoxScale},
                                             {std::numeric_limits<float>::max(), 1.0f, 1.0f}}) {
        data_.setDimensions(box[0], box[1], box[2]);
        const tinygltf::Model model = build();
        Vec3 lowest{};
        Vec3 highest{};
        for (const tinygltf::Primitive& p : model.meshes[0].primitives) {
            const tinygltf::Accessor& position = model.accessors[p.attributes.at("POSITION")];
            ASSERT_EQ(position.minValues.size(), 3u);
            ASSERT_EQ(position.maxValues.size(), 3u);
            for (int a = 0; a < 3; ++a) {
                ASSERT_TRUE(std::isfinite(position.minValues[a]) &&
                            std::isfinite(position.maxValues[a]))
                    << box[0] << " x " << box[1] << " x " << box[2];
                lowest[a] = std::min(lowest[a], float(position.minValues[a]));
                highest[a] = std::max(highest[a], float(position.maxValues[a]));
            }
        }
        EXPECT_EQ(
            std::max({highest[0] - lowest[0], highest[1] - lowest[1], highest[2] - lowest[2]}),
            1.0f)
            << box[0] << " x " << box[1] << " x " << box[2];
    }
}

TEST_F(ModelTest, ACornerThatIsNoNumberIsRefusedAndNoFileIsWritten) {
    struct Case {
        Face face;
        int corner;
        float FaceVertex::*field;
        float value;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case& c : std::vector<Case>{{Front, 0, &FaceVertex::x, nan},
                                           {Top, 2, &FaceVertex::z, inf},
                                           {Left, 3, &FaceVertex::s, nan},
                                           {Back, 1, &FaceVertex::t, -inf}}) {
        ProjectData data = data_;
        data.faceSlots[c.face].vertices[c.corner].*c.field = c.value;
        const std::string path = dir_.file("box.glb");
        const Status refused = writeModel(path, data, pictures_, nullptr);
        EXPECT_EQ(refused.kind(), Status::Kind::BadFormat);
        EXPECT_EQ(refused.message(), "the " + std::string(kFaceNames[c.face]) +
                                         " face's corners are not all finite numbers");
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

// The face is built from the record's corners and texture coordinates, as the view draws it, and
// its picture then flipped as the view flips it.
TEST_F(ModelTest, AFaceShowsItsPictureAsTheViewDoes) {
    const std::string path = dir_.file("front.png");
    ASSERT_TRUE(quadrants(64, 32).save(QString::fromStdString(path)));
    putPicture(Front, path);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        Orientation orientation;
        bool storedMirror; // the record's s runs from right to left
        float storedTop;   // the record's z of the face's top corners
        Vec3 storedNormal;
        std::array<std::uint8_t, 3> topLeft; // what the front's top left corner shows
    };
    for (const Case& c : std::vector<Case>{{FlipVertical, false, 2.0f, {0, -1, 0}, kTopRight},
                                           {AsLoaded, true, 1.0f, {0, 0, 0}, kTopRight},
                                           {FlipVertical, true, 2.0f, {nan, 0, 0}, kTopLeft}}) {
        data_.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        FaceSlot& slot = data_.faceSlots[Front];
        slot.orientation = c.orientation;
        for (FaceVertex& v : slot.vertices) {
            v.s = c.storedMirror ? 1.0f - v.s : v.s;
            v.z = v.z > 0.0f ? c.storedTop : v.z;
        }
        slot.normal = c.storedNormal;
        const tinygltf::Model model = build();
        ASSERT_EQ(model.images.size(), 1u);
        ASSERT_EQ(model.textures.size(), 1u);
        const tinygltf::Primitive& front = model.meshes[0].primitives[Front];
        EXPECT_EQ(model.materials[front.material].pbrMetallicRoughness.baseColorTexture.index, 0);
        // The small PNG goes in as its file's own bytes.
        const tinygltf::Image& image = model.images[0];
        EXPECT_EQ(image.mimeType, "image/png");
        const tinygltf::BufferView& view = model.bufferViews[image.bufferView];
        const auto file = test::readBytes(path);
        ASSERT_EQ(view.byteLength, file.size());
        EXPECT_EQ(
            std::memcmp(file.data(), model.buffers[0].data.data() + view.byteOffset, file.size()),
            0);

        // The front faces +z however its record's normal is given. Seen from there, its top
        // left corner is the one of least x and greatest y.
        const int position = front.attributes.at("POSITION");
        const int texcoord = front.attributes.at("TEXCOORD_0");
        EXPECT_EQ(vec3(model, front.attributes.at("NORMAL"), 0), (Vec3{0.0f, 0.0f, 1.0f}));
        int corner = -1;
        for (int i = 0; i < 4; ++i) {
            const Vec3 p = vec3(model, position, i);
            if (p[0] < 0 && (corner < 0 || p[1] > vec3(model, position, corner)[1])) {
                corner = i;
            }
        }
        ASSERT_GE(corner, 0);
        // The box's height, 10 units, is its longest side: a stored top at z = 2 is a metre up.
        EXPECT_EQ(vec3(model, position, corner)[1], c.storedTop / 2.0f);
        // The picture there, as a viewer samples it (v = 0 is the first row).
        const float u = element<float>(model, texcoord, corner, 0);
        const float v = element<float>(model, texcoord, corner, 1);
        ASSERT_EQ(image.width, 64);
        ASSERT_EQ(image.component, 4);
        const int x = std::min(image.width - 1, static_cast<int>(u * image.width));
        const int y = std::min(image.height - 1, static_cast<int>(v * image.height));
        const unsigned char* texel =
            &image.image[static_cast<std::size_t>((y * image.width + x) * 4)];
        EXPECT_EQ((std::array<std::uint8_t, 3>{texel[0], texel[1], texel[2]}), c.topLeft)
            << "orientation " << c.orientation << (c.storedMirror ? ", stored mirrored" : "");
    }
}

// The view draws a picture opaque, its colours as the file holds them whatever its alpha; the
// model embeds that, so that no viewer lets anything through or darkens it.
TEST_F(ModelTest, APictureWithAlphaIsEmbeddedOpaqueAsTheViewShowsIt) {
    QImage straight = quadrants(8, 8).convertToFormat(QImage::Format_ARGB32);
    straight.setPixel(0, 0, qRgba(200, 100, 50, 0));
    straight.setPixel(7, 0, qRgba(10, 20, 30, 128));
    QImage indexed(8, 8, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(200, 100, 50, 0), qRgb(0, 0, 255)});
    indexed.fill(1);
    indexed.setPixel(0, 0, 0);
    for (const QImage& picture : {straight, indexed}) {
        const std::string path = dir_.file("alpha.png");
        ASSERT_TRUE(picture.save(QString::fromStdString(path), "PNG"));
        ASSERT_TRUE(QImage(QString::fromStdString(path)).hasAlphaChannel());
        putPicture(Back, path);
        const tinygltf::Model model = build();
        ASSERT_EQ(model.images.size(), 1u);
        EXPECT_EQ(model.images[0].mimeType, "image/png");
        const tinygltf::BufferView& view = model.bufferViews[model.images[0].bufferView];
        const QImage embedded = QImage::fromData(model.buffers[0].data.data() + view.byteOffset,
                                                 static_cast<int>(view.byteLength));
        EXPECT_FALSE(embedded.hasAlphaChannel()) << picture.format();
        EXPECT_EQ(embedded.convertToFormat(QImage::Format_RGBX8888), images_[Back].image)
            << picture.format();
    }
}

TEST_F(ModelTest, ALargePictureIsReducedAndStaysJpeg) {
    const std::string path = dir_.file("wide.jpg");
    ASSERT_TRUE(quadrants(3000, 1000).save(QString::fromStdString(path), "JPEG"));
    putPicture(Top, path);
    const tinygltf::Model model = build();
    ASSERT_EQ(model.images.size(), 1u);
    EXPECT_EQ(model.images[0].mimeType, "image/jpeg");
    EXPECT_EQ(model.images[0].width, kModelPictureSide);
    EXPECT_EQ(model.images[0].height, 683);
}

TEST_F(ModelTest, AGonePictureFileLeavesItsKeptCopyAndANote) {
    const std::string path = dir_.file("gone.png");
    ASSERT_TRUE(quadrants(1024, 1024).save(QString::fromStdString(path)));
    putPicture(Left, path);
    ASSERT_EQ(std::remove(path.c_str()), 0);
    std::vector<std::string> notes;
    const tinygltf::Model model = build(&notes);
    ASSERT_EQ(model.images.size(), 1u);
    EXPECT_EQ(model.images[0].mimeType, "image/png");
    EXPECT_EQ(model.images[0].width, kMaxTextureSide);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("gone.png"), std::string::npos) << notes[0];
}

TEST(ModelPath, GlbInAnyCase) {
    EXPECT_TRUE(isModelPath("box.glb"));
    EXPECT_TRUE(isModelPath("out/Box.GLB"));
    EXPECT_FALSE(isModelPath(".glb/box"));
    EXPECT_FALSE(isModelPath("dir/.glb"));
    EXPECT_FALSE(isModelPath("box.gltf"));
}

} // namespace
} // namespace cartonic
