#include "export/ffmpeg_video_writer.h"

#include "export/render_to_buffer.h"
#include "image/picture_reduction.h"
#include "model/replacement_file.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace cartonic {

namespace {

// ffmpeg's descriptors: frames on standard input, messages on standard error, and the video's
// file as descriptor 3, which it opens by name.
constexpr int kFrameInput = 0;
constexpr int kOutputOnly = 1;
constexpr int kMessages = 2;
constexpr int kVideoFile = 3;
constexpr const char* kVideoFileName = "file:/proc/self/fd/3";
// Descriptors are moved above this before they are handed over, so none is already the number
// it is to become.
constexpr int kAboveHandedOver = 10;
// The most of ffmpeg's last message line an error quotes.
constexpr std::size_t kMostMessage = 300;
constexpr const char* kClosed = "the video is closed";

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

std::string number(double value) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, end);
}

class FfmpegVideo final : public AnimationWriter {
public:
    explicit FfmpegVideo(const AnimationSettings& settings) : settings_(settings) {}

    ~FfmpegVideo() override {
        frames_.reset();
        if (pid_ > 0) {
            // Dropped unfinished: the video is not wanted, and the file it went to goes too.
            ::kill(pid_, SIGKILL);
            reap();
        }
    }

    Status open(const std::string& path) {
        const std::optional<std::string> program = findProgram(kFfmpegProgram);
        if (!program) {
            return Status::unavailable(std::string(kFfmpegProgram) +
                                       " is not on PATH: MP4 videos are made with it; install "
                                       "it, or write a .webp animation");
        }
        if (::access("/proc/self/fd", X_OK) != 0) {
            return Status::unavailable(
                "an MP4 video needs /proc mounted, for ffmpeg to reach its file");
        }
        if (Status opened = file_.open(path); !opened) {
            return opened;
        }
        int pair[2] = {-1, -1};
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            return Status::unavailable("cannot make a channel to ffmpeg: " + errnoText());
        }
        frames_.reset(pair[0]);
        Descriptor input(::fcntl(pair[1], F_DUPFD_CLOEXEC, kAboveHandedOver));
        ::close(pair[1]);
        Descriptor video(::fcntl(file_.handle(), F_DUPFD_CLOEXEC, kAboveHandedOver));
        messages_.reset(::memfd_create("ffmpeg-messages", MFD_CLOEXEC));
        Descriptor messages(::fcntl(messages_.get(), F_DUPFD_CLOEXEC, kAboveHandedOver));
        if (input.get() < 0 || video.get() < 0 || messages.get() < 0) {
            return Status::unavailable("cannot hand descriptors to ffmpeg: " + errnoText());
        }

        const std::string size =
            std::to_string(settings_.width) + "x" + std::to_string(settings_.height);
        const std::string rate = number(settings_.fps);
        std::vector<std::string> args = {
            *program, "-hide_banner", "-loglevel", "error", "-nostdin",
            // What arrives: raw RGBA frames of the size, at the rate.
            "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size, "-framerate", rate, "-i", "pipe:0",
            // What leaves: H.264 in 4:2:0, which every player takes, with the index first.
            "-an", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-movflags", "+faststart", "-f", "mp4",
            "-y", kVideoFileName};
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input.get(), kFrameInput);
        posix_spawn_file_actions_addopen(&actions, kOutputOnly, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, messages.get(), kMessages);
        posix_spawn_file_actions_adddup2(&actions, video.get(), kVideoFile);
        const int spawned =
            ::posix_spawn(&pid_, program->c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            return Status::unavailable("cannot start " + *program + ": " + errnoText(spawned));
        }
        return {};
    }

    Status addFrame(const RgbaPicture& frame) override {
        if (pid_ <= 0) {
            return Status::usage(kClosed);
        }
        if (frame.width != settings_.width || frame.height != settings_.height ||
            frame.rgba.size() !=
                static_cast<std::size_t>(frame.width) * frame.height * kRgbaBytes) {
            return Status::usage("a frame is not the video's size");
        }
        const std::uint8_t* data = frame.rgba.data();
        std::size_t left = frame.rgba.size();
        while (left > 0) {
            const ssize_t n = ::send(frames_.get(), data, left, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                // ffmpeg stopped reading: it has ended, and says why on its standard error.
                const int error = errno;
                frames_.reset();
                return Status::writeFailed(
                    ended("stopped taking frames (" + errnoText(error) + ")"));
            }
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        return {};
    }

    Status finish() override {
        if (pid_ <= 0) {
            return Status::usage(kClosed);
        }
        frames_.reset(); // the end of the input: ffmpeg writes the index and ends
        const int status = reap();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            const std::string how = WIFEXITED(status)
                                        ? "ended with status " + std::to_string(WEXITSTATUS(status))
                                        : "was ended by signal " + std::to_string(WTERMSIG(status));
            return Status::writeFailed(message(how));
        }
        return file_.commit();
    }

private:
    // Waits for ffmpeg to end; its wait status.
    int reap() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

    std::string ended(const std::string& how) {
        reap();
        return message(how);
    }

    // "ffmpeg HOW: its last line", or without the line when it said nothing.
    std::string message(const std::string& how) const {
        std::string text;
        struct stat info {};
        if (::fstat(messages_.get(), &info) == 0 && info.st_size > 0) {
            text.resize(static_cast<std::size_t>(info.st_size));
            const ssize_t n = ::pread(messages_.get(), text.data(), text.size(), 0);
            text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        }
        while (!text.empty() &&
               (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
            text.pop_back();
        }
        const auto lineStart = text.find_last_of("\r\n");
        std::string last = lineStart == std::string::npos ? text : text.substr(lineStart + 1);
        if (last.size() > kMostMessage) {
            last = last.substr(0, kMostMessage) + "...";
        }
        return std::string(kFfmpegProgram) + " " + how + (last.empty() ? "" : ": " + last);
    }

    AnimationSettings settings_;
    ReplacementFile file_;
    Descriptor frames_;
    Descriptor messages_;
    pid_t pid_ = -1;
};

} // namespace

std::optional<std::string> findProgram(const std::string& name) {
    const auto runnable = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               ::access(path.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string::npos) {
        return runnable(name) ? std::optional<std::string>(name) : std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (true) {
        const auto colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        // An empty entry is the working folder, as the shell takes it.
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (runnable(candidate)) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        folders.remove_prefix(colon + 1);
    }
}

Result<std::unique_ptr<AnimationWriter>> openFfmpegVideo(const std::string& path,
                                                         const AnimationSettings& settings) {
    auto writer = std::make_unique<FfmpegVideo>(settings);
    if (Status opened = writer->open(path); !opened) {
        return opened;
    }
    return std::unique_ptr<AnimationWriter>(std::move(writer));
}

} // namespace cartonic
