#include "game/arty_factory.h"

#include <utility>

#include "data/package.h"
#include "game/kvactor.h"
#include "game/kvcamera.h"
#include "game/kvdoor.h"
#include "game/kvgame.h"
#include "game/kvgoal.h"
#include "game/kvlevel.h"
#include "game/kvproximity_sensor.h"
#include "game/kvrotator.h"
#include "game/kvspawn_point.h"
#include "kernel/log.h"
#include "ui/kvscreen.h"

namespace kv {
namespace {

constexpr uint32_t kGroupStep = 0x10000;
constexpr uint32_t kGroupMask = 0x3FFF0000;
constexpr uint32_t kSequenceMask = 0xFFFF;

template <class T>
std::unique_ptr<arty> make(arty_factory& factory, const arty_description& description) {
    return std::make_unique<T>(factory, description);
}

int32_t post(arty_factory& factory, arty_id target, arty_message kind, uintptr_t argument) {
    arty* receiver = arty_factory_find(factory, target);
    return receiver ? receiver->message(kind, argument) : 0;
}

uintptr_t code_argument(int32_t code) {
    return static_cast<uint32_t>(code);
}

int32_t post_command(arty_factory& factory) {
    arty* receiver = arty_factory_find(factory, factory.game_arty);
    if (!receiver) return factory.command.code;
    const int32_t answer = receiver->message(kArtyCommand, reinterpret_cast<uintptr_t>(&factory.command));
    factory.command.code = answer;
    return answer;
}

}  // namespace

std::vector<arty_class> arty_class_table() {
    return {
        {"kvgame", make<kvgame>},
        {"kvloose_camera", make<kvloose_camera>},
        {"kvbound_camera", make<kvbound_camera>},
        {"kvcable_camera", make<kvcable_camera>},
        {"kvstatic_camera", make<kvstatic_camera>},
        {"kvspawn_point", make<kvspawn_point>},
        {"kvlevel", make<kvlevel>},
        {"kvscreen", kvscreen_create},
        {"kvrotator", make<kvrotator>},
        {"kvproximity_sensor", make<kvproximity_sensor>},
        {"kvactor", make<kvactor>},
        {"kvgoal", make<kvgoal>},
        {"kvdoor", make<kvdoor>},
    };
}

arty_factory::arty_factory(server* owner_server) : owner(owner_server), classes(arty_class_table()) {
    registry.owner = this;
}

arty_factory::~arty_factory() {
    arty_registry_destroy(registry);
}

void arty_registry_destroy(arty_registry& registry) {
    // Arties may call the factory while they go, so each leaves the registry before it is destroyed.
    int32_t erased = 0;
    while (!registry.entries.empty()) {
        auto node = registry.entries.extract(registry.entries.begin());
        node.mapped().object.reset();
        ++erased;
    }
    log_write("C++ Factory: %d arties forcibly erased.\n", erased);
    registry.callbacks.clear();
}

std::unique_ptr<arty> arty_factory_create(arty_factory& factory, const std::string& class_name,
                                          const arty_description& description) {
    for (const arty_class& c : factory.classes) {
        if (c.name != class_name) continue;
        return c.make ? c.make(factory, description) : nullptr;
    }
    return nullptr;
}

bool arty_registry_spawn_one(arty_registry& registry, uint32_t group, const arty_description& description) {
    arty_factory& factory = *registry.owner;
    const arty_id id = group | factory.sequence;
    factory.sequence = (factory.sequence + 1) & kSequenceMask;
    factory.current_id = id;
    std::unique_ptr<arty> made = arty_factory_create(factory, description.class_name, description);
    if (!made) return false;
    // Ids are unique: one still held after the numbering went all the way round keeps its arty.
    const auto [it, added] = registry.entries.try_emplace(id);
    if (!added) return false;
    it->second.description = &description;
    it->second.object = std::move(made);
    it->second.use_count = 1;
    return true;
}

bool arty_registry_release(arty_registry& registry, arty_id id) {
    const auto it = registry.entries.find(id);
    // One at 0 already waits for the collect; counting below 0 would wrap and keep it for good.
    if (it == registry.entries.end() || it->second.use_count == 0) return false;
    return --it->second.use_count == 0;
}

int32_t arty_registry_spawn(arty_registry& registry, uint32_t group, arty_description* const* descriptions,
                            int32_t count) {
    int32_t spawned = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (descriptions[i] && arty_registry_spawn_one(registry, group, *descriptions[i])) ++spawned;
    }
    return spawned;
}

