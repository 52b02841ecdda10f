#include "game/kvcamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "beings/being.h"
#include "beings/entity.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "sound/ambient_source.h"
#include "tests/game/arty_test_support.h"
#include "tests/game/level_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/input_fake.h"

namespace kv {
namespace {

using tools::token_writer;

constexpr float kPi = std::numbers::pi_v<float>;

void expect_vec(const vec3& got, float x, float y, float z, float tolerance = 1e-3f) {
    EXPECT_NEAR(got.x, x, tolerance);
    EXPECT_NEAR(got.y, y, tolerance);
    EXPECT_NEAR(got.z, z, tolerance);
}

class Camera : public level_test {
protected:
    void SetUp() override {
        level_test::SetUp();
        kvbound_camera_orbit() = bound_camera_orbit();
    }

    template <class T>
    T& spawn(const std::string& class_name, const token_writer& keys = token_writer()) {
        T* camera = descriptions_.spawn<T>(srv_.factory, class_name, "cam", keys);
        EXPECT_NE(camera, nullptr);
        return *camera;
    }

    description_holder descriptions_;
};

TEST_F(Camera, FreeCameraFliesAlongItsAxesAndTurns) {
    auto& cam = spawn<kvloose_camera>("kvloose_camera");
    cam.view_setup({10.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, nullptr);
    cam.input(true, 1);  // forward
    cam.tick(10);
    expect_vec(mat4_row3(cam.place.transform), 10.0f, 0.0f, 10.0f);
    cam.input(true, 11);  // and step left
    cam.tick(10);
    const vec3 side = mat4_row0(cam.place.transform);
    expect_vec(mat4_row3(cam.place.transform), 10.0f - 5.0f * side.x, 0.0f, 20.0f - 5.0f * side.z);
    cam.input(false, 1);
    cam.input(false, 11);
    const mat4 still = cam.place.transform;
    cam.tick(100);
    EXPECT_TRUE(mat4_equal(cam.place.transform, still));

    // A turn pivots about the camera: the position stays and the forward axis turns about up.
    cam.input(true, 3);
    cam.tick(512);  // pi/2
    cam.input(false, 3);
    expect_vec(mat4_row3(cam.place.transform), mat4_row3(still).x, 0.0f, mat4_row3(still).z);
    EXPECT_NEAR(std::fabs(mat4_row2(cam.place.transform).x), 1.0f, 1e-3f);
    EXPECT_NEAR(mat4_row2(cam.place.transform).z, 0.0f, 1e-3f);

    // The mouse turns it too, scaled by the sensitivity.
    const vec3 before = mat4_row2(cam.place.transform);
    fake_input_scope mouse(kernel_get().input_layer);
    di_post_mouse_motion(75, 0);
    kernel_get().input_layer.mouse_sensitivity = 1.0f;
    cam.tick(512);
    const vec3 after = mat4_row2(cam.place.transform);
    EXPECT_NEAR(vec3_dot(before, after), 0.0f, 1e-3f);
}

// Pitched, the camera still turns about its own up axis (it does not roll), and rolls about its own
// forward axis.
TEST_F(Camera, APitchedFreeCameraTurnsAboutItsOwnAxes) {
    auto& cam = spawn<kvloose_camera>("kvloose_camera");
    const float r = std::sqrt(0.5f);
    cam.view_setup({0.0f, 0.0f, 0.0f}, {0.0f, r, r}, {0.0f, r, -r}, nullptr);
    for (const auto& [code, axis] : {std::pair{3, 1}, {9, 2}}) {
        const mat4 before = cam.place.transform;
        cam.input(true, code);
        cam.tick(100);
        cam.input(false, code);
        const vec3 kept = axis == 1 ? mat4_row1(cam.place.transform) : mat4_row2(cam.place.transform);
        const vec3 was = axis == 1 ? mat4_row1(before) : mat4_row2(before);
        EXPECT_NEAR(vec3_dot(kept, was), 1.0f, 1e-4f) << code;
        EXPECT_LT(vec3_dot(mat4_row0(cam.place.transform), mat4_row0(before)), 0.999f) << code;
    }
}

TEST_F(Camera, CodesMapToKeyBitsAndFreezingDropsThem) {
    auto& cam = spawn<kvloose_camera>("kvloose_camera");
    const std::pair<int32_t, uint32_t> codes[] = {
        {1, 0x1},    {2, 0x2},    {3, 0x4},    {4, 0x8},    {7, 0x10}, {8, 0x20}, {9, 0x40}, {10, 0x80},
        {11, 0x100}, {12, 0x200}, {13, 0x400}, {14, 0x800}, {37, 0},   {38, 0},   {5, 0}};
    for (const auto& [code, bit] : codes) {
        camera_clear_keys(cam);
        EXPECT_EQ(cam.input(true, code), -1);
        EXPECT_EQ(cam.key_bits, bit) << code;
        cam.input(false, code);
        EXPECT_EQ(cam.key_bits, 0u) << code;
    }
    cam.input(true, 1);
    camera_freeze(cam);
    const mat4 still = cam.place.transform;
    cam.tick(50);
    EXPECT_EQ(cam.key_bits, 0u);
    EXPECT_TRUE(mat4_equal(cam.place.transform, still));
    camera_unfreeze(cam);
    cam.input(true, 1);
    EXPECT_EQ(cam.key_bits, 0x1u);
}

// The room's hum loops, heard wherever the camera stands.
std::string loop_room_hum(sector& room) {
    ambient_source& hum = *room.ambient_sources.items[0];
    hum.mode = kAmbientLooping;
    hum.max_distance = 1000.0f;
    return str_format("1 hum %u %zu 3d 0 0 0", hum.owner_id, reinterpret_cast<std::size_t>(&room));
}

TEST_F(Camera, ListenerFollowsTheCameraAndAmbientsOfItsSectorOnly) {
    load_level({});
    kernel_sound_probe sound(srv_.data_dir, {"hum"});
    const sound_device& device = *kernel_get().sound.device;
    const std::string hum_playing = loop_room_hum(room());
    auto& cam = spawn<kvloose_camera>("kvloose_camera");
    take_calls();
    cam.tick(10);
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(sound_entries(kernel_get().sound), std::vector<std::string>{});
    EXPECT_EQ(device.current_zone, 0u);

    cam.view_setup({1.0f, 2.0f, 3.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, &room());
    cam.tick(10);
    EXPECT_EQ(sound_entries(kernel_get().sound), std::vector<std::string>{hum_playing});
    EXPECT_EQ(device.current_zone, reinterpret_cast<uintptr_t>(&room()));
    expect_vec(sound.card.listener.position, 1.0f, 2.0f, 3.0f);
    expect_vec(sound.card.listener.top, 0.0f, 1.0f, 0.0f);
    expect_vec(sound.card.listener.front, 0.0f, 0.0f, 1.0f);
    // The camera's tick also runs the sound's frame step: the room's zone fades in.
    clock_.advance_ms(51);
    cam.tick(10);
    EXPECT_EQ(device.zones.at(reinterpret_cast<uintptr_t>(&room())), -4900);
}

TEST_F(Camera, CableCameraOrbitsItsLookAtPoint) {
    auto& cam = spawn<kvcable_camera>("kvcable_camera", token_writer()
                                                            .key("lookat:")
                                                            .integer(100)
                                                            .integer(50)
                                                            .integer(0)
                                                            .key("range:")
                                                            .integer(100)
                                                            .integer(300)
                                                            .key("velocity:")
                                                            .number(0.001f)
                                                            .integer(0));
    EXPECT_EQ(cam.distance, 200.0f);
    cam.tick(0);
    expect_vec(mat4_row3(cam.place.transform), 100.0f, 50.0f, -200.0f);
    expect_vec(mat4_row2(cam.place.transform), 0.0f, 0.0f, 1.0f);
    for (int step = 1; step <= 8; ++step) {
        cam.tick(250);
        const float yaw = kPi + 0.25f * static_cast<float>(step);
        EXPECT_NEAR(cam.yaw, yaw, 1e-4f);
        const vec3 position = mat4_row3(cam.place.transform);
        const vec3 forward = mat4_row2(cam.place.transform);
        expect_vec(position, 100.0f - 200.0f * std::sin(yaw), 50.0f, 200.0f * std::cos(yaw));
        // Always looking at the point.
        expect_vec(position + forward * 200.0f, 100.0f, 50.0f, 0.0f);
    }
    camera_freeze(cam);
    const mat4 still = cam.place.transform;
    cam.tick(250);
    EXPECT_TRUE(mat4_equal(cam.place.transform, still));
}

TEST_F(Camera, CableInputChangesVelocitiesAndDistanceWithinItsRange) {
    auto& cam = spawn<kvcable_camera>("kvcable_camera", token_writer().key("range:").integer(10).integer(12));
    EXPECT_EQ(cam.distance, 11.0f);
    cam.input(true, 7);
    cam.input(true, 7);
    EXPECT_EQ(cam.distance, 10.0f);
    for (int i = 0; i < 3; ++i) cam.input(true, 8);
    EXPECT_EQ(cam.distance, 12.0f);
    cam.input(false, 1);  // releases count for nothing
    cam.input(true, 1);
    cam.input(true, 4);
    EXPECT_FLOAT_EQ(cam.yaw_velocity, 0.0002f);
    EXPECT_FLOAT_EQ(cam.pitch_velocity, -0.0002f);
    camera_freeze(cam);
    EXPECT_EQ(cam.input(true, 1), -1);
    EXPECT_FLOAT_EQ(cam.yaw_velocity, 0.0002f);

    // Without keys: zeros.
    auto& bare = spawn<kvcable_camera>("kvcable_camera");
    expect_vec(bare.look_at, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(bare.range_min, 0.0f);
    EXPECT_EQ(bare.range_max, 0.0f);
    EXPECT_EQ(bare.distance, 0.0f);
    EXPECT_EQ(bare.yaw_velocity, 0.0f);
}

TEST_F(Camera, BoundCameraThirdPersonDistanceGoesFromMinus200ToZero) {
    auto& cam = spawn<kvbound_camera>("kvbound_camera");
    being soldier;
    soldier.name = "pid100";
    soldier.view_flags = kBeingThirdPerson;
    placement_set(soldier.place, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
    kvbound_camera_attach(cam, &soldier);
    EXPECT_EQ(cam.input(true, 8), -1);  // the being does not use it
    EXPECT_EQ(soldier.held, 0u);
    for (int i = 1; i <= 20; ++i) {
        cam.view_update();
        EXPECT_EQ(kvbound_camera_orbit().distance, -200.0f + 10.0f * static_cast<float>(i));
    }
    cam.view_update();
    EXPECT_EQ(kvbound_camera_orbit().distance, 0.0f);
    // Right behind and above the being's eye: (0, 50, 0) from where it stands.
    expect_vec(mat4_row3(cam.place.transform), 0.0f, 50.0f, 0.0f);

    cam.input(false, 8);
    cam.input(true, 7);
    cam.view_update();
    EXPECT_EQ(kvbound_camera_orbit().distance, -10.0f);
    expect_vec(mat4_row3(cam.place.transform), 0.0f, 50.0f, -10.0f);
}

TEST_F(Camera, BoundCameraFollowsTheBeingOrFliesWithoutIt) {
    auto& cam = spawn<kvbound_camera>("kvbound_camera");
    being soldier;
    soldier.name = "pid5";
    soldier.view_model_name = "~pid5";
    soldier.srv = &srv_;
    soldier.player_id = 5;
    srv_.players.emplace_back(5);
    player_record_set(srv_.players.back(), "p5", 0, 0, 0, 0, kSlotPlaying);
    server_entity_select(srv_, "pid5");
    entity* body = server_entity_current(srv_);
    server_entity_deselect(srv_);
    // The being stands at (10, 0, 0); its eyes' frame, 50 above and 20 ahead of it, has the eye bone's
    // axes: x up the neck, y to the body's left.
    mat4_set_translation(soldier.place.transform, 10.0f, 0.0f, 0.0f);
    mat4_set_rotation_z(body->view_model, kPi / 2.0f);
    mat4_set_row3(body->view_model, 0.0f, 50.0f, 20.0f);
    kvbound_camera_attach(cam, &soldier);

    // First person: the eyes' frame turned back a quarter about z, upright again, on the being.
    cam.view_update();
    expect_vec(mat4_row3(cam.place.transform), 10.0f, 50.0f, 20.0f);
    expect_vec(mat4_row0(cam.place.transform), 1.0f, 0.0f, 0.0f);
    expect_vec(mat4_row1(cam.place.transform), 0.0f, 1.0f, 0.0f);

    // A code the being uses is its answer; the camera keeps no bit for it.
    EXPECT_EQ(cam.input(true, 1), 1);
    EXPECT_EQ(cam.key_bits, 0u);
    EXPECT_EQ(soldier.held, kHoldForward);

    // With a being the camera's own tick does nothing; the view set-up places the being.
    cam.view_setup({1.0f, 2.0f, 3.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, nullptr);
    expect_vec(mat4_row3(soldier.place.transform), 1.0f, 2.0f, 3.0f);

    EXPECT_EQ(kvbound_camera_detach(cam), &soldier);
    cam.view_setup({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, nullptr);
    cam.input(true, 1);
    cam.tick(10);
    expect_vec(mat4_row3(cam.place.transform), 0.0f, 0.0f, 10.0f);
    camera_freeze(cam);
    EXPECT_EQ(cam.input(true, 2), -1);
    cam.tick(10);
    expect_vec(mat4_row3(cam.place.transform), 0.0f, 0.0f, 10.0f);
}

TEST_F(Camera, StaticCameraStandsInItsSectorOfTheGamePackage) {
    load_level({{"kvstatic_camera", "scam1",
                 token_writer()
                     .key("sector:")
                     .str("room")
                     .key("pos:")
                     .integer(1)
                     .integer(2)
                     .integer(3)
                     .key("dir:")
                     .integer(1)
                     .integer(0)
                     .integer(0)
                     .key("up:")
                     .integer(0)
                     .integer(1)
                     .integer(0)
                     .key("mode:")
                     .integer(1)},
                {"kvstatic_camera", "scam2",
                 token_writer().key("sector:").str("hall").key("pos:").integer(1).integer(2).integer(3)}});
    kernel_sound_probe sound(srv_.data_dir, {"hum"});
    const std::string hum_playing = loop_room_hum(room());
    auto* placed = find<kvstatic_camera>("scam1");
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->place.sector, &room());
    expect_vec(mat4_row3(placed->place.transform), 1.0f, 2.0f, 3.0f);
    expect_vec(mat4_row2(placed->place.transform), 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(placed->mode, 1);

    auto* lost = find<kvstatic_camera>("scam2");
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(lost->place.sector, nullptr);
    EXPECT_TRUE(mat4_is_identity(lost->place.transform));
    EXPECT_EQ(lost->mode, kStaticCameraNoMode);
    EXPECT_NE(log().find("server: No sector `level:hall' found.\n"), std::string::npos);

    // Input moves nothing; the tick only moves the listener, frozen or not.
    EXPECT_EQ(placed->input(true, 1), -1);
    camera_freeze(*placed);
    take_calls();
    placed->tick(10);
    EXPECT_EQ(sound.take(), std::vector<std::string>{hum_playing});
    expect_vec(mat4_row3(placed->place.transform), 1.0f, 2.0f, 3.0f);
}

}  // namespace
}  // namespace kv
