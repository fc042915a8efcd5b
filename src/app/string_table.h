#pragma once

// The window's own texts that are no command's (those are in the command table).

namespace cartonic {

inline constexpr const char* kAppTitle = "Cartonic";
inline constexpr const char* kUntitledTitle = "Untitled project";
inline constexpr const char* kReadyText = "Ready";
inline constexpr const char* kAboutText = "Cartonic v1.1";

} // namespace cartonic
