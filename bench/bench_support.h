#pragma once

// Helpers shared by the benchmark programs: the inputs scripts/bench.sh made, child processes
// timed from outside, and the process's own resident memory and CPU time.

#include <functional>
#include <string>
#include <vector>

namespace benchmark {
class State;
} // namespace benchmark

namespace cartonic::bench {

// Seconds of wall-clock time one call of work takes; negative when work returns false.
double timed(const std::function<bool()>& work);

// Measures a figure against its reference in pairs: each iteration runs both once, in turns
// first, so a busy moment of the machine falls on both sides of the ratio. Each function returns
// its seconds, or a negative number on failure, which ends the benchmark with an error. The
// iteration time is the figure's; the counters are figure_ms, reference_ms (means) and ratio
// (their quotient).
void timePairs(benchmark::State& state, const std::function<double()>& figure,
               const std::function<double()>& reference);

// As timePairs, for a figure whose two sides the machine's load sways more than their order does:
// the runs alternate strictly (figure, reference, figure, ...), and figure_ms and reference_ms are
// each side's median over the iterations, ratio their quotient. A busy moment of the machine
// lengthens a run or two, which the medians leave out, where in means it would move the ratio.
void timeMedians(benchmark::State& state, const std::function<double()>& figure,
                 const std::function<double()>& reference);

// The folder holding the generated inputs: $CARTONIC_BENCH_DIR, which scripts/bench.sh sets.
// Exits with a message when it is not set, so a program run by hand says what it lacks.
std::string inputDir();
// inputDir() + "/" + name.
std::string inputPath(const std::string& name);

// Runs argv (argv[0] looked up in PATH) with its output to /dev/null and waits for it. Returns
// the wall-clock seconds from spawning to its exit, or a negative number when it could not run
// or exited with a failure.
double runTimed(const std::vector<std::string>& argv);

// Runs argv and waits until it writes its first byte to standard output. Returns the wall-clock
// seconds from spawning to that byte (negative on failure); the child is then waited for
// outside the measured span.
double runUntilFirstOutput(const std::vector<std::string>& argv);

// Resident memory of this process in bytes (the kernel's current count, not the peak).
long long residentBytes();
// CPU seconds used so far by this process, all threads, user plus system.
double processCpuSeconds();

} // namespace cartonic::bench
