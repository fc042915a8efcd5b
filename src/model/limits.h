#pragma once

// The limits of what the program makes and takes, each defined here once: the command line's
// option table, the dialogs, the panels and the export checks all read them.

#include <array>

namespace cartonic {

// Box scales, in box units: more than 0, at most this.
inline constexpr float kMaxBoxScale = 50.0f;

// Field of view in whole degrees: the range of the scene panel's slider and of --fov.
inline constexpr int kMinFov = 20;
inline constexpr int kMaxFov = 75;

// A picture's sides, in pixels: the command line's most, and the export dialog's.
inline constexpr int kMaxRenderSide = 8192;
inline constexpr int kMaxExportSide = 2047;

// Samples a pixel a picture may take: one is the aliased picture; smooth pictures, the default
// of every picture made to keep, take kSmoothSamples. Beyond what the context multisamples in one
// pass, a picture is drawn in several.
inline constexpr std::array<int, 7> kSampleCounts = {1, 2, 4, 8, 16, 32, 64};
inline constexpr int kAliasedSamples = kSampleCounts.front();
inline constexpr int kSmoothSamples = 32;

// Frames a turntable may have: enough for a smooth turn at 120 frames a second for 30 seconds.
inline constexpr int kMinTurntableFrames = 1;
inline constexpr int kMaxTurntableFrames = 3600;
// What the application proposes: a frame every 10 degrees.
inline constexpr int kDefaultTurntableFrames = 36;

// Frames a second: more than 0, at most kMaxAnimationFps, and at least what the format holds.
inline constexpr double kDefaultAnimationFps = 24.0;
inline constexpr double kMaxAnimationFps = 120.0;
// The slowest MP4 video: ffmpeg takes a rate as a fraction of numbers up to about a million and
// its MP4 writer fails on frames of some hours, in ways that depend on that fraction; a frame
// every 100 seconds is slower than any turntable wants and far inside both.
inline constexpr double kMinVideoFps = 0.01;

} // namespace cartonic
