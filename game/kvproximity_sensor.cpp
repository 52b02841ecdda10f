#include "game/kvproximity_sensor.h"

#include "beings/being.h"
#include "game/arty_factory.h"
#include "game/game_players.h"
#include "game/player_record.h"
#include "world/entity_def.h"
#include "world/geometry.h"

namespace kv {

uintptr_t sensor_id(const sensor_record& record) {
    return reinterpret_cast<uintptr_t>(record.watched);
}

sensor::sensor(arty_factory& owner, const arty_description& description) : arty(owner, description) {}

bool sensor::started() {
    return false;
}

bool sensor::stopped() {
    return false;
}

void sensor::set_up(sensor_record& record, mesh_instance& instance) {
    record.flags[0] = 0;
    record.flags[1] = 0;
    record.watched = instance.geom;
}

kvproximity_sensor::kvproximity_sensor(arty_factory& owner, const arty_description& description)
    : sensor(owner, description) {}

void kvproximity_sensor::set_up(sensor_record& record, mesh_instance& instance) {
    sensor::set_up(record, instance);
    if (instance.geom) record.box = instance.geom->box;
    record.box.min.y -= 80.0f;
    record.box.max.y += 80.0f;
    record.box.max.z += 60.0f;
    game = arty_factory_find_by_name_as<game_players>(*factory, "game");
}

void kvproximity_sensor::test(sensor_record& record, controller*, mesh_instance&, const mat4& rest, sector*) {
    if (!game) return;
    const mat4 inverse = mat4_inverse_affine(rest);
    const vec3 inverse_translation = mat4_row3(inverse);
    box3 zone = record.box;
    zone.min.x -= 50.0f;
    zone.max.x += 50.0f;
    zone.min.z -= 50.0f;
    zone.max.z += 50.0f;
    zone.max.y += 20.0f;
    for (int32_t i = 0;; ++i) {
        being* b = game->player_at(i);
        if (!b) break;
        if (!b->record || !b->record->driven_here) continue;
        const vec3 p = mat4_transform_point(inverse, mat4_row3(b->place.transform));
        bool on = false;
        if (box3_contains_point(zone, p)) {
            const vec3 facing =
                mat4_transform_point(inverse, mat4_row2(b->place.transform)) - inverse_translation;
            on = facing.z < -0.2f;
        }
        being_set_ladder(*b, sensor_id(record), on);
    }
}

}  // namespace kv
