#include "image/embedded_pictures.h"

#include "base/regular_file.h"
#include "base/replacement_file.h"
#include "image/image_loader.h"
#include "image/vector_pictures.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <sys/stat.h>

namespace cartonic {

namespace {

// Extract Pictures numbers a name taken by another file up to this many times.
constexpr int kMostNumberedNames = 999;
// What numbering adds to a name at most: "-999".
constexpr std::size_t kNumberedNameExtra = 4;

Path& pathOf(ProjectData& data, int slot) {
    return slot == kFloorSlot ? data.floorImagePath : data.faceSlots[slot].imagePath;
}

std::string storedPath(const ProjectData& data, int slot) {
    return std::string(
        pathText(slot == kFloorSlot ? data.floorImagePath : data.faceSlots[slot].imagePath));
}

// The bytes of the regular file at path, when a project may keep it inside.
Result<QByteArray> readKeptFile(const std::string& path) {
    QByteArray bytes;
    if (Status read =
            readRegularFile(path, FileBound{kMaxEmbeddedPictureBytes, EmptyFile::Allowed}, bytes);
        !read) {
        return read;
    }
    return bytes;
}

// The suffix a file of these bytes is known by, for a name made up for them; "" when unknown.
std::string suffixFor(const QByteArray& bytes) {
    // clang-format off
    static const std::pair<std::string_view, const char*> kSignatures[] = {
        {"\x89PNG", ".png"}, {"\xff\xd8\xff", ".jpg"}, {"GIF8", ".gif"}, {"BM", ".bmp"},
        {"II*", ".tif"}, {"MM\0*", ".tif"}, {"RIFF", ".webp"},
    };
    // clang-format on
    for (const auto& [signature, suffix] : kSignatures) {
        if (bytes.startsWith(QByteArrayView(signature.data(), qsizetype(signature.size())))) {
            return suffix;
        }
    }
    if (const std::optional<VectorKind> kind = vectorKindOf(bytes)) {
        return *kind == VectorKind::Pdf ? ".pdf" : ".svg";
    }
    return {};
}

// The file name picture is extracted under: that of the file it was kept from, without a PDF's
// page, or, where that is no usable name (empty, "." or "..", a NUL byte, too long to number),
// the slot's.
std::string extractName(const EmbeddedPicture& picture) {
    const std::string file = pictureFileOf(picture.name);
    const std::string name = file.substr(file.find_last_of('/') + 1);
    if (!name.empty() && name != "." && name != ".." && name.find('\0') == std::string::npos &&
        name.size() + kNumberedNameExtra <= std::size_t{NAME_MAX}) {
        return name;
    }
    return (picture.slot == kFloorSlot ? std::string("floor")
                                       : std::string(kFaceNames[picture.slot])) +
           suffixFor(picture.bytes);
}

// What a slot's path keeps after its file: a PDF's "#page=N".
std::string fragmentOf(const std::string& path) {
    return path.substr(pictureFileOf(path).size());
}

Status tooLongToName(const std::string& path) {
    return Status::usage(path + ": longer than the " + std::to_string(kPathSize - 1) +
                         " bytes a project can name");
}

// A file in folder (ending in '/') holding picture's bytes, named after it: a regular file
// already there with the same bytes, else a new one under the first name free by the time it is
// made (never replacing a file, so that runs extracting into one folder at once each keep their
// own) and not among reserved, whose files the caller writes. Each name is checked to fit a
// project's path, with fragment after it, before anything is written.
Result<std::string> writeKeptFile(const std::string& folder, const EmbeddedPicture& picture,
                                  const std::string& fragment,
                                  const std::vector<std::string>& reserved) {
    const std::string name = extractName(picture);
    const std::size_t dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string suffix = name.substr(stem.size());
    for (int n = 1; n <= kMostNumberedNames; ++n) {
        const std::string candidate = n == 1 ? name : stem + "-" + std::to_string(n) + suffix;
        const std::string path = folder + candidate;
        if (path.size() + fragment.size() >= kPathSize) {
            return tooLongToName(path + fragment);
        }
        if (std::find(reserved.begin(), reserved.end(), path) != reserved.end()) {
            continue;
        }
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0) {
            if (S_ISREG(info.st_mode)) {
                const Result<QByteArray> there = readKeptFile(path);
                if (there && there.value == picture.bytes) {
                    return path;
                }
            }
            continue;
        }
        bool taken = false;
        const Status written = writeNewFile(folder, candidate, picture.bytes.constData(),
                                            static_cast<std::size_t>(picture.bytes.size()), &taken);
        if (written) {
            return path;
        }
        if (!taken) {
            return written.prefixed(path + ": ");
        }
    }
    return Status::writeFailed(folder + name + ": every numbered name is taken");
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
        if (name.empty()) {
            continue;
        }
        if (images[k].empty()) {
            // A copy that could not be drawn when the project was opened (stopped, too large,
            // no drawing program here) is still the slot's only picture: it goes on being kept.
            if (const EmbeddedPicture* had = extension.pictureFor(k); had && had->shownAs == 0) {
                gathered.push_back(*had);
                gathered.back().name = name;
            }
            continue;
        }
        if (const EmbeddedPicture* had = extension.pictureFor(k);
            had && showsKeptCopy(*had, images[k])) {
            gathered.push_back(*had);
            gathered.back().name = name;
            continue;
        }
        // A PDF's page is kept as its document's bytes, the page staying in the name.
        const Result<QByteArray> read = readKeptFile(pictureFileOf(files[k]));
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
        // Shown by no slot until it is drawn, or its file found to be the same.
        picture.shownAs = 0;
        const std::string stored = storedPath(data, k);
        if (stored.empty()) {
            continue;
        }
        if (!images[k].empty()) {
            const Result<QByteArray> file =
                readKeptFile(pictureFileOf(resolveAgainst(baseDir, stored)));
            if (file && sha256Of(file.value) == picture.sha256) {
                picture.shownAs = images[k].image.cacheKey();
                continue;
            }
        }
        FaceSlot slot = data.faceSlots[k];
        SlotImage image;
        const auto failed = std::find_if(unloaded.begin(), unloaded.end(),
                                         [&](const UnloadedPicture& u) { return u.slot == k; });
        if (const Status drawn = loadImageBytes(slot, image, picture.bytes, stored); !drawn) {
            // Why the slot is empty is now the copy's failure, not the file's absence.
            if (failed != unloaded.end()) {
                failed->status =
                    drawn.prefixed("its copy kept inside the project cannot be drawn: ");
            }
            continue;
        }
        data.faceSlots[k].imageWidth = slot.imageWidth;
        data.faceSlots[k].imageHeight = slot.imageHeight;
        images[k] = image;
        picture.shownAs = image.image.cacheKey();
        ++inside;
        if (failed != unloaded.end()) {
            unloaded.erase(failed);
        }
    }
    return inside;
}