uint32_t arty_factory_spawn_group(arty_factory& factory, arty_description* const* descriptions,
                                  int32_t count) {
    const uint32_t group = (factory.last_group + kGroupStep) & kGroupMask;
    factory.last_group = group;
    if (arty_registry_spawn(factory.registry, group, descriptions, count) < count)
        log_write("factory: *WARNING* Not all arties were spawned.\n");
    return group;
}

int32_t arty_factory_erase_group(arty_factory& factory, uint32_t base) {
    std::vector<arty_id> members;
    for (const auto& [id, entry] : factory.registry.entries) {
        if ((id & kGroupMask) == base) members.push_back(id);
    }
    int32_t released = 0;
    for (const arty_id id : members) {
        if (arty_registry_release(factory.registry, id)) ++released;
    }
    return released;
}

int32_t arty_factory_collect(arty_factory& factory) {
    std::vector<arty_id> dead;
    for (const auto& [id, entry] : factory.registry.entries) {
        if (entry.use_count == 0) dead.push_back(id);
    }
    for (const arty_id id : dead) {
        auto node = factory.registry.entries.extract(id);
        node.mapped().object.reset();
    }
    return static_cast<int32_t>(dead.size());
}

void arty_factory_clear_callbacks(arty_factory& factory) {
    factory.registry.callbacks.clear();
}

int32_t arty_factory_add_callback(arty_factory& factory, int32_t period) {
    factory.registry.callbacks.push_back({factory.current_id, period, 0});
    return static_cast<int32_t>(factory.registry.callbacks.size());
}

void arty_registry_tick(arty_registry& registry, const timer& tick_timer) {
    std::vector<timed_callback>& callbacks = registry.callbacks;
    // By index: a tick may spawn arties and so add callbacks.
    for (std::size_t i = 0; i < callbacks.size();) {
        arty* target = arty_factory_find(*registry.owner, callbacks[i].id);
        if (!target) {
            callbacks.erase(callbacks.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        const int32_t elapsed = callbacks[i].accumulated_ms + timer_elapsed_ms(tick_timer);
        callbacks[i].accumulated_ms = 0;
        target->tick(elapsed);
        ++i;
    }
}

void arty_factory_tick(arty_factory& factory, int32_t) {
    if (!factory.tick_timer) factory.tick_timer = std::make_unique<timer>();
    arty_registry_tick(factory.registry, *factory.tick_timer);
    timer_restart(*factory.tick_timer);
}

void arty_factory_set_input_target(arty_factory& factory) {
    factory.input_target = factory.current_id;
}

void arty_factory_set_game_arty(arty_factory& factory) {
    factory.game_arty = factory.current_id;
}

arty* arty_factory_find(const arty_factory& factory, arty_id id) {
    const auto it = factory.registry.entries.find(id);
    return it == factory.registry.entries.end() ? nullptr : it->second.object.get();
}

arty_id arty_factory_find_id_by_name(const arty_factory& factory, const std::string& name) {
    for (const auto& [id, entry] : factory.registry.entries) {
        if (entry.description && entry.description->instance_name == name) return id;
    }
    return kNoArty;
}

std::vector<arty_id> arty_factory_list_ids_by_prefix(const arty_factory& factory, const std::string& prefix) {
    std::vector<arty_id> ids;
    for (const auto& [id, entry] : factory.registry.entries) {
        if (entry.description && entry.description->instance_name.starts_with(prefix)) ids.push_back(id);
    }
    return ids;
}

int32_t arty_factory_post_key_down(arty_factory& factory, int32_t code) {
    return post(factory, factory.input_target, kArtyKeyDown, code_argument(code));
}

int32_t arty_factory_post_key_up(arty_factory& factory, int32_t code) {
    return post(factory, factory.input_target, kArtyKeyUp, code_argument(code));
}

int32_t arty_factory_post_event(arty_factory& factory, int32_t event) {
    return post(factory, factory.game_arty, kArtyGameEvent, code_argument(event));
}

int32_t arty_factory_post_command_text(arty_factory& factory, int32_t code, const std::string& text) {
    factory.command.code = code;
    factory.command.first = text;
    return post_command(factory);
}

int32_t arty_factory_post_command_int(arty_factory& factory, int32_t code, int32_t value) {
    factory.command.code = code;
    factory.command.integer = value;
    return post_command(factory);
}

int32_t arty_factory_post_command_int_text(arty_factory& factory, int32_t code, int32_t value,
                                           const std::string& text) {
    factory.command.code = code;
    factory.command.integer = value;
    factory.command.first = text;
    return post_command(factory);
}

int32_t arty_factory_post_command_texts(arty_factory& factory, int32_t code, const std::string& first,
                                        const std::string& second) {
    factory.command.code = code;
    factory.command.first = first;
    factory.command.second = second;
    return post_command(factory);
}

}  // namespace kv
