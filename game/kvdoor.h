#pragma once
// Doors: a piece of level geometry that swings about its own vertical axis, open when a player's
// being comes close to either face, never into a being, and shut again three seconds after nobody is
// near, with a positioned sound when it starts from rest. Doors and actors name their geometry
// "sector:geometry" ("gi:").

#include <cstdint>
#include <string>

#include "game/arty.h"
#include "kernel/timer.h"
#include "util/box3.h"
#include "util/mat4.h"

namespace kv {

class sector;
struct mesh_instance;
struct server;

// The sector named before the first ':' (the first found in package-list order) and its last mesh
// instance whose geometry bears the name after it. False when either is missing. Each package that
// lacks the sector says so in the log, unless `quiet` (for retries after a reported failure).
bool level_geometry_find(server& srv, const std::string& reference, sector*& found_sector,
                         mesh_instance*& found_instance, bool quiet = false);

class kvdoor : public arty {
public:
    // Keys: "to:" (degrees, kept as its absolute value), "mode:" ("manual" never closes by itself),
    // "speed:" (degrees per second), "gi:" geometry reference, "snd:" sound name.
    kvdoor(arty_factory& factory, const arty_description& description);

    // The elapsed argument is not used: the door measures time with its own timer.
    void tick(int32_t elapsed) override;

    float angle = 0.0f;   // radians
    float maximum_angle;  // radians
    float speed;          // radians per ms; its sign is the direction of the next swing
    uint8_t manual = 0;   // never closes by itself
    std::string geometry_reference;
    std::string sound_name = "snd-door1";
    sector* door_sector = nullptr;      // not owned; set once set up
    mesh_instance* instance = nullptr;  // not owned
    mat4 rest;                          // the instance's transform as loaded
    mat4 rotation;
    box3 door_box;
    uint8_t moving = 0;
    timer door_timer;
    bool warned = false;  // the failed set-up has been reported
};

// Puts the geometry back to its rest transform (when set up), stops and closes the door.
void kvdoor_reset(kvdoor& door);

}  // namespace kv
