#pragma once

// What every fuzz target shares: the input as a file the loaders can open by path, and checks
// that stop the run with a finding when an invariant breaks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cartonic::fuzz {

// Replaces the contents of one in-memory file with the input; returns a path that opens it.
const std::string& inputAsFile(const std::uint8_t* data, std::size_t size);

// Silences Qt's and the decoders' warnings, which would otherwise flood the log, and turns each
// distinct one into a feature (see noteFeature).
void quietMessages();

// The picture decoders are libraries built without coverage instrumentation, so the fuzzer
// cannot see which of their paths an input takes. What it can see stands in: each distinct
// message a decoder gives and each distinct outcome becomes an extra coverage feature, so inputs
// that reach new ones are kept and mutated further.
void noteFeature(std::string_view key);

[[noreturn]] void broken(const char* what, const char* file, int line);

} // namespace cartonic::fuzz

// An invariant of the loader under test; a breach is a finding.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::cartonic::fuzz::broken(#condition, __FILE__, __LINE__);                              \
        }                                                                                          \
    } while (false)
