#include "formats/ffmpeg_video_writer.h"

#include "base/file_descriptor.h"
#include "base/replacement_file.h"
#include "image/picture_reduction.h"
#include "image/rgba_picture.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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
// An MP4 file starts with its ftyp box: four bytes of size, then the type.
constexpr std::size_t kBoxHeader = 8;
constexpr std::array<char, 4> kFileTypeBox = {'f', 't', 'y', 'p'};
// How often the end of an ffmpeg that is given a time limit is looked for.
constexpr auto kExitPoll = std::chrono::milliseconds(10);

using Clock = std::chrono::steady_clock;

std::string number(double value) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, end);
}

// Seconds as people read them: whole ones ("61"), or milliseconds below one ("0.25").
std::string secondsText(Clock::duration span) {
    const double seconds = std::chrono::duration<double>(span).count();
    constexpr double kPerSecond = 1000.0;
    return seconds >= 1.0 ? std::to_string(std::llround(seconds))
                          : number(std::round(seconds * kPerSecond) / kPerSecond);
}

class FfmpegVideo final : public AnimationWriter {
public:
    FfmpegVideo(const AnimationSettings& settings, const FfmpegPatience& patience)
        : settings_(settings), patience_(patience) {}

    ~FfmpegVideo() override {
        frames_.reset();
        if (pid_ > 0) {
            // Dropped unfinished: the video is not wanted, and the file it went to goes too.
            stop();
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
        const FileDescriptor theirs(pair[1]);
        FileDescriptor input(::fcntl(theirs.get(), F_DUPFD_CLOEXEC, kAboveHandedOver));
        FileDescriptor video(::fcntl(file_.handle(), F_DUPFD_CLOEXEC, kAboveHandedOver));
        messages_.reset(::memfd_create("ffmpeg-messages", MFD_CLOEXEC));
        FileDescriptor messages(::fcntl(messages_.get(), F_DUPFD_CLOEXEC, kAboveHandedOver));
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
        // A group of its own, so that stopping it stops whatever it started (a wrapper script's
        // real encoder) too.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int spawned =
            ::posix_spawn(&pid_, program->c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
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
        const Clock::duration patience = allowed(1);
        const Clock::time_point deadline = Clock::now() + patience;
        while (left > 0) {
            if (!ready(deadline)) {
                stop();
                return Status::writeFailed(std::string(kFfmpegProgram) + " took no frame for " +
                                           secondsText(patience) + " s and was stopped");
            }
            const ssize_t n = ::send(frames_.get(), data, left, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
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
        ++framesSent_;
        return {};
    }

    Status finish() override {
        if (pid_ <= 0) {
            return Status::usage(kClosed);
        }
        frames_.reset(); // the end of the input: ffmpeg writes the index and ends
        const Clock::duration patience = allowed(framesSent_);
        const std::optional<int> status = reapBy(Clock::now() + patience);
        if (!status) {
            stop();
            return Status::writeFailed(std::string(kFfmpegProgram) +
                                       " did not finish the video within " + secondsText(patience) +
                                       " s and was stopped");
        }
        if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
            const std::string how =
                WIFEXITED(*status) ? "ended with status " + std::to_string(WEXITSTATUS(*status))
                                   : "was ended by signal " + std::to_string(WTERMSIG(*status));
            return Status::writeFailed(message(how));
        }
        // Ending well is ffmpeg's word only; the file is looked at before it replaces anything.
        if (Status video = checkVideo(); !video) {
            return video;
        }
        return file_.commit();
    }

private:
    // How long ffmpeg may take over frames frames of the video's size.
    Clock::duration allowed(std::int64_t frames) const {
        const double pixels = double(settings_.width) * settings_.height * double(frames);
        const double nanoseconds =
            std::chrono::duration<double, std::nano>(patience_.allowance).count() +
            pixels * double(patience_.perPixel.count());
        // Any length a video can have fits; beyond a year it is as good as no limit.
        constexpr double kLongest = 365.0 * 24 * 3600 * 1e9;
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double, std::nano>(std::min(nanoseconds, kLongest)));
    }

    // Whether ffmpeg can take bytes of a frame before deadline.
    bool ready(Clock::time_point deadline) const {
        while (true) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd wanted{frames_.get(), POLLOUT, 0};
            const int n = ::poll(&wanted, 1,
                                 static_cast<int>(std::min<std::int64_t>(left.count(), INT32_MAX)));
            if (n > 0) {
                return true; // writable, or closed, which send then reports
            }
            if (n < 0 && errno != EINTR) {
                return true; // send reports what is wrong
            }
        }
    }

    // Kills ffmpeg and what it started, and waits for it.
    void stop() {
        ::kill(-pid_, SIGKILL);
        reap();
    }

    // Waits for ffmpeg to end; its wait status.
    int reap() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

    // Waits for ffmpeg to end until deadline; its wait status, none when it is still running.
    std::optional<int> reapBy(Clock::time_point deadline) {
        while (true) {
            int status = 0;
            const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
            if (ended == pid_) {
                pid_ = -1;
                return status;
            }
            if (ended < 0 && errno != EINTR) {
                return reap();
            }
            if (Clock::now() >= deadline) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(kExitPoll);
        }
    }

    // Whether what ffmpeg wrote is an MP4 file: not empty, its first box the file type.
    Status checkVideo() const {
        // The new file is open for writing only; it is read through a descriptor of its own.
        const FileDescriptor video(::open(
            ("/proc/self/fd/" + std::to_string(file_.handle())).c_str(), O_RDONLY | O_CLOEXEC));
        struct stat info {};
        std::array<char, kBoxHeader> header{};
        if (video.get() < 0 || ::fstat(video.get(), &info) != 0) {
            return Status::writeFailed("cannot read back the video: " + errnoText());
        }
        if (info.st_size == 0) {
            return Status::writeFailed(std::string(kFfmpegProgram) +
                                       " ended well but wrote no video");
        }
        if (::pread(video.get(), header.data(), header.size(), 0) !=
                static_cast<ssize_t>(header.size()) ||
            !std::equal(kFileTypeBox.begin(), kFileTypeBox.end(), header.begin() + 4)) {
            return Status::writeFailed(std::string(kFfmpegProgram) +
                                       " ended well but wrote something that is not an MP4 video");
        }
        return {};
    }

    // After ffmpeg stopped taking frames: it is ending, or is stopped when it does not.
    std::string ended(const std::string& how) {
        if (!reapBy(Clock::now() + patience_.allowance)) {
            stop();
        }
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
    FfmpegPatience patience_;
    std::int64_t framesSent_ = 0;
    ReplacementFile file_;
    FileDescriptor frames_;
    FileDescriptor messages_;
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
                                                         const AnimationSettings& settings,
                                                         const FfmpegPatience& patience) {
    auto writer = std::make_unique<FfmpegVideo>(settings, patience);
    if (Status opened = writer->open(path); !opened) {
        return opened;
    }
    return std::unique_ptr<AnimationWriter>(std::move(writer));
}

} // namespace cartonic
