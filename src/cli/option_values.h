#pragma once

// The values cartonic-render's options take, read from their text: whole text or nothing, so
// that "4x" is no 4 and "1,2" no box.

#include <array>
#include <string>
#include <string_view>

namespace cartonic {

// A whole number, optionally with a leading '+'.
bool parseInt(std::string_view text, int& out);

// A finite number, optionally with a leading '+'.
bool parseFloat(std::string_view text, float& out);
bool parseFloat(std::string_view text, double& out);

// "W,D,H": box scales, each in (0, kMaxBoxScale].
bool parseBox(std::string_view text, std::array<float, 3>& out);

// "WxH" (or "WXH"): a picture size, each side 1..kMaxRenderSide pixels.
bool parseSize(std::string_view text, int& width, int& height);

// The slot of a face name ("Top" .. "Left", any case), or -1.
int faceSlotForName(std::string_view name);

// "NAME=VALUE" with a face name: its slot and the text after the first '='. False when there is
// no '=' or no such face.
bool splitFaceAssignment(std::string_view text, int& slot, std::string_view& value);

// The shortest text that reads back as value: 0.01, not 0.0099999998.
std::string shortestText(float value);

} // namespace cartonic
