#include "ui/widgets/widget_sound.h"

#include "kernel/kernel.h"
#include "sound/sound_system.h"

namespace kv {

void widget_sound(const char* name) {
    snd_play(kernel_get().sound, 1, name, 0, 0, false);
}

}  // namespace kv
