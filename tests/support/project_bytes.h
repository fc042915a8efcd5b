#pragma once

// A record as bytes: whole-record comparison, and the file a record is saved as, made by hand.

#include "model/project_data.h"
#include "model/project_file.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace cartonic::test {

// True when the two records are identical byte for byte.
inline bool sameBytes(const ProjectData& a, const ProjectData& b) {
    return std::memcmp(&a, &b, sizeof(ProjectData)) == 0;
}

// The project file holding d, its magic number first; this platform is little-endian.
inline std::vector<char> fileOf(const ProjectData& d) {
    std::vector<char> bytes(kProjectFileSize);
    const std::uint32_t magic = kProjectMagic;
    std::memcpy(bytes.data(), &magic, sizeof magic);
    std::memcpy(bytes.data() + sizeof magic, &d, sizeof d);
    return bytes;
}

} // namespace cartonic::test
