#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cartonic::bench {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<char*> argvOf(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv) {
        out.push_back(const_cast<char*>(a.c_str()));
    }
    out.push_back(nullptr);
    return out;
}

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1) {
        return *middle;
    }
    return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

bool exitedWell(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

double timed(const std::function<bool()>& work) {
    const Clock::time_point start = Clock::now();
    const bool ok = work();
    const double seconds = secondsSince(start);
    return ok ? seconds : -1.0;
}

void timePairs(benchmark::State& state, const std::function<double()>& figure,
               const std::function<double()>& reference) {
    double figureTotal = 0.0;
    double referenceTotal = 0.0;
    bool figureFirst = true;
    for (auto _ : state) {
        double f = 0.0;
        double r = 0.0;
        if (figureFirst) {
            f = figure();
            r = reference();
        } else {
            r = reference();
            f = figure();
        }
        figureFirst = !figureFirst;
        if (f < 0 || r < 0) {
            state.SkipWithError(f < 0 ? "the figure's run failed" : "the reference's run failed");
            return;
        }
        state.SetIterationTime(f);
        figureTotal += f;
        referenceTotal += r;
    }
    const auto perIteration = [&state](double seconds) {
        return benchmark::Counter(seconds * 1e3, benchmark::Counter::kAvgIterations);
    };
    state.counters["figure_ms"] = perIteration(figureTotal);
    state.counters["reference_ms"] = perIteration(referenceTotal);
    state.counters["ratio"] = referenceTotal > 0 ? figureTotal / referenceTotal : 0.0;
}

void timeMedians(benchmark::State& state, const std::function<double()>& figure,
                 const std::function<double()>& reference) {
    std::vector<double> figures;
    std::vector<double> references;
    for (auto _ : state) {
        const double f = figure();
        const double r = reference();
        if (f < 0 || r < 0) {
            state.SkipWithError(f < 0 ? "the figure's run failed" : "the reference's run failed");
            return;
        }
        state.SetIterationTime(f);
        figures.push_back(f);
        references.push_back(r);
    }
    const double f = median(figures);
    const double r = median(references);
    state.counters["figure_ms"] = f * 1e3;
    state.counters["reference_ms"] = r * 1e3;
    state.counters["ratio"] = r > 0 ? f / r : 0.0;
}

std::string inputDir() {
    const char* dir = std::getenv("CARTONIC_BENCH_DIR");
    if (!dir || !*dir) {
        std::fprintf(stderr, "CARTONIC_BENCH_DIR is not set: run scripts/bench.sh, which makes "
                             "the inputs and sets it\n");
        std::exit(2);
    }
    return dir;
}

std::string inputPath(const std::string& name) {
    return inputDir() + "/" + name;
}

double runTimed(const std::vector<std::string>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args = argvOf(argv);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1.0;
    }
    const bool ok = exitedWell(pid);
    const double seconds = secondsSince(start);
    return ok ? seconds : -1.0;
}

double runUntilFirstOutput(const std::vector<std::string>& argv) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return -1.0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<char*> args = argvOf(argv);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return -1.0;
    }
    char byte = 0;
    ssize_t got = 0;
    do {
        got = ::read(pipeEnds[0], &byte, 1);
    } while (got < 0 && errno == EINTR);
    const double seconds = secondsSince(start);
    ::close(pipeEnds[0]);
    const bool ok = exitedWell(pid);
    return ok && got == 1 ? seconds : -1.0;
}

long long residentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) {
        return -1;
    }
    long long size = 0;
    long long resident = -1;
    if (std::fscanf(statm, "%lld %lld", &size, &resident) != 2) {
        resident = -1;
    }
    std::fclose(statm);
    return resident < 0 ? -1 : resident * ::sysconf(_SC_PAGESIZE);
}

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return t.tv_sec + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace cartonic::bench
