// The 3D model read back with tinygltf: its geometry, materials and pictures, as a viewer gets
// them.

#include "export/model_writer.h"
#include "image/image_loader.h"
#include "support/temp_dir.h"

#include <QImage>

#include <tiny_gltf.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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

    tinygltf::Model build(std::vector<std::string>* notes = nullptr) {
        std::vector<std::uint8_t> bytes;
        const Status built = buildModel(data_, pictures_, bytes, notes);
        EXPECT_TRUE(built) << built.message();
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
    data_.faceSlots[Back].specularColor = {0.0f, 0.0f, 0.0f, 1.0f};
    data_.faceSlots[Top].specularColor = {1.0f, 1.0f, 1.0f, 1.0f};
    const tinygltf::Model model = build();
    ASSERT_EQ(model.materials.size(), std::size_t{kFaceCount});
    const auto& pbr = model.materials[Front].pbrMetallicRoughness;
    EXPECT_EQ(model.materials[Front].name, "Front");
    ASSERT_EQ(pbr.baseColorFactor.size(), 4u);
    // sRGB 0.5 is linear 0.214.
    EXPECT_NEAR(pbr.baseColorFactor[0], 1.0, 1e-6);
    EXPECT_NEAR(pbr.baseColorFactor[1], 0.214, 1e-3);
    EXPECT_NEAR(pbr.baseColorFactor[2], 0.0, 1e-6);
    EXPECT_EQ(pbr.baseColorFactor[3], 1.0);
    EXPECT_EQ(pbr.metallicFactor, 0.0);
    EXPECT_NEAR(pbr.roughnessFactor, 0.5, 1e-6);
    EXPECT_NEAR(model.materials[Back].pbrMetallicRoughness.roughnessFactor, 1.0, 1e-6);
    EXPECT_NEAR(model.materials[Top].pbrMetallicRoughness.roughnessFactor, 0.04, 1e-6);
    // No pictures: no textures, and no texture coordinates to go with none.
    EXPECT_TRUE(model.textures.empty());
    EXPECT_TRUE(model.images.empty());
    EXPECT_EQ(pbr.baseColorTexture.index, -1);
    EXPECT_FALSE(model.meshes[0].primitives[Front].attributes.contains("TEXCOORD_0"));
}

TEST_F(ModelTest, AFlippedFaceShowsItsPictureFlippedAsTheViewDoes) {
    const std::string path = dir_.file("front.png");
    ASSERT_TRUE(quadrants(64, 32).save(QString::fromStdString(path)));
    putPicture(Front, path);
    data_.faceSlots[Front].orientation = MirrorS;
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
    EXPECT_EQ(std::memcmp(file.data(), model.buffers[0].data.data() + view.byteOffset, file.size()),
              0);

    // The front faces +z. Seen from there, its top left corner (least x, greatest y) shows the
    // picture's top right corner when the picture is mirrored left to right.
    const int position = front.attributes.at("POSITION");
    const int texcoord = front.attributes.at("TEXCOORD_0");
    EXPECT_EQ(vec3(model, front.attributes.at("NORMAL"), 0), (Vec3{0.0f, 0.0f, 1.0f}));
    int corner = -1;
    for (int i = 0; i < 4; ++i) {
        const Vec3 p = vec3(model, position, i);
        if (p[0] < 0 && p[1] > 0.5f) {
            corner = i;
        }
    }
    ASSERT_GE(corner, 0);
    const float u = element<float>(model, texcoord, corner, 0);
    const float v = element<float>(model, texcoord, corner, 1);
    EXPECT_EQ(u, 1.0f);
    EXPECT_EQ(v, 0.0f);
    // The picture there, as a viewer samples it (v = 0 is the first row).
    ASSERT_EQ(image.width, 64);
    ASSERT_EQ(image.component, 4);
    const int x = std::min(image.width - 1, static_cast<int>(u * image.width));
    const int y = std::min(image.height - 1, static_cast<int>(v * image.height));
    const unsigned char* texel = &image.image[static_cast<std::size_t>((y * image.width + x) * 4)];
    EXPECT_EQ((std::array<std::uint8_t, 3>{texel[0], texel[1], texel[2]}), kTopRight);
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
    EXPECT_EQ(model.images[0].width, maxTextureSide);
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
