#pragma once
// An actor joins a controller arty, a sensor arty and a piece of level geometry, all named in its
// description: each tick the sensor looks, the controller starts or stops on its word, and the
// running controller's transform moves the geometry.

#include <cstdint>
#include <string>

#include "game/arty.h"
#include "game/kvproximity_sensor.h"
#include "game/kvrotator.h"
#include "util/mat4.h"

namespace kv {

class sector;
struct mesh_instance;

class kvactor : public arty {
public:
    // Keys: "controller:" and "sensor:" instance names (either may be empty), "gi:" geometry reference.
    kvactor(arty_factory& factory, const arty_description& description);

    void tick(int32_t elapsed) override;

    std::string controller_name;
    std::string sensor_name;
    std::string geometry_reference;
    controller* driven = nullptr;       // not owned
    sensor* watcher = nullptr;          // not owned
    mesh_instance* instance = nullptr;  // not owned; set once set up
    sector* where = nullptr;            // not owned
    mat4 rest;
    controller_state state;
    sensor_record record;
    bool warned = false;  // the failed set-up has been reported
};

// Finds the controller, the sensor and the geometry (each once); true when all are there. A name
// that is missing, or names an arty of the wrong kind, fails it.
bool kvactor_set_up(kvactor& actor);

}  // namespace kv
