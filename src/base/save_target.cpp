#include "base/save_target.h"

#include <cerrno>
#include <climits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {

namespace {

// The kernel's own limit on the links it follows while resolving one path.
constexpr int kMaxLinksFollowed = 40;
constexpr const char* kLinkTo = "it is a symbolic link to ";

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO (named pipe)";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "something other than a file";
}

// Where the link at path leads, as a path usable from the working folder; none when it cannot be
// read.
std::optional<std::string> readLink(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) {
        return std::nullopt;
    }
    if (static_cast<std::size_t>(n) >= target.size()) {
        errno = ENAMETOOLONG;
        return std::nullopt;
    }
    target.resize(static_cast<std::size_t>(n));
    const std::string folder = folderOf(path);
    if (target.starts_with('/') || folder == ".") {
        return target;
    }
    return (folder == "/" ? folder : folder + "/") + target;
}

} // namespace

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

Result<std::string> resolveSaveTarget(const std::string& path) {
    std::string at = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0) {
            if (links == 0) {
                // A new file, or a folder that cannot be reached: creating the file says which.
                return at;
            }
            if (errno == ENOENT) {
                return Status::notFound(kLinkTo + std::string("a missing file: ") + at);
            }
            return Status::unreadable(kLinkTo + at + ", which cannot be reached: " + errnoText());
        }
        if (S_ISREG(info.st_mode)) {
            return at;
        }
        if (!S_ISLNK(info.st_mode)) {
            const std::string kind = kindOf(info.st_mode);
            std::string reason = links == 0 ? "it is " : kLinkTo;
            reason += kind;
            reason += ", not a file";
            if (links > 0) {
                reason += ": ";
                reason += at;
            }
            return Status::writeFailed(std::move(reason));
        }
        if (links == kMaxLinksFollowed) {
            return Status::notFound("it is a symbolic link that leads to no file: " +
                                    errnoText(ELOOP));
        }
        const std::optional<std::string> next = readLink(at);
        if (!next) {
            return Status::unreadable("cannot read the symbolic link " + at + ": " + errnoText());
        }
        at = *next;
    }
}

} // namespace cartonic
