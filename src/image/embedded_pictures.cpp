#include "image/embedded_pictures.h"

#include "base/file_descriptor.h"
#include "image/image_loader.h"
#include "model/replacement_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {

namespace {

// Extract Pictures numbers a name taken by another file up to this many times.
constexpr int kMostNumberedNames = 999;

Path& pathOf(ProjectData& data, int slot) {
    return slot == kFloorSlot ? data.floorImagePath : data.faceSlots[slot].imagePath;
}

std::string storedPath(const ProjectData& data, int slot) {
    return std::string(
        pathText(slot == kFloorSlot ? data.floorImagePath : data.faceSlots[slot].imagePath));
}

// The bytes of the regular file at path, when a project may keep it inside.
Result<QByteArray> readKeptFile(const std::string& path) {
    // Only regular files, checked before opening and after, as the loader does: a FIFO or a
    // device could block or have side effects.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Status::readFailed(errno, "cannot open: " + errnoText());
    }
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) {
        return Status::readFailed(errno, "cannot open: " + errnoText());
    }
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Status::unreadable("not a regular file");
    }
    if (info.st_size > kMaxEmbeddedPictureBytes) {
        return Status::tooLarge("the file is larger than " +
                                std::to_string(kMaxEmbeddedPictureBytes >> 20) +
                                " MB, the most a project keeps inside it");
    }
    QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(file.get(), bytes.data() + done,
                                    static_cast<std::size_t>(bytes.size() - done), done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Status::unreadable("cannot read: " + errnoText());
        }
        if (got == 0) {
            return Status::unreadable("the file grew shorter while it was read");
        }
        done += got;
    }
    return bytes;
}

bool nameTaken(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A file in folder holding picture's bytes, named after its name: one already there with the
// same bytes, else a new one under the first free name.
Result<std::string> writeKeptFile(const std::string& folder, const EmbeddedPicture& picture) {
    std::string name = picture.name.substr(picture.name.find_last_of('/') + 1);
    if (name.empty() || name == "." || name == "..") {
        name = picture.slot == kFloorSlot ? "floor" : std::string(kFaceNames[picture.slot]);
    }
    const std::size_t dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string suffix = stem.size() == name.size() ? "" : name.substr(stem.size());
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (int n = 1; n <= kMostNumberedNames; ++n) {
        std::string path = base;
        if (n == 1) {
            path += name;
        } else {
            path.append(stem).append("-").append(std::to_string(n)).append(suffix);
        }
        if (nameTaken(path)) {
            const Result<QByteArray> there = readKeptFile(path);
            if (there && there.value == picture.bytes) {
                return path;
            }
            continue;
        }
        ReplacementFile file;
        if (Status opened = file.open(path); !opened) {
            return opened.prefixed(path + ": ");
        }
        if (Status written = writeAll(file.handle(), picture.bytes.constData(),
                                      static_cast<std::size_t>(picture.bytes.size()));
            !written) {
            return written.prefixed(path + ": ");
        }
        if (Status committed = file.commit(); !committed) {
            return committed.prefixed(path + ": ");
        }
        return path;
    }
    return Status::writeFailed(base + name + ": every numbered name is taken");
}

} // namespace

bool showsKeptCopy(const EmbeddedPicture& picture, const SlotImage& slot) {
    return !slot.empty() && picture.shownAs != 0 && picture.shownAs == slot.image.cacheKey();
}

void gatherEmbeddedPictures(const ProjectData& data, const SlotImages& images,
                            const PicturePaths& files, ProjectExtension& extension,
                            std::vector<std::string>* notes) {
    if (!extension.settings.embedPictures) {
        return;
    }
    std::vector<EmbeddedPicture> gathered;
    for (int k = 0; k < kSlotCount; ++k) {
        const std::string name = storedPath(data, k);
        if (images[k].empty() || name.empty()) {
            continue;
        }
        if (const EmbeddedPicture* had = extension.pictureFor(k);
            had && showsKeptCopy(*had, images[k])) {
            gathered.push_back(*had);
            gathered.back().name = name;
            continue;
        }
        const Result<QByteArray> read = readKeptFile(files[k]);
        if (!read) {
            if (notes) {
                notes->push_back("cannot keep the picture " + name +
                                 " inside the project: " + read.status.message());
            }
            continue;
        }
        gathered.push_back({k, name, read.value, sha256Of(read.value), images[k].image.cacheKey()});
    }
    extension.pictures = std::move(gathered);
}

int restoreEmbeddedPictures(ProjectData& data, SlotImages& images, ProjectExtension& extension,
                            const std::string& baseDir, std::vector<UnloadedPicture>& unloaded) {
    int inside = 0;
    for (EmbeddedPicture& picture : extension.pictures) {
        const int k = picture.slot;
        const std::string stored = storedPath(data, k);
        if (stored.empty()) {
            continue;
        }
        if (!images[k].empty()) {
            const Result<QByteArray> file = readKeptFile(resolveAgainst(baseDir, stored));
            if (file && sha256Of(file.value) == picture.sha256) {
                picture.shownAs = images[k].image.cacheKey();
                continue;
            }
        }
        FaceSlot slot = data.faceSlots[k];
        SlotImage image;
        if (!loadImageBytes(slot, image, picture.bytes, stored)) {
            continue;
        }
        data.faceSlots[k].imageWidth = slot.imageWidth;
        data.faceSlots[k].imageHeight = slot.imageHeight;
        images[k] = image;
        picture.shownAs = image.image.cacheKey();
        ++inside;
        const auto failed =
            std::find_if(unloaded.begin(), unloaded.end(),
                         [&](const UnloadedPicture& u) { return u.path == stored; });
        if (failed != unloaded.end()) {
            unloaded.erase(failed);
        }
    }
    return inside;
}

Result<std::vector<std::string>> extractEmbeddedPictures(ProjectData& data,
                                                         const SlotImages& images,
                                                         const ProjectExtension& extension,
                                                         const std::string& folder) {
    std::vector<std::string> written;
    std::vector<std::pair<QByteArray, std::string>> done; // by hash, the file written
    for (const EmbeddedPicture& picture : extension.pictures) {
        if (!showsKeptCopy(picture, images[picture.slot])) {
            continue;
        }
        const auto same = std::find_if(done.begin(), done.end(),
                                       [&](const auto& d) { return d.first == picture.sha256; });
        std::string path;
        if (same != done.end()) {
            path = same->second;
        } else {
            Result<std::string> made = writeKeptFile(folder, picture);
            if (!made) {
                return made.status;
            }
            path = made.value;
            done.emplace_back(picture.sha256, path);
            written.push_back(path);
        }
        if (path.size() >= kPathSize) {
            return Status::usage(path + ": longer than the " + std::to_string(kPathSize - 1) +
                                 " bytes a project can name");
        }
        setPath(pathOf(data, picture.slot), path);
    }
    return written;
}

void addEmbeddedSources(const ProjectExtension& extension, const SlotImages& images,
                        SlotPictures& pictures) {
    for (const EmbeddedPicture& picture : extension.pictures) {
        if (showsKeptCopy(picture, images[picture.slot])) {
            pictures.embedded[picture.slot] = picture.bytes;
        }
    }
}

} // namespace cartonic
