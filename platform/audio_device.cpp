#include "platform/audio_device.h"

#include <cmath>

namespace kv {

float audio_gain(int32_t volume) {
    if (volume <= kAudioSilent) return 0.0f;
    return std::pow(10.0f, static_cast<float>(volume) / 2000.0f);
}

}  // namespace kv
