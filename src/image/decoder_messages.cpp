#include "image/decoder_messages.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace cartonic {

namespace {

// Enough for a first line; a decoder that says more has said what matters by then.
constexpr std::size_t kReadBytes = 4096;
constexpr std::size_t kLongestLine = 240;

// The collector the Qt handler writes to, and the thread it collects for. The handler is a plain
// function, so they live here.
std::atomic<int> activeSink{-1};
std::atomic<QtMessageHandler> previousHandler{nullptr};
std::thread::id loadingThread;

void writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

void collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const int sink = activeSink.load();
    if (sink >= 0 && type != QtFatalMsg && std::this_thread::get_id() == loadingThread) {
        const QByteArray line = text.toLocal8Bit() + '\n';
        writeAll(sink, line.constData(), static_cast<std::size_t>(line.size()));
    }
    // The handler before hears everything still, as its program wants it; what it prints to
    // standard error meanwhile goes to the sink and is not printed either.
    if (const QtMessageHandler previous = previousHandler.load()) {
        previous(type, context, text);
    }
}

} // namespace

DecoderMessages::DecoderMessages() {
    std::fflush(stderr);
    sink_ = ::memfd_create("decoder-messages", MFD_CLOEXEC);
    saved_ = sink_ >= 0 ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0) : -1;
    if (saved_ < 0 || ::dup2(sink_, STDERR_FILENO) < 0) {
        // Nothing is collected: the decoders speak as they always did.
        if (saved_ >= 0) {
            ::close(saved_);
        }
        if (sink_ >= 0) {
            ::close(sink_);
        }
        sink_ = saved_ = -1;
    }
    loadingThread = std::this_thread::get_id();
    activeSink.store(sink_);
    previous_ = qInstallMessageHandler(collect);
    previousHandler.store(previous_);
}

DecoderMessages::~DecoderMessages() {
    qInstallMessageHandler(previous_);
    activeSink.store(-1);
    previousHandler.store(nullptr);
    if (sink_ >= 0) {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        ::close(sink_);
    }
}

std::string DecoderMessages::first() const {
    if (sink_ < 0) {
        return {};
    }
    char said[kReadBytes];
    ssize_t got;
    do {
        got = ::pread(sink_, said, sizeof said, 0);
    } while (got < 0 && errno == EINTR);
    std::string line;
    for (ssize_t i = 0; i < got; ++i) {
        const auto c = static_cast<unsigned char>(said[i]);
        if (c == '\n') {
            if (line.find_first_not_of(' ') != std::string::npos) {
                break;
            }
            line.clear();
        } else {
            line += c < ' ' || c == 0x7f ? ' ' : static_cast<char>(c);
        }
    }
    // Without the full stop some libraries end with: the line goes inside a sentence.
    const std::size_t from = line.find_first_not_of(' ');
    const std::size_t last = line.find_last_not_of(" .");
    if (from == std::string::npos || last == std::string::npos || last < from) {
        return {};
    }
    line = line.substr(from, last - from + 1);
    if (line.size() > kLongestLine) {
        std::size_t cut = kLongestLine;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut; // not inside a character
        }
        line.resize(cut);
        line += "...";
    }
    return line;
}

} // namespace cartonic
