#pragma once

// The 3D models tests write, kept under the build folder (CARTONIC_KEPT_MODELS, one folder a test
// executable, set by cartonic_keeps_models in tests/CMakeLists.txt) for the gltf_validator test,
// which checks every one of them with the Khronos validator.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace cartonic::test {

// Keeps bytes as NAME.glb in this executable's folder. The folder is emptied at the first model a
// run keeps, so that a model no test writes any more is not checked.
template <typename Byte>
void keepModel(const std::string& name, const std::vector<Byte>& bytes) {
    static_assert(sizeof(Byte) == 1);
    static const std::filesystem::path folder = [] {
        const std::filesystem::path made(CARTONIC_KEPT_MODELS);
        std::error_code ec;
        std::filesystem::remove_all(made, ec);
        std::filesystem::create_directories(made, ec);
        return made;
    }();
    std::ofstream out(folder / (name + ".glb"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace cartonic::test
