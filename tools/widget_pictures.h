#pragma once
// The pictures of the demo screens' widgets, drawn here as 32-bit Targa images: the roll's frame and
// its two arrow strips (normal left half, lit right half), the edit box's frame, the check box
// (unchecked left half, checked right half), the slider's track and knob, the counter's ten digits
// side by side, and the selection list's background, highlight, arrows (normal and pressed halves)
// and thumb.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::tools {

inline constexpr const char* kRollFrame = "kvRollFrame";
inline constexpr const char* kRollLeft = "kvRollLeft";
inline constexpr const char* kRollRight = "kvRollRight";
inline constexpr const char* kEditFrame = "kvEditFrame";
inline constexpr const char* kCheckBox = "kvCheckBox";
inline constexpr const char* kSlideTrack = "kvSlideTrack";
inline constexpr const char* kSlideKnob = "kvSlideKnob";
inline constexpr const char* kDigits = "kvDigits";
inline constexpr const char* kListBack = "kvListBack";
inline constexpr const char* kListLight = "kvListLight";
inline constexpr const char* kListUp = "kvListUp";
inline constexpr const char* kListDown = "kvListDown";
inline constexpr const char* kListThumb = "kvListThumb";

struct widget_picture {
    std::string name;  // the texture's name
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // rows from the top
};

std::vector<widget_picture> widget_pictures();
std::vector<uint8_t> widget_picture_targa(const widget_picture& picture);

}  // namespace kv::tools
