#pragma once

// Running a piece of a test in a forked child: to drop privileges, change limits or mounts, or
// be killed, without touching the test process. The child reports through its exit status.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <grp.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cartonic::test {

struct ChildResult {
    int status = -1;     // the exit code, or 128 + the signal that ended the child
    long peakRssKb = -1; // the child's peak resident set size
};

inline ChildResult waitForChild(pid_t pid) {
    ChildResult result;
    int status = 0;
    rusage usage{};
    pid_t got;
    do {
        got = ::wait4(pid, &status, 0, &usage);
    } while (got < 0 && errno == EINTR);
    if (got == pid) {
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.peakRssKb = usage.ru_maxrss;
    }
    return result;
}

// Runs body() in a child and waits for it; body returns the child's exit code. The child leaves
// with _exit, so nothing of the test process (output buffers, leak checks) runs twice.
template <class Body>
ChildResult runForked(Body body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    return pid < 0 ? ChildResult{} : waitForChild(pid);
}

// The account that owns nothing, for tests of permissions when running as root.
inline constexpr uid_t kNobody = 65534;

// In a child: gives up root for good, so permission bits apply. False when that fails.
inline bool becomeNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 &&
           ::geteuid() == kNobody;
}

// The resident set size of this process now, in kilobytes.
inline long currentRssKb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace cartonic::test
