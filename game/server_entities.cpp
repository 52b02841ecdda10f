#include "game/server_entities.h"

namespace kv {
namespace {

entity_list::iterator find(server& srv, const std::string& name) {
    for (auto it = srv.entities.begin(); it != srv.entities.end(); ++it) {
        if ((*it)->name == name) return it;
    }
    return srv.entities.end();
}

}  // namespace

bool server_entity_select(server& srv, const std::string& name) {
    srv.entity_cursor = find(srv, name);
    if (srv.entity_cursor != srv.entities.end()) return true;
    auto e = std::make_unique<entity>();
    entity_create(*e, name, &srv);
    srv.entity_cursor = srv.entities.insert(srv.entities.end(), std::move(e));
    return false;
}

void server_entity_deselect(server& srv) {
    srv.entity_cursor = srv.entities.end();
}

void server_entity_delete(server& srv) {
    if (srv.entity_cursor == srv.entities.end()) return;
    entity* gone = srv.entity_cursor->get();
    entity_destroy(*gone);
    for (const auto& e : srv.entities) {
        if (e->parent == gone) entity_set_parent(*e, nullptr);
    }
    srv.entities.erase(srv.entity_cursor);
    srv.entity_cursor = srv.entities.end();
}

bool server_entity_set_parent(server& srv, const std::string& name) {
    entity* current = server_entity_current(srv);
    entity* parent = server_entity_find(srv, name);
    if (!current || !parent) return false;
    entity_set_parent(*current, parent);
    return true;
}

entity* server_entity_find(server& srv, const std::string& name) {
    const auto it = find(srv, name);
    return it == srv.entities.end() ? nullptr : it->get();
}

entity* server_entity_current(server& srv) {
    return srv.entity_cursor == srv.entities.end() ? nullptr : srv.entity_cursor->get();
}

bool server_entity_has_thrown(server& srv) {
    const entity* e = server_entity_current(srv);
    return e && e->thrown;
}

void server_entity_set_thrown(server& srv, bool thrown) {
    if (entity* e = server_entity_current(srv)) e->thrown = thrown ? 1 : 0;
}

void server_entity_set_blast_value(server& srv, float value) {
    if (entity* e = server_entity_current(srv)) entity_set_blast_value(*e, value);
}

int32_t server_entity_step_result(server& srv) {
    const entity* e = server_entity_current(srv);
    return e ? e->step_result : 0;
}

}  // namespace kv
