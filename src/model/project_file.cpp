#include "model/project_file.h"

#include "base/file_descriptor.h"
#include "base/replacement_file.h"
#include "model/record_fields.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {

namespace {

// Reads until n bytes or end of file; returns the count read, or -1 on error.
ssize_t readFully(int fd, void* buffer, std::size_t n) {
    auto* out = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, out + got, n - got);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            return -1;
        }
        if (r == 0) {
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

SaveWriteFunction saveWrite = ::write;

void terminatePath(Path& field) {
    if (!std::memchr(field.data(), 0, field.size())) {
        // All 260 bytes, so the cut can see whether it would split a character.
        const std::string text(field.data(), kPathSize);
        setPath(field, text);
    }
}

float saneScale(float value, float start) {
    if (!std::isfinite(value)) {
        return start;
    }
    // The smallest scale any editor produces is 0.2 box units x 5.
    constexpr float kMinScale = 1.0f;
    return value <= 0.0f ? kMinScale : std::min(value, kMaxBoxScale);
}

} // namespace

void sanitizeLoaded(ProjectData& loaded, const ProjectData& live) {
    copyRuntimeFields(loaded, live);
    for (FaceSlot& slot : loaded.faceSlots) {
        terminatePath(slot.imagePath);
    }
    terminatePath(loaded.backgroundPicturePath);
    terminatePath(loaded.floorImagePath);
    if (loaded.selectedFace < 0 || loaded.selectedFace >= kFaceCount) {
        loaded.selectedFace = 0;
    }
    loaded.boxWidth = saneScale(loaded.boxWidth, kStartBoxWidth);
    loaded.boxDepth = saneScale(loaded.boxDepth, kStartBoxDepth);
    loaded.boxHeight = saneScale(loaded.boxHeight, kStartBoxHeight);
}

void setSaveWriteFunction(SaveWriteFunction write) {
    saveWrite = write ? write : ::write;
}

Status saveProject(const ProjectData& data, const std::string& path) {
    return saveProject(data, ProjectExtension{}, path);
}

Status saveProject(const ProjectData& data, const ProjectExtension& extension,
                   const std::string& path, std::string* note) {
    // A file the reader would not read the extension of would lose it at the save after next.
    if (const std::int64_t bytes =
            std::int64_t{kProjectFileSize} + projectExtensionBytes(extension);
        bytes > kMaxProjectFileBytes) {
        return Status::tooLarge("the project would be " + std::to_string(bytes >> 20) +
                                " MB, more than the " + std::to_string(kMaxProjectFileBytes >> 20) +
                                " MB a project file may hold; nothing was saved");
    }
    if (note) {
        *note = extensionSaveNote(extension);
    }
    ReplacementFile file;
    if (Status opened = file.open(path); !opened) {
        return opened;
    }
    const int fd = file.handle();
    Status written;
    const auto write = [fd, &written](const void* bytes, std::size_t n) {
        written = writeAll(fd, bytes, n, saveWrite);
        return written.ok();
    };
    const std::uint8_t magic[4] = {0x33, 0x00, 0xEE, 0xFF};
    if (!write(magic, sizeof magic) || !write(&data, sizeof data) ||
        !writeProjectExtension(extension, write)) {
        return written ? Status::writeFailed("the project could not be written") : written;
    }
    return file.commit();
}

Status loadProject(ProjectData& data, const std::string& path) {
    ProjectExtension ignored;
    return loadProject(data, ignored, path, nullptr);
}

Status loadProject(ProjectData& data, ProjectExtension& extension, const std::string& path,
                   std::string* note) {
    // O_NONBLOCK keeps a FIFO from blocking the open; only regular files are read.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) {
        return Status::readFailed(errno, errnoText());
    }
    const int fd = file.get();
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return Status::unreadable("not a regular file");
    }

    std::uint8_t magic[4] = {};
    const ssize_t got = readFully(fd, magic, sizeof magic);
    const std::uint32_t value = std::uint32_t(magic[0]) | std::uint32_t(magic[1]) << 8 |
                                std::uint32_t(magic[2]) << 16 | std::uint32_t(magic[3]) << 24;
    if (got < 0) {
        return Status::readFailed(errno, errnoText());
    }
    if (got != 4 || value != kProjectMagic) {
        return Status::badFormat("not a Cartonic project file");
    }

    ProjectData loaded = data;
    if (readFully(fd, &loaded, sizeof loaded) < 0) {
        return Status::readFailed(errno, errnoText());
    }
    sanitizeLoaded(loaded, data);
    data = loaded;
    if (note) {
        note->clear();
    }
    if (info.st_size > kMaxProjectFileBytes) {
        extension = {};
        extension.droppedBytes = info.st_size - std::int64_t{kProjectFileSize};
        if (note) {
            *note = "the project file is larger than " +
                    std::to_string(kMaxProjectFileBytes >> 20) +
                    " MB; what follows its record is not read, and a save will not keep it";
        }
    } else if (info.st_size > std::int64_t{kProjectFileSize}) {
        extension = readProjectExtension(fd, kProjectFileSize, info.st_size, note);
    } else {
        extension = {};
    }
    return {};
}

} // namespace cartonic
