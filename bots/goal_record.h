#pragma once
// The goal record handed to bot modules: 156 bytes, little-endian, at fixed offsets, so that a
// module reads it the same way whatever this program's own layout is. Also the game-event record that
// goals and beings hand to the bot host.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/vec3.h"

namespace kv {

inline constexpr std::size_t kGoalRecordSize = 156;
inline constexpr int kGoalRecordTeams = 3;
inline constexpr int kGoalRecordNames = 10;

struct goal_record {
    uint8_t bytes[kGoalRecordSize] = {};
};

// What a goal record tells; the lists may be longer than the record holds.
struct goal_record_values {
    int32_t number = 0;
    int32_t kind = -1;
    uint8_t done = 0;
    uint8_t key = 0;
    int32_t winning_team = -1;
    vec3 position;
    vec3 box_min;
    vec3 box_max;
    std::vector<uint8_t> teams;
    std::vector<int32_t> condition_numbers;
    std::vector<int32_t> delivery_numbers;
};

// Zeroes the record, then writes the values: counts in full, at most 3 teams and 10 numbers of each
// list.
void goal_record_write(goal_record& record, const goal_record_values& values);

// Field offsets.
inline constexpr std::size_t kGoalRecordNumber = 0;
inline constexpr std::size_t kGoalRecordKind = 4;
inline constexpr std::size_t kGoalRecordDone = 8;
inline constexpr std::size_t kGoalRecordKey = 9;
inline constexpr std::size_t kGoalRecordWinningTeam = 12;
inline constexpr std::size_t kGoalRecordPosition = 16;
inline constexpr std::size_t kGoalRecordBoxMin = 28;
inline constexpr std::size_t kGoalRecordBoxMax = 40;
inline constexpr std::size_t kGoalRecordTeamCount = 52;
inline constexpr std::size_t kGoalRecordConditionCount = 56;
inline constexpr std::size_t kGoalRecordDeliveryCount = 60;
inline constexpr std::size_t kGoalRecordTeamList = 64;
inline constexpr std::size_t kGoalRecordConditionList = 76;
inline constexpr std::size_t kGoalRecordDeliveryList = 116;

// Game events for the bot host: kind 1 a player dropped the goal item ({-1, player, team, position}),
// kind 2 a goal was reached ({goal number, -1, team, position}).
inline constexpr int32_t kBotEventItemDropped = 1;
inline constexpr int32_t kBotEventGoalReached = 2;

struct bot_game_event {
    int32_t goal = -1;
    int32_t player = -1;
    int32_t team = -1;
    vec3 position;
};

}  // namespace kv
