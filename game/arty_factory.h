#pragma once
// The arty factory: makes the level objects ("arties") that packages describe, each under a 32-bit
// id whose bits 16-29 are its spawn group. Packages spawn their descriptions as one group when they
// load and erase that group when they unload. The factory keeps the arties in an id-ordered registry,
// ticks those whose description asks for it ("cb:" followed by an integer), and routes key input to
// the input target and game events and commands to the game arty.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/arty.h"
#include "kernel/timer.h"

namespace kv {

struct arty_description;
struct server;

struct registry_entry {
    const arty_description* description = nullptr;  // owned by its package
    std::unique_ptr<arty> object;
    uint16_t use_count = 1;
};

struct timed_callback {
    arty_id id = kNoArty;
    int32_t period = 0;  // the integer after "cb:"; kept, not otherwise used
    int32_t accumulated_ms = 0;
};

struct arty_registry {
    arty_factory* owner = nullptr;
    std::map<arty_id, registry_entry> entries;
    std::vector<timed_callback> callbacks;  // in the order added
};

// Makes an arty of one class from its description.
using arty_constructor = std::unique_ptr<arty> (*)(arty_factory&, const arty_description&);

struct arty_class {
    std::string name;
    arty_constructor make = nullptr;  // null while the class is not built: the name then makes nothing
};

// The factory's classes, tested in this order; a name matches only when equal in full.
std::vector<arty_class> arty_class_table();

struct arty_factory {
    // `owner`: the world server holding the factory (null for a factory on its own).
    explicit arty_factory(server* owner = nullptr);
    // Destroys every arty still registered, logging how many there were.
    ~arty_factory();
    arty_factory(const arty_factory&) = delete;
    arty_factory& operator=(const arty_factory&) = delete;

    arty_id current_id = kNoArty;  // the id given most recently (while constructing: the arty's own)
    arty_id input_target = kNoArty;
    arty_id game_arty = kNoArty;
    arty_command command;
    arty_registry registry;

    server* owner;
    std::vector<arty_class> classes;  // `arty_class_table()` unless replaced
    // Numbering: the sequence is shared by all groups and never reset; groups advance by 0x10000.
    uint32_t sequence = 0;
    uint32_t last_group = 0;
    std::unique_ptr<timer> tick_timer;  // started by the first tick
};

// Spawns the descriptions in order as one new spawn group and returns the group base.
uint32_t arty_factory_spawn_group(arty_factory& factory, arty_description* const* descriptions,
                                  int32_t count);
// Releases every arty of the group; returns how many reached use count 0. Nothing is destroyed.
int32_t arty_factory_erase_group(arty_factory& factory, uint32_t base);
// Destroys the arties whose use count is 0; returns how many.
int32_t arty_factory_collect(arty_factory& factory);
void arty_factory_clear_callbacks(arty_factory& factory);
// Registers a timed callback for the current id; returns the number of callbacks afterwards.
int32_t arty_factory_add_callback(arty_factory& factory, int32_t period);
// Ticks every timed callback's arty with the milliseconds since the previous factory tick. Callbacks
// whose arty is no longer registered are dropped.
void arty_factory_tick(arty_factory& factory, int32_t ignored);
void arty_factory_set_input_target(arty_factory& factory);
void arty_factory_set_game_arty(arty_factory& factory);

arty* arty_factory_find(const arty_factory& factory, arty_id id);
// The smallest id whose description's instance name equals the text, or kNoArty.
arty_id arty_factory_find_id_by_name(const arty_factory& factory, const std::string& name);
// Ids in ascending order of the arties whose instance name begins with the text.
std::vector<arty_id> arty_factory_list_ids_by_prefix(const arty_factory& factory, const std::string& prefix);

// Lookups for callers that need a particular class: null when the arty is missing or of another class.
template <class T>
T* arty_factory_find_as(const arty_factory& factory, arty_id id) {
    return dynamic_cast<T*>(arty_factory_find(factory, id));
}
template <class T>
T* arty_factory_find_by_name_as(const arty_factory& factory, const std::string& name) {
    return arty_factory_find_as<T>(factory, arty_factory_find_id_by_name(factory, name));
}

// Messages; a missing target gets none and the answer is 0 (for commands: the record's code as the
// sender left it).
int32_t arty_factory_post_key_down(arty_factory& factory, int32_t code);
int32_t arty_factory_post_key_up(arty_factory& factory, int32_t code);
int32_t arty_factory_post_event(arty_factory& factory, int32_t event);
int32_t arty_factory_post_command_text(arty_factory& factory, int32_t code, const std::string& text);
int32_t arty_factory_post_command_int(arty_factory& factory, int32_t code, int32_t value);
int32_t arty_factory_post_command_int_text(arty_factory& factory, int32_t code, int32_t value,
                                           const std::string& text);
int32_t arty_factory_post_command_texts(arty_factory& factory, int32_t code, const std::string& first,
                                        const std::string& second);

// Registry internals, exposed for the factory's own use.
std::unique_ptr<arty> arty_factory_create(arty_factory& factory, const std::string& class_name,
                                          const arty_description& description);
// Spawns the descriptions in order into the group; returns how many arties were made.
int32_t arty_registry_spawn(arty_registry& registry, uint32_t group, arty_description* const* descriptions,
                            int32_t count);
bool arty_registry_spawn_one(arty_registry& registry, uint32_t group, const arty_description& description);
// Decrements the use count; true when it reached 0.
bool arty_registry_release(arty_registry& registry, arty_id id);
// Ticks every timed callback's arty with its accumulated milliseconds plus the tick timer's time.
void arty_registry_tick(arty_registry& registry, const timer& tick_timer);
// Destroys every arty still registered, logging how many entries there were, and drops the
// callbacks. The registry is empty afterwards.
void arty_registry_destroy(arty_registry& registry);

}  // namespace kv
