// cartonic-draw: draws one vector document for the program that started it, and ends. That
// program bounds its time and kills it when it has waited long enough; it bounds its own memory.
// The conversation is image/drawing_protocol.h; the drawing, image/vector_pictures.h.

#include "base/file_descriptor.h"
#include "base/regular_file.h"
#include "image/drawing_protocol.h"
#include "image/picture_reduction.h"
#include "image/vector_pictures.h"

#include <QGuiApplication>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace cartonic;

namespace {

// The end of a run whose conversation went wrong: the program that started it sees the exit
// status. Every other run ends with 0, its answer said.
constexpr int kExitConversation = 2;
constexpr const char* kOffscreenPlatform = "offscreen";
constexpr const char* kNoMemory = "not enough memory to draw the document";

// Reads size bytes from the channel; false when it closes first or fails.
bool receive(void* data, std::size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::read(kDrawingChannel, at, size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

void send(const void* data, std::size_t size) {
    if (!writeAll(kDrawingChannel, data, size)) {
        ::_exit(kExitConversation);
    }
}

// Caps the address space at what the program has now plus bytes. Without /proc the cap is left
// off: the deadline still bounds the drawing.
void limitAddressSpace(std::int64_t bytes) {
    char text[64] = {};
    const FileDescriptor statm(::open("/proc/self/statm", O_RDONLY | O_CLOEXEC));
    const ssize_t got = statm.valid() ? ::read(statm.get(), text, sizeof text - 1) : -1;
    if (got <= 0 || bytes <= 0) {
        return;
    }
    const unsigned long long pages = std::strtoull(text, nullptr, 10);
    const auto page = static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
    const rlim_t most = pages * page + static_cast<unsigned long long>(bytes);
    const rlimit limit{most, most};
    ::setrlimit(RLIMIT_AS, &limit);
}

void fail(const Status& status) {
    const std::string& reason = status.message();
    DrawingReply reply;
    reply.kind = static_cast<std::int32_t>(status.kind());
    reply.textBytes =
        static_cast<std::uint32_t>(std::min<std::size_t>(reason.size(), kMostDrawingText));
    send(&reply, sizeof reply);
    send(reason.data(), reply.textBytes);
}

// The size the program asks for the document of full size width x height.
TextureSize askSize(const DrawingRequest& request, int width, int height) {
    DrawingReply reply;
    reply.answer = DrawingAnswer::FullSize;
    reply.width = width;
    reply.height = height;
    send(&reply, sizeof reply);
    DrawingSize size;
    if (!receive(&size, sizeof size) || size.width < 1 || size.height < 1 ||
        size.width > request.largestWidth || size.height > request.largestHeight) {
        ::_exit(kExitConversation);
    }
    return {size.width, size.height};
}

// The document drawn as the request asks, as RGBX with straight colours, as the loader keeps
// every picture.
Status draw(const DrawingRequest& request, const std::optional<std::string>& unnumbered,
            QImage& picture) {
    QByteArray bytes;
    if (Status read = readRegularFile(kDrawingDocument,
                                      FileBound{request.documentBytes, EmptyFile::Refused}, bytes);
        !read) {
        return read;
    }
    const VectorSource source{{}, static_cast<VectorKind>(request.kind), request.page, unnumbered};
    QSize asked;
    QSize full;
    Status drawn = drawVectorDocument(
        bytes, source,
        [&](int width, int height) {
            const TextureSize size = askSize(request, width, height);
            asked = QSize(size.width, size.height);
            return size;
        },
        picture, full);
    if (!drawn) {
        return drawn;
    }
    if (picture.isNull()) {
        return Status::tooLarge(kNoMemory);
    }
    if (picture.size() != asked) {
        return Status::badFormat("the document was drawn at another size than asked for");
    }
    picture.convertTo(QImage::Format_RGBA8888);
    if (picture.isNull()) {
        return Status::tooLarge(kNoMemory);
    }
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            row[x * kRgbaBytes + 3] = 0xff;
        }
    }
    return {};
}

int run() {
    DrawingRequest request;
    if (!receive(&request, sizeof request) || request.protocol != kDrawingProtocol ||
        request.unnumberedBytes > kMostDrawingText ||
        (request.kind != static_cast<std::int32_t>(VectorKind::Svg) &&
         request.kind != static_cast<std::int32_t>(VectorKind::Pdf))) {
        return kExitConversation;
    }
    std::string text(request.unnumberedBytes, '\0');
    if (!receive(text.data(), text.size())) {
        return kExitConversation;
    }
    const std::optional<std::string> unnumbered =
        request.unnumbered ? std::optional<std::string>(text) : std::nullopt;
    // On top of what the toolkit took to start, so that the bound is the document's.
    limitAddressSpace(request.addressBytes);
    QImage picture;
    Status drawn;
    try {
        drawn = draw(request, unnumbered, picture);
    } catch (const std::bad_alloc&) {
        drawn = Status::tooLarge(kNoMemory);
    }
    if (!drawn) {
        fail(drawn);
        return 0;
    }
    DrawingReply reply;
    reply.answer = DrawingAnswer::Picture;
    reply.width = picture.width();
    reply.height = picture.height();
    send(&reply, sizeof reply);
    send(picture.constBits(), static_cast<std::size_t>(picture.sizeInBytes()));
    return 0;
}

QtMessageHandler qtDefaultHandler = nullptr;

// Qt's remarks on a document are collected by the drawing itself and become part of a refusal's
// reason; others would only print lines of their own beside the starting program's. What ends
// the program is said, for whoever reads the starting program's errors.
void quietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if ((type == QtCriticalMsg || type == QtFatalMsg) && qtDefaultHandler) {
        qtDefaultHandler(type, context, text);
    }
}

} // namespace

int main(int argc, char** argv) {
    // Nothing of the starting program's but what it handed over.
    ::close_range(kDrawingDocument + 1, ~0U, 0);
    // Gone with the program that waits for it, should that end first.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The fonts of an SVG's text need a GUI application, which never looks for a display.
    qputenv("QT_QPA_PLATFORM", kOffscreenPlatform);
    qtDefaultHandler = qInstallMessageHandler(quietQtMessages);
    const QGuiApplication application(argc, argv);
    // Nothing of the toolkit's tear-down is needed: the answer is said.
    ::_exit(run());
}
