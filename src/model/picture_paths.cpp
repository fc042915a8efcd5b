#include "model/picture_paths.h"

#include <filesystem>

namespace cartonic {

namespace fs = std::filesystem;

namespace {

// A folder in one spelling: normal, without a trailing separator.
fs::path folderPath(const std::string& folder) {
    fs::path normal = fs::path(folder).lexically_normal();
    if (!normal.has_filename() && normal != normal.root_path()) {
        normal = normal.parent_path();
    }
    return normal;
}

} // namespace

std::string workingFolder() {
    return absoluteFolderOf("x");
}

std::string absoluteFolderOf(const std::string& filePath) {
    fs::path folder = fs::path(filePath).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    // Through the real folders: "link/.." is where the link's target's parent is, not here.
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    // Without a working directory there is nothing to anchor to; keep what was given.
    return (ec ? folder.lexically_normal() : real).string();
}

std::string rebasePath(const std::string& path, const std::string& baseDir,
                       const std::string& saveDir) {
    const fs::path given(path);
    if (path.empty() || given.is_absolute()) {
        return path;
    }
    const fs::path base = folderPath(baseDir);
    const fs::path save = folderPath(saveDir);
    if (base == save) {
        return path;
    }
    // Between real paths, so every ".." climbs where the file system climbs. What does not
    // exist yet is taken as written.
    std::error_code ec;
    fs::path target = fs::weakly_canonical(base / given, ec);
    if (ec) {
        target = (base / given).lexically_normal();
    }
    fs::path realSave = fs::weakly_canonical(save, ec);
    if (ec) {
        realSave = save;
    }
    const fs::path rebased = target.lexically_relative(realSave);
    // No relative way there (another root, or one that reaches another file): the absolute
    // path still finds the picture.
    if (rebased.empty() ||
        (fs::exists(target, ec) && !fs::equivalent(realSave / rebased, target, ec))) {
        return target.string();
    }
    return rebased.string();
}

Status rebasePicturePaths(ProjectData& data, const PictureBases& bases,
                          const std::string& saveDir) {
    const auto field = [&data](int k) -> Path& {
        return k == kFloorSlot ? data.floorImagePath : data.faceSlots[k].imagePath;
    };
    std::array<std::string, kSlotCount> rebased;
    for (int k = 0; k < kSlotCount; ++k) {
        const std::string stored(pathText(field(k)));
        rebased[k] = rebasePath(stored, bases[k], saveDir);
        if (rebased[k].size() >= kPathSize) {
            return Status::tooLarge("picture path too long to store in a project: " + rebased[k]);
        }
    }
    for (int k = 0; k < kSlotCount; ++k) {
        // Unchanged fields keep every byte, whatever follows their terminator.
        if (rebased[k] != pathText(field(k))) {
            setPath(field(k), rebased[k]);
        }
    }
    return {};
}

} // namespace cartonic
