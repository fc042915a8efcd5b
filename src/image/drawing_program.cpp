#include "image/drawing_program.h"

#include "base/file_descriptor.h"
#include "image/drawing_protocol.h"
#include "image/image_loader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace cartonic {

namespace {

using Clock = std::chrono::steady_clock;

// Where the drawing program lies: installed, relative to the folder of the program that starts
// it; in a build tree, relative to the build folder, which is at most kMostTreeLevels above any
// program or test built there.
constexpr const char* kInstalledDrawing = CARTONIC_INSTALLED_DRAWING;
constexpr const char* kDrawingInTree = CARTONIC_DRAWING_IN_TREE;
constexpr int kMostTreeLevels = 3;
// Descriptors are moved above this before they are handed over, so none is already the number
// it is to become.
constexpr int kAboveHandedOver = 10;
// After its channel closes, how long the drawing program has to end before it is stopped, and
// how often it is looked for meanwhile.
constexpr auto kEndingGrace = std::chrono::milliseconds(500);
constexpr auto kEndingPoll = std::chrono::milliseconds(1);
constexpr const char* kStrangeAnswer =
    "the drawing program answered with something else than a drawing";

std::atomic<DrawingWait*> installedWait{nullptr};
// DrawingWaitPause objects alive on this thread.
thread_local int waitPauses = 0;

// The loader's bounds: the largest picture a document is drawn at, and the memory beside it for
// the document's own structures, which a hostile one can make take any amount.
const DrawingBounds kLoaderBounds{
    QSize(kMaxVectorSide, kMaxVectorSide), kMaxImageLoadBytes, kMaxDrawingSeconds, {}};

bool runnable(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

Result<std::string> installedDrawingProgram() {
    std::string self(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= self.size()) {
        return Status::unavailable("cannot find the drawing program: this program's own path "
                                   "cannot be read (is /proc mounted?)");
    }
    self.resize(static_cast<std::size_t>(n));
    return drawingProgramFor(self);
}

// The installed DrawingWait for one drawing: began() once the drawing has gone on for an
// interval, waiting() each interval after, and ended() at the end when began() came.
class Waiting {
public:
    Waiting() = default;
    ~Waiting() {
        if (began_) {
            wait_->ended();
        }
    }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

    // When the wait is next due; never without one.
    Clock::time_point due() const { return wait_ ? next_ : Clock::time_point::max(); }

    // Calls the wait when it is due; false when it stops the drawing.
    bool goOn() {
        if (!wait_ || Clock::now() < next_) {
            return true;
        }
        if (!began_) {
            began_ = true;
            wait_->began();
        }
        const bool more = wait_->waiting();
        next_ = Clock::now() + kDrawingWaitInterval;
        return more;
    }

private:
    DrawingWait* wait_ = waitPauses > 0 ? nullptr : installedWait.load();
    Clock::time_point next_ = Clock::now() + kDrawingWaitInterval;
    bool began_ = false;
};

// One run of the drawing program: started, talked to until its deadline, and killed and waited
// for at the end, whatever happened.
class DrawingRun {
public:
    explicit DrawingRun(int seconds)
        : seconds_(seconds), deadline_(Clock::now() + std::chrono::seconds(seconds)) {}
    ~DrawingRun() { stop(); }
    DrawingRun(const DrawingRun&) = delete;
    DrawingRun& operator=(const DrawingRun&) = delete;

    Status start(const std::string& program, int document) {
        int pair[2] = {-1, -1};
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            return Status::unavailable("cannot start the drawing program: " + errnoText());
        }
        channel_.reset(pair[0]);
        const FileDescriptor theirs(pair[1]);
        const FileDescriptor channel(::fcntl(theirs.get(), F_DUPFD_CLOEXEC, kAboveHandedOver));
        const FileDescriptor file(::fcntl(document, F_DUPFD_CLOEXEC, kAboveHandedOver));
        if (!channel.valid() || !file.valid()) {
            return Status::unavailable("cannot start the drawing program: " + errnoText());
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, channel.get(), kDrawingChannel);
        posix_spawn_file_actions_adddup2(&actions, file.get(), kDrawingDocument);
        std::string name = program;
        char* argv[] = {name.data(), nullptr};
        const int spawned = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            return Status::unavailable("cannot start the drawing program " + program + ": " +
                                       errnoText(spawned));
        }
        return {};
    }

    Status send(const void* data, std::size_t size) {
        return transfer(static_cast<char*>(const_cast<void*>(data)), size, true);
    }
    Status receive(void* data, std::size_t size) {
        return transfer(static_cast<char*>(data), size, false);
    }

    // Kills the drawing program, if it still runs, and waits for it.
    void stop() {
        channel_.reset();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
        }
    }

