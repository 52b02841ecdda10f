#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/server.h"

namespace kv {
namespace {

void read_vec3(const token_list& l, int i, vec3& v) {
    arty_value_number(l, i, v.x);
    arty_value_number(l, i + 1, v.y);
    arty_value_number(l, i + 2, v.z);
}

}  // namespace

kvstatic_camera::kvstatic_camera(arty_factory& owner, const arty_description& description)
    : kvloose_camera(owner, description) {
    arty_read_keys(
        description,
        {
            {"sector:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, sector_name); }},
            {"pos:", 3, [this](const token_list& l, int i) { read_vec3(l, i, position); }},
            {"dir:", 3, [this](const token_list& l, int i) { read_vec3(l, i, direction); }},
            {"up:", 3, [this](const token_list& l, int i) { read_vec3(l, i, up); }},
            {"mode:", 1, [this](const token_list& l, int i) { arty_value_integer(l, i, mode); }},
        });
    if (!owner.owner) return;
    server& srv = *owner.owner;
    package* game = server_find_package(srv, srv.game_package);
    if (!game) return;
    sector* s = package_find_sector(*game, sector_name);
    if (s) view_setup(position, direction, up, s);
}

void kvstatic_camera::tick(int32_t) {
    camera_listener_step(*this);
}

int32_t kvstatic_camera::input(bool, int32_t) {
    return -1;
}

}  // namespace kv
