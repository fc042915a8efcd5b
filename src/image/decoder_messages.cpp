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

void collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const int sink = activeSink.load();
    if (sink >= 0 && type != QtFatalMsg && std::this_thread::get_id() == loadingThread) {
        const QByteArray line = text.toLocal8Bit() + '\n';
        // What cannot be collected is not said; the load goes on all the same.
        static_cast<void>(writeAll(sink, line.constData(), static_cast<std::size_t>(line.size())));
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
    sink_.reset(::memfd_create("decoder-messages", MFD_CLOEXEC));
    saved_.reset(sink_.valid() ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0) : -1);
    if (!saved_.valid() || ::dup2(sink_.get(), STDERR_FILENO) < 0) {
        // Nothing is collected: the decoders speak as they always did.
        saved_.reset();
        sink_.reset();
    }
    loadingThread = std::this_thread::get_id();
    activeSink.store(sink_.get());
    previous_ = qInstallMessageHandler(collect);
    previousHandler.store(previous_);
}

DecoderMessages::~DecoderMessages() {
    qInstallMessageHandler(previous_);
    activeSink.store(-1);
    previousHandler.store(nullptr);
    if (sink_.valid()) {
        std::fflush(stderr);
        ::dup2(saved_.get(), STDERR_FILENO);
    }
}

std::string DecoderMessages::first() const {
    if (!sink_.valid()) {
        return {};
    }
    char said[kReadBytes];
    ssize_t got;
    do {
        got = ::pread(sink_.get(), said, sizeof said, 0);
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