private:
    Status transfer(char* at, std::size_t size, bool sending) {
        while (size > 0) {
            if (Clock::now() >= deadline_) {
                stop();
                return Status::tooLarge("the drawing program took more than " +
                                        std::to_string(seconds_) + " s");
            }
            if (!waiting_.goOn()) {
                stop();
                return Status::cancelled("the drawing was cancelled");
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                std::min(deadline_, waiting_.due()) - Clock::now());
            pollfd wanted{channel_.get(), static_cast<short>(sending ? POLLOUT : POLLIN), 0};
            const int ready = ::poll(
                &wanted, 1, static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT_MAX)));
            if (ready < 0 && errno != EINTR) {
                return lost(errno);
            }
            if (ready <= 0) {
                continue;
            }
            const ssize_t done = sending
                                     ? ::send(channel_.get(), at, size, MSG_NOSIGNAL | MSG_DONTWAIT)
                                     : ::recv(channel_.get(), at, size, MSG_DONTWAIT);
            if (done < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
                continue;
            }
            if (done == 0 || (done < 0 && (errno == EPIPE || errno == ECONNRESET))) {
                return ended();
            }
            if (done < 0) {
                return lost(errno);
            }
            at += done;
            size -= static_cast<std::size_t>(done);
        }
        return {};
    }

    Status lost(int error) {
        stop();
        return Status::unavailable("cannot reach the drawing program: " + errnoText(error));
    }

    // Why the drawing program stopped, once its channel has closed: it is ending, or has ended.
    Status ended() {
        channel_.reset();
        int how = 0;
        const Clock::time_point giveUp = Clock::now() + kEndingGrace;
        pid_t got = 0;
        while ((got = ::waitpid(pid_, &how, WNOHANG)) == 0 || (got < 0 && errno == EINTR)) {
            if (Clock::now() >= giveUp) {
                stop();
                return Status::unavailable("the drawing program stopped answering");
            }
            std::this_thread::sleep_for(kEndingPoll);
        }
        pid_ = -1;
        const std::string stopped = "the drawing program stopped";
        if (got > 0 && WIFSIGNALED(how)) {
            // Most often the document's doing: a crash in the libraries that read it.
            const int signal = WTERMSIG(how);
            const char* name = ::strsignal(signal);
            return Status::badFormat(stopped + ": killed by signal " + std::to_string(signal) +
                                     (name ? std::string(" (") + name + ")" : std::string()));
        }
        if (got > 0 && WIFEXITED(how) && WEXITSTATUS(how) != 0) {
            return Status::unavailable(stopped + ": exit status " +
                                       std::to_string(WEXITSTATUS(how)));
        }
        return Status::unavailable(stopped + " without a drawing");
    }

    int seconds_;
    Clock::time_point deadline_;
    Waiting waiting_;
    FileDescriptor channel_;
    pid_t pid_ = -1;
};

// A failure's reason as one line.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

// Tells the drawing program what to draw of the document it was handed.
Status sendRequest(DrawingRun& run, const VectorSource& source, const DrawingBounds& bounds) {
    const std::string unnumbered =
        source.unnumberedPage ? source.unnumberedPage->substr(0, kMostDrawingText) : std::string();
    DrawingRequest request;
    request.kind = static_cast<std::int32_t>(source.kind);
    request.page = source.page;
    request.unnumbered = source.unnumberedPage ? 1 : 0;
    request.unnumberedBytes = static_cast<std::uint32_t>(unnumbered.size());
    request.largestWidth = bounds.largest.width();
    request.largestHeight = bounds.largest.height();
    request.addressBytes = bounds.addressBytes;
    request.documentBytes = kMaxImageLoadBytes;
    if (Status sent = run.send(&request, sizeof request); !sent) {
        return sent;
    }
    return run.send(unnumbered.data(), unnumbered.size());
}

// Tells the drawing program the size to draw the document of full size at; asked gets it.
Status answerFullSize(DrawingRun& run, QSize full, const PictureSizeRule& sizeFor,
                      const DrawingBounds& bounds, QSize& asked) {
    if (full.width() < 1 || full.height() < 1) {
        return Status::unavailable(kStrangeAnswer);
    }
    const TextureSize target = sizeFor(full.width(), full.height());
    if (target.width < 1 || target.height < 1 || target.width > bounds.largest.width() ||
        target.height > bounds.largest.height()) {
        return Status::tooLarge("the drawing would be larger than " +
                                std::to_string(bounds.largest.width()) + " x " +
                                std::to_string(bounds.largest.height()) + " pixels");
    }
    asked = QSize(target.width, target.height);
    const DrawingSize size{target.width, target.height};
    return run.send(&size, sizeof size);
}

