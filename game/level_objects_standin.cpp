// Until the cameras and doors arrive, their classes only keep their fields: they are not made by the
// factory, and their operations do nothing but store what they are given.

#include "game/kvcamera.h"
#include "game/kvdoor.h"

namespace kv {

kvloose_camera::kvloose_camera(arty_factory& factory, const arty_description& description)
    : arty(factory, description) {}
void kvloose_camera::tick(int32_t) {}
void kvloose_camera::view_setup(const vec3& position, const vec3& forward, const vec3& up,
                                placement_sector* sector) {
    placement_set(place, position, forward, up, sector);
}
int32_t kvloose_camera::input(bool, int32_t) {
    return -1;
}
void kvloose_camera::view_update() {}

void camera_freeze(kvloose_camera& camera) {
    camera.frozen = 1;
}
void camera_unfreeze(kvloose_camera& camera) {
    camera.frozen = 0;
}
void camera_clear_keys(kvloose_camera& camera) {
    camera.key_bits = 0;
}

kvbound_camera::kvbound_camera(arty_factory& factory, const arty_description& description)
    : kvloose_camera(factory, description) {}
void kvbound_camera::tick(int32_t) {}
void kvbound_camera::view_setup(const vec3& position, const vec3& forward, const vec3& up,
                                placement_sector* sector) {
    kvloose_camera::view_setup(position, forward, up, sector);
}
int32_t kvbound_camera::input(bool, int32_t) {
    return -1;
}
void kvbound_camera::view_update() {}

void kvbound_camera_attach(kvbound_camera& camera, being* followed) {
    camera.key_bits = 0;
    camera.followed = followed;
}
being* kvbound_camera_detach(kvbound_camera& camera) {
    being* was = camera.followed;
    camera.key_bits = 0;
    camera.followed = nullptr;
    return was;
}

kvcable_camera::kvcable_camera(arty_factory& factory, const arty_description& description)
    : kvloose_camera(factory, description), yaw(3.14159274f) {}
void kvcable_camera::tick(int32_t) {}
int32_t kvcable_camera::input(bool, int32_t) {
    return -1;
}

kvstatic_camera::kvstatic_camera(arty_factory& factory, const arty_description& description)
    : kvloose_camera(factory, description) {
    arty_read_keys(description,
                   {{"mode:", 1, [this](const token_list& l, int i) { arty_value_integer(l, i, mode); }}});
}
void kvstatic_camera::tick(int32_t) {}
int32_t kvstatic_camera::input(bool, int32_t) {
    return -1;
}

kvdoor::kvdoor(arty_factory& factory, const arty_description& description)
    : arty(factory, description), maximum_angle(0.0f), speed(0.0f) {}
void kvdoor::tick(int32_t) {}
void kvdoor_reset(kvdoor& door) {
    door.moving = 0;
    door.angle = 0.0f;
}

}  // namespace kv
