// The engine table as modules call it.

#include "bots/engine_table.h"

#include <gmock/gmock.h>

#include <cstring>

#include "game/server_entities.h"
#include "tests/bots/bot_test_support.h"

namespace kv {
namespace {

using ::testing::HasSubstr;

class EngineTable : public bot_test {
protected:
    void SetUp() override {
        bot_test::SetUp();
        start();
    }
};

TEST_F(EngineTable, LevelledLogWritesAboveTheLevelWithItsStamp) {
    const auto log_entry = entry<kvbot_log_fn>(KVBOT_E_LOG);
    const auto set_level = entry<kvbot_set_log_level_fn>(KVBOT_E_SET_LOG_LEVEL);
    clear_log();
    log_entry(50, "quiet %d\n", 1);
    EXPECT_EQ(log(), "");
    log_entry(51, "loud %d\n", 2);
    // "[<seconds>s<milliseconds>] " and the text.
    const std::string text = log();
    const std::size_t close = text.find("] ");
    ASSERT_NE(close, std::string::npos) << text;
    EXPECT_EQ(text.substr(close), "] loud 2\n");
    EXPECT_EQ(text[0], '[');
    EXPECT_EQ(text.substr(1, close - 1).find_first_not_of("0123456789s"), std::string::npos) << text;
    // Levels outside 0..1000 are refused and change nothing.
    for (const int32_t bad : {1001, -1}) EXPECT_EQ(set_level(bad), 1);
    EXPECT_EQ(host_->log_level, 50);
    EXPECT_EQ(set_level(1000), 0);
    clear_log();
    log_entry(255, "x\n");
    EXPECT_EQ(log(), "");
    // A text longer than the buffer is cut, never overrun.
    set_level(0);
    const std::string huge(20000, 'a');
    log_entry(1, "%s", huge.c_str());
    EXPECT_NE(log().find(std::string(16383, 'a') + ""), std::string::npos);
    EXPECT_EQ(log().find(std::string(16384, 'a')), std::string::npos);
}

TEST_F(EngineTable, DebugListsReuseFreedRecords) {
    const auto add = entry<kvbot_line_add_fn>(KVBOT_E_LINE_ADD);
    const auto free_line = entry<kvbot_free_fn>(KVBOT_E_LINE_FREE);
    const float a[3] = {1, 2, 3};
    const float b[3] = {4, 5, 6};
    const uint8_t red[3] = {255, 0, 0};
    EXPECT_EQ(add(a, b, red, 0), 0u);
    EXPECT_EQ(add(a, b, red, 0), 1u);
    EXPECT_EQ(add(a, b, red, 0), 2u);
    free_line(1);
    free_line(99);  // out of range: ignored
    EXPECT_EQ(add(b, a, red, 1), 1u);
    EXPECT_EQ(host_->lines[1].from[0], 4.0f);
    EXPECT_EQ(host_->lines.size(), 3u);
    entry<kvbot_clear_fn>(KVBOT_E_LINE_CLEAR)();
    EXPECT_TRUE(host_->lines.empty());
    // A point without flag 2 has two coordinates.
    const float p[3] = {7, 8, 9};
    EXPECT_EQ(entry<kvbot_point_add_fn>(KVBOT_E_POINT_ADD)(p, red, 0), 0u);
    EXPECT_EQ(host_->points[0].position[2], 0.0f);
    EXPECT_EQ(entry<kvbot_text_add_fn>(KVBOT_E_TEXT_ADD)(p, nullptr, red, 2), 0u);
    EXPECT_EQ(host_->texts[0].text, "");
    EXPECT_EQ(host_->texts[0].position[2], 9.0f);
}

TEST_F(EngineTable, PlayerIterationAndRadius) {
    const auto next = entry<kvbot_next_player_fn>(KVBOT_E_NEXT_PLAYER);
    const auto near = entry<kvbot_next_near_fn>(KVBOT_E_NEXT_NEAR);
    kvbot_player_info info{};
    EXPECT_EQ(next(0, &info), 0u);
    add_player(5, "ann").state_record.position = vec3{0, 0, 0};
    add_player(6, "bob").state_record.position = vec3{30, 0, 0};
    add_player(7, "cid").state_record.position = vec3{10, 0, 0};
    std::vector<uint32_t> ids;
    for (uint32_t h = next(0, &info); h; h = next(h, &info)) ids.push_back(info.id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{5, 6, 7}));
    const float origin[3] = {0, 0, 0};
    ids.clear();
    for (uint32_t h = near(0, &info, origin, 10.0f); h; h = near(h, &info, origin, 10.0f))
        ids.push_back(info.id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{5, 7}));
    // A player removed between calls: the handle is checked against the list.
    const uint32_t h = next(next(0, &info), &info);
    srv_.players.pop_back();
    srv_.players.pop_back();
    EXPECT_EQ(next(h, &info), 0u);
    EXPECT_EQ(next(77, &info), 0u);
}

