// Until the arty classes exist the factory only hands out spawn groups: it makes no arties and so
// has none to release.

#include "game/arty_factory.h"

namespace kv {
namespace {

constexpr uint32_t kGroupStep = 0x10000;
constexpr uint32_t kGroupMask = 0x3FFF0000;

uint32_t g_last_group = 0;

}  // namespace

uint32_t arty_factory_spawn_group(arty_factory&, arty_description* const*, int32_t) {
    g_last_group = (g_last_group + kGroupStep) & kGroupMask;
    return g_last_group;
}

int32_t arty_factory_erase_group(arty_factory&, uint32_t) {
    return 0;
}

}  // namespace kv