// The failure reply says, with its reason.
Status receiveFailure(DrawingRun& run, const DrawingReply& reply) {
    if (!isFailureKind(reply.kind) || reply.textBytes > kMostDrawingText) {
        return Status::unavailable(kStrangeAnswer);
    }
    std::string reason(reply.textBytes, '\0');
    if (Status received = run.receive(reason.data(), reason.size()); !received) {
        return received;
    }
    return {static_cast<Status::Kind>(reply.kind),
            reason.empty() ? "the document could not be drawn" : oneLine(reason)};
}

// The pixels of a picture of size, as the drawing program sends them, into picture.
Status receivePicture(DrawingRun& run, QSize size, QImage& picture) {
    QImage drawn(size, QImage::Format_RGBX8888);
    if (drawn.isNull()) {
        return Status::unavailable("no memory for the drawing");
    }
    if (Status received = run.receive(drawn.bits(), static_cast<std::size_t>(drawn.sizeInBytes()));
        !received) {
        return received;
    }
    picture.swap(drawn);
    return {};
}

} // namespace

void setDrawingWait(DrawingWait* wait) {
    installedWait.store(wait);
}

DrawingWaitPause::DrawingWaitPause() {
    ++waitPauses;
}

DrawingWaitPause::~DrawingWaitPause() {
    --waitPauses;
}

Result<std::string> drawingProgramFor(const std::string& self) {
    const std::filesystem::path folder = std::filesystem::path(self).parent_path();
    const std::string installed = (folder / kInstalledDrawing).lexically_normal().string();
    if (runnable(installed)) {
        return installed;
    }
    std::filesystem::path above = folder;
    for (int level = 0; level < kMostTreeLevels && above.has_relative_path(); ++level) {
        above = above.parent_path();
        if (const std::string inTree = (above / kDrawingInTree).string(); runnable(inTree)) {
            return inTree;
        }
    }
    return Status::unavailable("the drawing program is missing: it belongs at " + installed);
}

Status drawInProgram(int document, const VectorSource& source, const PictureSizeRule& sizeFor,
                     const DrawingBounds& bounds, QImage& picture, QSize& full) {
    const Result<std::string> program =
        bounds.program.empty() ? installedDrawingProgram() : Result<std::string>(bounds.program);
    if (!program) {
        return program.status;
    }
    DrawingRun run(bounds.seconds);
    if (Status started = run.start(program.value, document); !started) {
        return started;
    }
    if (Status sent = sendRequest(run, source, bounds); !sent) {
        return sent;
    }
    QSize fullSize;
    QSize asked;
    for (;;) {
        DrawingReply reply;
        if (Status received = run.receive(&reply, sizeof reply); !received) {
            return received;
        }
        if (reply.protocol != kDrawingProtocol) {
            return Status::unavailable(kStrangeAnswer);
        }
        switch (reply.answer) {
        case DrawingAnswer::FullSize:
            if (asked.isValid()) {
                return Status::unavailable(kStrangeAnswer);
            }
            fullSize = QSize(reply.width, reply.height);
            if (Status answered = answerFullSize(run, fullSize, sizeFor, bounds, asked);
                !answered) {
                return answered;
            }
            break;
        case DrawingAnswer::Failure:
            return receiveFailure(run, reply);
        case DrawingAnswer::Picture:
            if (!asked.isValid() || QSize(reply.width, reply.height) != asked) {
                return Status::unavailable(kStrangeAnswer);
            }
            if (Status received = receivePicture(run, asked, picture); !received) {
                return received;
            }
            full = fullSize;
            return {};
        default:
            return Status::unavailable(kStrangeAnswer);
        }
    }
}

Status loadVectorFile(int document, const VectorSource& source, const PictureSizeRule& sizeFor,
                      QImage& picture, QSize& full) {
    return drawInProgram(document, source, sizeFor, kLoaderBounds, picture, full);
}

Status loadVectorBytes(const QByteArray& bytes, const VectorSource& source,
                       const PictureSizeRule& sizeFor, QImage& picture, QSize& full) {
    if (bytes.size() > kMaxImageLoadBytes) {
        return Status::tooLarge("the document is too large: more than " +
                                std::to_string(kMaxImageLoadBytes >> 20) + " MB");
    }
    // The drawing program reads the bytes as it reads a file: from a file of their own, which has
    // no name and goes when the last descriptor of it closes.
    const FileDescriptor held(::memfd_create("cartonic-document", MFD_CLOEXEC));
    if (!held.valid()) {
        return Status::unavailable("cannot hand the document over: " + errnoText());
    }
    if (Status written =
            writeAll(held.get(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
        !written) {
        return Status::unavailable("cannot hand the document over: " + written.message());
    }
    return drawInProgram(held.get(), source, sizeFor, kLoaderBounds, picture, full);
}

} // namespace cartonic