TEST_F(EngineTable, PlayerAndServerInfoAtTheirOffsets) {
    player_record& r = add_player(9, "zed");
    r.specialisation = 2;
    r.spawn_point = 4;
    r.team = 1;
    r.skin = 3;
    r.state = 0x2A;
    r.health = 77;
    r.state_record.position = vec3{1.5f, -2.0f, 3.0f};
    r.levels[2] = 255;
    r.levels[4] = 51;
    r.armour = 9;
    r.driven_here = 1;
    uint8_t bytes[120];
    std::memset(bytes, 0xEE, sizeof(bytes));
    EXPECT_EQ(
        entry<kvbot_player_info_fn>(KVBOT_E_PLAYER_INFO)(9, reinterpret_cast<kvbot_player_info*>(bytes)), 0);
    const auto i32 = [&](std::size_t at) {
        int32_t v;
        std::memcpy(&v, bytes + at, 4);
        return v;
    };
    const auto f32 = [&](std::size_t at) {
        float v;
        std::memcpy(&v, bytes + at, 4);
        return v;
    };
    const char* nick;
    std::memcpy(&nick, bytes + 8, sizeof(nick));
    EXPECT_EQ(i32(0), 9);
    EXPECT_EQ(i32(4), 2);
    EXPECT_STREQ(nick, "zed");
    EXPECT_EQ(i32(16), 4);
    EXPECT_EQ(i32(20), 1);
    EXPECT_EQ(i32(24), 3);
    EXPECT_EQ(i32(28), 2);  // low three bits
    EXPECT_EQ(i32(32), 77);
    EXPECT_EQ(f32(36), 1.5f);
    EXPECT_EQ(f32(44), 3.0f);
    EXPECT_EQ(f32(48), 1.0f);
    EXPECT_EQ(f32(56), 0.2f);
    EXPECT_EQ(bytes[68], 9);
    EXPECT_EQ(bytes[112], 1);
    EXPECT_EQ(
        entry<kvbot_player_info_fn>(KVBOT_E_PLAYER_INFO)(10, reinterpret_cast<kvbot_player_info*>(bytes)), 1);

    srv_.game_package = std::string(40, 'p');
    uint8_t server_bytes[40];
    std::memset(server_bytes, 0xEE, sizeof(server_bytes));
    EXPECT_EQ(
        entry<kvbot_server_info_fn>(KVBOT_E_SERVER_INFO)(reinterpret_cast<kvbot_server_info*>(server_bytes)),
        0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(server_bytes)), std::string(31, 'p'));
    uint32_t three;
    std::memcpy(&three, server_bytes + 36, 4);
    EXPECT_EQ(three, 3u);
}

TEST_F(EngineTable, FramesOfAMissingOrInactivePlayerAreTheDefaults) {
    add_player(3, "out").team = kNoTeam;  // not active
    for (const uint32_t id : {3u, 44u}) {
        float a[3] = {9, 9, 9};
        float b[3] = {9, 9, 9};
        EXPECT_EQ(entry<kvbot_two_vectors_fn>(KVBOT_E_EYE)(id, a, b), 1);
        EXPECT_EQ(std::vector<float>(a, a + 3), (std::vector<float>{0, 0, 0}));
        EXPECT_EQ(std::vector<float>(b, b + 3), (std::vector<float>{0, 0, 1}));
        EXPECT_EQ(entry<kvbot_two_vectors_fn>(KVBOT_E_BODY)(id, a, b), 1);
        EXPECT_EQ(std::vector<float>(a, a + 3), (std::vector<float>{0, 0, 1}));
        EXPECT_EQ(std::vector<float>(b, b + 3), (std::vector<float>{0, 1, 0}));
    }
    // Nothing was made for the asking.
    EXPECT_EQ(server_entity_find(srv_, "pid44"), nullptr);
    EXPECT_EQ(server_entity_find(srv_, "~pid3"), nullptr);
}

TEST_F(EngineTable, FoldingInsideBesideAndBehind) {
    struct fold_case {
        float c, z;
        float full, front;
    };
    const fold_case cases[] = {
        {1.0f, 4.0f, 0.25f, 0.25f},   // inside
        {-2.0f, 4.0f, -0.5f, -0.5f},  // inside
        {4.0f, 2.0f, 1.5f, 1.5f},     // beside
        {-4.0f, 2.0f, -1.5f, -1.5f},  // beside
        {4.0f, -2.0f, 2.5f, 0.0f},    // behind, off to the side
        {1.0f, -4.0f, 3.75f, 0.0f},   // behind, within the cone's mirror
        {0.0f, 0.0f, 0.0f, 0.0f},
    };
    for (const fold_case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.c << " " << c.z);
        EXPECT_FLOAT_EQ(botc_fold(c.c, c.z, true), c.full);
        EXPECT_FLOAT_EQ(botc_fold(c.c, c.z, false), c.front);
    }
}

TEST_F(EngineTable, MissingPlayerHasTheIdentityViewAndPointsMapBothWays) {
    float m[16];
    std::memset(m, 0, sizeof(m));
    entry<kvbot_view_matrix_fn>(KVBOT_E_VIEW_MATRIX)(42, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    EXPECT_EQ(entry<kvbot_view_inverse_fn>(KVBOT_E_VIEW_INVERSE)(42, m), 1);
    const float world[3] = {1.0f, 2.0f, 4.0f};
    float view[3];
    entry<kvbot_fold_fn>(KVBOT_E_FOLD_FULL)(42, world, view);
    EXPECT_FLOAT_EQ(view[0], 0.25f);
    EXPECT_FLOAT_EQ(view[1], -0.5f);
    EXPECT_FLOAT_EQ(view[2], 4.0f);
    const float back_in[3] = {view[0], -view[1], view[2]};
    float back[3];
    EXPECT_EQ(entry<kvbot_unfold_fn>(KVBOT_E_UNFOLD)(42, back_in, back), back);
    EXPECT_FLOAT_EQ(back[0], 1.0f);
    EXPECT_FLOAT_EQ(back[1], 2.0f);
    EXPECT_FLOAT_EQ(back[2], 4.0f);
}

}  // namespace
}  // namespace kv
