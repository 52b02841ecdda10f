#pragma once
// Sensors: arties that an actor lets look at the world each tick. `kvproximity_sensor` marks the
// beings driven by this process that stand at a piece of geometry facing it (ladders).

#include <cstdint>

#include "game/arty.h"
#include "util/box3.h"
#include "util/mat4.h"

namespace kv {

class controller;
class game_players;
class sector;
struct geometry;
struct mesh_instance;

// Kept by the actor. The watched geometry also serves as the sensor's id towards beings.
struct sensor_record {
    uint8_t flags[2] = {};
    box3 box;
    const geometry* watched = nullptr;
};

// The id a sensor gives beings for its record: pointer-sized.
uintptr_t sensor_id(const sensor_record& record);

class sensor : public arty {
public:
    sensor(arty_factory& factory, const arty_description& description);

    virtual bool started();
    virtual bool stopped();
    // Clears the record's flags and watches the instance's geometry.
    virtual void set_up(sensor_record& record, mesh_instance& instance);
    virtual void test(sensor_record& record, controller* driven, mesh_instance& instance, const mat4& rest,
                      sector* where) = 0;
};

class kvproximity_sensor : public sensor {
public:
    // No keys besides "cb:".
    kvproximity_sensor(arty_factory& factory, const arty_description& description);

    // The geometry's box, widened, and the game arty's players (none when "game" is not the game).
    void set_up(sensor_record& record, mesh_instance& instance) override;
    // Tells every being driven here whether it stands at the geometry facing it.
    void test(sensor_record& record, controller* driven, mesh_instance& instance, const mat4& rest,
              sector* where) override;

    const game_players* game = nullptr;  // not owned
};

}  // namespace kv
