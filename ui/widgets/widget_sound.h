#pragma once
// The interface sounds: played by name through the sound facade without position, on channel 1,
// with no owner and at full volume.

namespace kv {

inline constexpr const char* kSoundChoice = "ui_snd2";   // a choice changed, an edit starts
inline constexpr const char* kSoundToggle = "ui_snd3";   // a check box toggled
inline constexpr const char* kSoundEditEnd = "ui_snd4";  // an edit ends
inline constexpr const char* kSoundRefused = "ui_snd6";  // a disabled widget was used

void widget_sound(const char* name);

}  // namespace kv
