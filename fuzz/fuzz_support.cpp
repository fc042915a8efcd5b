#include "fuzz_support.h"

#include <QString>
#include <QtGlobal>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

// Read by libFuzzer as coverage beside the compiler's own counters.
extern "C" {
__attribute__((used, section("__libfuzzer_extra_counters")))
std::uint8_t cartonicDecoderFeatures[4096] = {};
}

namespace cartonic::fuzz {

const std::string& inputAsFile(const std::uint8_t* data, std::size_t size) {
    // A memory file: no disk traffic per input, and still a regular file to the loaders.
    static const int fd = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        std::perror("fuzz input file");
        std::abort();
    }
    return path;
}

void noteFeature(std::string_view key) {
    // FNV-1a over the text with its numbers left out: "12 bytes" and "80 bytes" are one path.
    std::uint32_t hash = 2166136261u;
    for (char c : key) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        }
    }
    std::uint8_t& counter = cartonicDecoderFeatures[hash % sizeof cartonicDecoderFeatures];
    if (counter < 255) {
        ++counter;
    }
}

namespace {

// libtiff writes its warnings and errors to stderr itself; its handlers take them instead. The
// library is the one Qt's TIFF plugin loads, found by its name.
void captureTiffMessages() {
    using Handler = void (*)(const char*, const char*, va_list);
    void* tiff = ::dlopen("libtiff.so.6", RTLD_NOW);
    if (!tiff) {
        return;
    }
    const Handler handler = [](const char* module, const char* format, va_list args) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        noteFeature(std::string("tiff:") + (module ? module : "") + text);
    };
    for (const char* setter : {"TIFFSetWarningHandler", "TIFFSetErrorHandler"}) {
        if (auto set = reinterpret_cast<Handler (*)(Handler)>(::dlsym(tiff, setter))) {
            set(handler);
        }
    }
}

} // namespace

void quietMessages() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        noteFeature(std::string(context.category ? context.category : "") + text.toStdString());
    });
    captureTiffMessages();
}

void broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", what, file, line);
    std::abort();
}

} // namespace cartonic::fuzz
