// The sample bot module "kvbot": every active bot walks forward and turns now and then. It is built
// against bots/kvbot_abi.h alone, as any bot module would be.

#include <cstdint>
#include <vector>

#include "bots/kvbot_abi.h"

namespace {

// Command codes of the soldier: forward, turn left, turn right (positive press, negative release).
constexpr int16_t kForward = 1;
constexpr int16_t kTurnLeft = 3;
constexpr int16_t kTurnRight = 4;
constexpr uint32_t kTurnEvery = 90;  // frames between turns
constexpr uint32_t kTurnFor = 15;    // frames a turn is held

struct sample_bot {
    bool in_use = false;
    bool active = false;
    bool walking = false;
    uint32_t player = 0;
    uint32_t frames = 0;
    int16_t turning = 0;  // the held turn code, 0 none
};

const kvbot_engine_table* g_engine = nullptr;
std::vector<sample_bot> g_bots;

sample_bot* bot_of(uint32_t handle) {
    return handle >= 1 && handle <= g_bots.size() && g_bots[handle - 1].in_use ? &g_bots[handle - 1]
                                                                               : nullptr;
}

void push(kvbot_command_record* record, int16_t code) {
    if (record->count < KVBOT_MAX_CODES) record->codes[record->count++] = code;
}

void level_start(const char*) {
    g_bots.clear();
}

uint32_t create(uint8_t active, const char*) {
    for (std::size_t i = 0; i < g_bots.size(); ++i) {
        if (!g_bots[i].in_use) {
            g_bots[i] = sample_bot{true, active != 0};
            return static_cast<uint32_t>(i + 1);
        }
    }
    if (g_bots.size() >= KVBOT_BAD_HANDLE - 1) return KVBOT_BAD_HANDLE;
    g_bots.push_back(sample_bot{true, active != 0});
    return static_cast<uint32_t>(g_bots.size());
}

void destroy(uint32_t handle) {
    if (sample_bot* b = bot_of(handle)) *b = sample_bot{};
}

// An activated bot sets off anew; a deactivated one lets go of what it held.
void set_active(uint32_t handle, uint8_t flag) {
    sample_bot* b = bot_of(handle);
    if (!b) return;
    b->active = flag != 0;
    b->walking = false;
    b->turning = 0;
    b->frames = 0;
}

void attach(uint32_t handle, uint32_t player) {
    sample_bot* b = bot_of(handle);
    if (!b) return;
    b->player = player;
    if (g_engine)
        reinterpret_cast<kvbot_log_fn>(g_engine->entry[KVBOT_E_LOG])(
            100, "kvbot: bot %u attached to player %u\n", handle, player);
}

void think(uint32_t handle, kvbot_command_record* record) {
    sample_bot* b = bot_of(handle);
    if (!b || !b->active) return;
    record->count = 0;
    if (!b->walking) {
        push(record, kForward);
        b->walking = true;
    }
    ++b->frames;
    if (b->turning && b->frames % kTurnEvery == kTurnFor) {
        push(record, static_cast<int16_t>(-b->turning));
        b->turning = 0;
    } else if (!b->turning && b->frames % kTurnEvery == 0) {
        b->turning = (b->frames / kTurnEvery) % 2 ? kTurnLeft : kTurnRight;
        push(record, b->turning);
    }
    if (record->count == 0) record->count = 1;  // the preset code 0: nothing new
}

const char* console(uint32_t, const char*, const char*) {
    return "__ev_unknown";
}

}  // namespace

extern "C" {

uint32_t GetInterfaceVersion(void) {
    return KVBOT_INTERFACE_VERSION;
}
const char* GetModuleName(void) {
    return "kvbot";
}
uint32_t GetModuleVersion(void) {
    return 0x0100;
}
uint32_t GetModuleID(void) {
    return 0x4B564254;
}
const char* GetModuleDescription(void) {
    return "walks and turns";
}
const char* GetModuleCopyright(void) {
    return "free to use";
}
const char* GetModuleAuthor(void) {
    return "kv developers";
}
const char* GetModuleURL(void) {
    return "none";
}
const char* GetModuleFamily(void) {
    return "kvbot";
}
void Initialize(const kvbot_engine_table* engine) {
    g_engine = engine;
}
void Deinitialize(void) {
    g_bots.clear();
    g_engine = nullptr;
}
void GetModuleInterface(kvbot_module_table* table) {
    table->slot[KVBOT_S_LEVEL_START] = reinterpret_cast<kvbot_fn>(&level_start);
    table->slot[KVBOT_S_CREATE] = reinterpret_cast<kvbot_fn>(&create);
    table->slot[KVBOT_S_DESTROY] = reinterpret_cast<kvbot_fn>(&destroy);
    table->slot[KVBOT_S_SET_ACTIVE] = reinterpret_cast<kvbot_fn>(&set_active);
    table->slot[KVBOT_S_THINK] = reinterpret_cast<kvbot_fn>(&think);
    table->slot[KVBOT_S_ATTACH] = reinterpret_cast<kvbot_fn>(&attach);
    table->slot[KVBOT_S_CONSOLE] = reinterpret_cast<kvbot_fn>(&console);
}

}  // extern "C"
