// The game object's arty lists: active arties ("a-"), goals ("g-", kvgoal.cpp) and doors ("d-"),
// collected once while the level loads and ticked every running frame.

#include "game/arty_factory.h"
#include "game/kvdoor.h"
#include "game/kvgame.h"

namespace kv {
namespace {

// Ticks each arty with the frame time plus the time the arties before it took in this pass.
template <class T>
void tick_list(const std::vector<T*>& list, int32_t elapsed) {
    timer pass;
    for (T* item : list) item->tick(elapsed + timer_elapsed_ms(pass));
}

}  // namespace

void kvgame_collect_active_arties(kvgame& game) {
    arty_factory& factory = *game.factory;
    for (arty_id id : arty_factory_list_ids_by_prefix(factory, "a-")) {
        if (arty* found = arty_factory_find(factory, id)) game.active_arties.push_back(found);
    }
}

void kvgame_collect_doors(kvgame& game) {
    arty_factory& factory = *game.factory;
    for (arty_id id : arty_factory_list_ids_by_prefix(factory, "d-")) {
        if (kvdoor* door = arty_factory_find_as<kvdoor>(factory, id)) game.doors.push_back(door);
    }
}

void kvgame_tick_active_arties(kvgame& game, int32_t elapsed) {
    tick_list(game.active_arties, elapsed);
}

void kvgame_tick_doors(kvgame& game, int32_t elapsed) {
    tick_list(game.doors, elapsed);
}

void kvgame_doors_reset(kvgame& game) {
    for (kvdoor* door : game.doors) kvdoor_reset(*door);
}

}  // namespace kv
