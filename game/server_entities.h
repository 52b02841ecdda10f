#pragma once
// The world server's entity list: every animated model instance of the world, addressed by name.
// Callers select an entity by name, which makes it the current entity, apply operations to it through
// the server, and deselect it. The cursor never points at a freed entity.

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "game/server.h"

namespace kv {

// Makes the entity of exactly that name current and answers true; without one, creates it at the end
// of the list, makes it current and answers false.
bool server_entity_select(server& srv, const std::string& name);
void server_entity_deselect(server& srv);
// Destroys the current entity; the cursor goes to the list's end and links to it are cleared.
void server_entity_delete(server& srv);
// Links the current entity to the entity of that name, which supplies its world matrix. False, and
// nothing changes, when no entity bears the name or none is current.
bool server_entity_set_parent(server& srv, const std::string& name);
// The entity of exactly that name, or null: neither creates one nor moves the cursor.
entity* server_entity_find(server& srv, const std::string& name);
// The current entity, or null.
entity* server_entity_current(server& srv);

// Applies an entity operation to the current entity and returns its result; without a current entity
// nothing is done and the result is a default value.
template <class R, class... Params, class... Args>
R server_entity_apply(server& srv, R (*operation)(entity&, Params...), Args&&... args) {
    entity* e = server_entity_current(srv);
    if (!e) {
        if constexpr (std::is_void_v<R>) {
            return;
        } else {
            return R{};
        }
    }
    return operation(*e, std::forward<Args>(args)...);
}

// The current entity's thrown flag (set when its throw trigger fired).
bool server_entity_has_thrown(server& srv);
void server_entity_set_thrown(server& srv, bool thrown);
// The effect level the current entity's shots hand to the blast queue as their spread jitter.
void server_entity_set_blast_value(server& srv, float value);
// The value the current entity's last step check stored.
int32_t server_entity_step_result(server& srv);

}  // namespace kv
