#include "image/child_drawing.h"

#include "base/file_descriptor.h"
#include "image/picture_reduction.h"

#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cartonic {

namespace {

// What the child says, at the start of the shared mapping; its pixels follow at kPixelsAt.
struct ChildReport {
    Status::Kind kind = Status::Kind::Ok;
    std::int32_t reportedWidth = 0;
    std::int32_t reportedHeight = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    char message[1024] = {};
};
constexpr std::size_t kPixelsAt = 4096;
static_assert(sizeof(ChildReport) <= kPixelsAt);

// The one byte the child writes once its report and pixels are in place.
constexpr char kDone = 1;

std::size_t pageRounded(std::size_t bytes) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

// The mapping a returned picture lives in, unmapped when the last copy of the picture goes.
struct SharedPixels {
    void* base;
    std::size_t length;
};

void releaseShared(void* info) {
    auto* shared = static_cast<SharedPixels*>(info);
    ::munmap(shared->base, shared->length);
    delete shared;
}

// Caps the child's address space at what it has now plus bytes. Without /proc the cap is left
// off: the deadline still bounds the drawing.
void limitAddressSpace(std::int64_t bytes) {
    char text[64] = {};
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) {
        return;
    }
    const unsigned long long pages = std::strtoull(text, nullptr, 10);
    const auto page = static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
    const rlimit limit{pages * page + static_cast<unsigned long long>(bytes),
                       pages * page + static_cast<unsigned long long>(bytes)};
    ::setrlimit(RLIMIT_AS, &limit);
}

void setMessage(ChildReport& report, const std::string& message) {
    const std::size_t n = std::min(message.size(), sizeof report.message - 1);
    std::memcpy(report.message, message.data(), n);
    report.message[n] = '\0';
}

// The child's whole life: draw, put the picture in the mapping as RGBX8888, say so, and go
// without running anything of the parent's at exit.
[[noreturn]] void runChild(const ChildDrawing& draw, const ChildLimits& limits,
                           std::uint8_t* shared, int done) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    limitAddressSpace(limits.addressBytes);
    const QSize largest = limits.largest;
    auto& report = *new (shared) ChildReport;
    Status drawn;
    QImage picture;
    QSize reported;
    try {
        drawn = draw(picture, reported);
        if (drawn && picture.isNull()) {
            drawn = Status::tooLarge("not enough memory to draw the document");
        } else if (drawn &&
                   (picture.width() > largest.width() || picture.height() > largest.height())) {
            drawn = Status::tooLarge("the drawing is larger than asked for");
        }
        if (drawn) {
            // Straight colours, as a picture file holds them; the alpha bytes are then the
            // loader's 255.
            picture.convertTo(QImage::Format_RGBA8888);
            if (picture.isNull()) {
                drawn = Status::tooLarge("not enough memory to draw the document");
            }
        }
    } catch (const std::bad_alloc&) {
        drawn = Status::tooLarge("not enough memory to draw the document");
    }
    if (drawn) {
        const int width = picture.width();
        const std::size_t row = static_cast<std::size_t>(width) * kRgbaBytes;
        for (int y = 0; y < picture.height(); ++y) {
            std::uint8_t* to = shared + kPixelsAt + row * static_cast<std::size_t>(y);
            std::memcpy(to, picture.constScanLine(y), row);
            for (int x = 0; x < width; ++x) {
                to[x * kRgbaBytes + 3] = 0xff;
            }
        }
        report.width = width;
        report.height = picture.height();
        report.reportedWidth = reported.width();
        report.reportedHeight = reported.height();
    } else {
        report.kind = drawn.kind();
        setMessage(report, drawn.message());
    }
    static_cast<void>(writeAll(done, &kDone, 1));
    ::_exit(0);
}

// Waits for the child's byte until the deadline: true when it came, false when the child died
// without it or the deadline passed (*late says which).
bool awaitChild(int done, int seconds, bool* late) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            *late = true;
            return false;
        }
        pollfd waiting{done, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            *late = ready == 0;
            return false;
        }
        char byte = 0;
        ssize_t got;
        do {
            got = ::read(done, &byte, 1);
        } while (got < 0 && errno == EINTR);
        return got == 1 && byte == kDone;
    }
}

} // namespace

Status drawInChild(const ChildDrawing& draw, const ChildLimits& limits, QImage& picture,
                   QSize& reported) {
    const QSize largest = limits.largest;
    const std::size_t pixelBytes = static_cast<std::size_t>(std::max(0, largest.width())) *
                                   static_cast<std::size_t>(std::max(0, largest.height())) *
                                   kRgbaBytes;
    const std::size_t length = kPixelsAt + pageRounded(pixelBytes);
    void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) {
        return Status::unavailable(std::string("no memory for the drawing: ") + errnoText());
    }
    auto* shared = static_cast<std::uint8_t*>(mapped);
    SharedPixels* keep = new SharedPixels{mapped, length};
    const auto fail = [&](Status status) {
        releaseShared(keep);
        return status;
    };
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return fail(Status::unavailable(std::string("cannot draw the document: ") + errnoText()));
    }
    FileDescriptor done(ends[0]);
    FileDescriptor told(ends[1]);
    // A child has only the thread that forked it, but Qt's thread pool would still count on the
    // idle threads it had: work handed to them there (a large picture's conversion) would wait
    // for ever. Without threads at the fork, the child's pool starts threads of its own.
    QThreadPool::globalInstance()->waitForDone();
    const pid_t child = ::fork();
    if (child < 0) {
        return fail(Status::unavailable(std::string("cannot draw the document: ") + errnoText()));
    }
    if (child == 0) {
        done.reset();
        runChild(draw, limits, shared, told.get());
    }
    told.reset();
    bool late = false;
    const bool finished = awaitChild(done.get(), limits.seconds, &late);
    if (!finished) {
        ::kill(child, SIGKILL);
    }
    int how = 0;
    while (::waitpid(child, &how, 0) < 0 && errno == EINTR) {
    }
    if (late) {
        return fail(Status::tooLarge("the document took more than " +
                                     std::to_string(limits.seconds) + " s to draw"));
    }
    if (!finished) {
        return fail(Status::badFormat(
            WIFSIGNALED(how) ? "the document could not be drawn (the drawing stopped with signal " +
                                   std::to_string(WTERMSIG(how)) + ")"
                             : std::string("the document could not be drawn")));
    }
    const ChildReport report = *reinterpret_cast<const ChildReport*>(shared);
    if (report.kind != Status::Kind::Ok) {
        return fail(Status(report.kind, report.message));
    }
    if (report.width < 1 || report.height < 1 || report.width > largest.width() ||
        report.height > largest.height()) {
        return fail(Status::badFormat("the document could not be drawn"));
    }
    // Only the pages the picture uses stay mapped.
    const std::size_t used = kPixelsAt + pageRounded(static_cast<std::size_t>(report.width) *
                                                     report.height * kRgbaBytes);
    if (used < length) {
        ::munmap(shared + used, length - used);
        keep->length = used;
    }
    QImage out(shared + kPixelsAt, report.width, report.height, report.width * kRgbaBytes,
               QImage::Format_RGBX8888, releaseShared, keep);
    if (out.isNull()) {
        return fail(Status::unavailable("no memory for the drawing"));
    }
    picture.swap(out);
    reported = QSize(report.reportedWidth, report.reportedHeight);
    return {};
}

} // namespace cartonic