Result<std::vector<std::string>> extractEmbeddedPictures(ProjectData& data,
                                                         const SlotImages& images,
                                                         const ProjectExtension& extension,
                                                         const std::string& folder,
                                                         const std::vector<std::string>& reserved) {
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::vector<const EmbeddedPicture*> shown;
    for (const EmbeddedPicture& picture : extension.pictures) {
        if (showsKeptCopy(picture, images[picture.slot])) {
            shown.push_back(&picture);
        }
    }
    // Every first name checked before any file is written, so a folder too deep for a project
    // to name leaves nothing behind.
    for (const EmbeddedPicture* picture : shown) {
        if (const std::string path = base + extractName(*picture) + fragmentOf(picture->name);
            path.size() >= kPathSize) {
            return tooLongToName(path);
        }
    }
    std::vector<std::string> written;
    std::vector<std::pair<QByteArray, std::string>> done; // by hash, the file written
    for (const EmbeddedPicture* picture : shown) {
        const std::string fragment = fragmentOf(picture->name);
        const auto same = std::find_if(done.begin(), done.end(),
                                       [&](const auto& d) { return d.first == picture->sha256; });
        std::string path;
        if (same != done.end()) {
            path = same->second;
            if (path.size() + fragment.size() >= kPathSize) {
                return tooLongToName(path + fragment);
            }
        } else {
            Result<std::string> made = writeKeptFile(base, *picture, fragment, reserved);
            if (!made) {
                return made.status;
            }
            path = made.value;
            done.emplace_back(picture->sha256, path);
            written.push_back(path);
        }
        setPath(pathOf(data, picture->slot), path + fragment);
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
