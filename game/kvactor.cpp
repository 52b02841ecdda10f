#include "game/kvactor.h"

#include "game/arty_factory.h"
#include "game/kvdoor.h"
#include "kernel/log.h"
#include "world/entity_def.h"

namespace kv {

kvactor::kvactor(arty_factory& owner, const arty_description& description) : arty(owner, description) {
    arty_read_keys(
        description,
        {
            {"controller:", 1,
             [this](const token_list& l, int i) { arty_value_string(l, i, controller_name); }},
            {"sensor:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, sensor_name); }},
            {"gi:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, geometry_reference); }},
        });
}

bool kvactor_set_up(kvactor& actor) {
    if (actor.instance) return true;
    arty_factory& factory = *actor.factory;
    if (!actor.driven && !actor.controller_name.empty()) {
        actor.driven = arty_factory_find_by_name_as<controller>(factory, actor.controller_name);
        if (!actor.driven) return false;
    }
    if (!actor.watcher && !actor.sensor_name.empty()) {
        actor.watcher = arty_factory_find_by_name_as<sensor>(factory, actor.sensor_name);
        if (!actor.watcher) return false;
    }
    if (!factory.owner) return false;
    sector* s = nullptr;
    mesh_instance* mi = nullptr;
    if (!level_geometry_find(*factory.owner, actor.geometry_reference, s, mi, actor.warned)) return false;
    actor.where = s;
    actor.instance = mi;
    actor.rest = mi->transform;
    if (actor.driven) actor.driven->make_state(actor.state);
    if (actor.watcher) actor.watcher->set_up(actor.record, *mi);
    return true;
}

void kvactor::tick(int32_t elapsed) {
    if (!kvactor_set_up(*this)) {
        if (!warned) {
            log_write("kv: *WARNING* actor couldn't initialize\n");
            warned = true;
        }
        return;
    }
    if (driven) driven->attach_state(state);
    if (watcher) {
        watcher->test(record, driven, *instance, rest, where);
        if (watcher->started() && driven) driven->start();
        if (watcher->stopped() && driven) driven->stop();
    }
    if (!driven || !driven->is_running()) return;
    driven->tick(elapsed);
    instance->transform = mat4_mul(rest, driven->output);
}

}  // namespace kv
