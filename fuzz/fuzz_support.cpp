#include "fuzz_support.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

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

void quietMessages() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

void broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", what, file, line);
    std::abort();
}

} // namespace cartonic::fuzz
