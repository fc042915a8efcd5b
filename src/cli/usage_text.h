#pragma once

// The texts cartonic-render prints instead of rendering: --help, laid out from the option table,
// and --list-presets.

#include <string>

namespace cartonic {

// The --help text.
std::string renderUsage();

// The --list-presets text: a line a product, its name for --preset, its size and what it is.
std::string presetList();

} // namespace cartonic
