#include "bots/goal_record.h"

#include <algorithm>

#include "util/byte_order.h"

namespace kv {
namespace {

void store_int(goal_record& record, std::size_t at, int32_t value) {
    le_store_u32(record.bytes + at, static_cast<uint32_t>(value));
}

void store_vec3(goal_record& record, std::size_t at, const vec3& v) {
    le_store_f32(record.bytes + at, v.x);
    le_store_f32(record.bytes + at + 4, v.y);
    le_store_f32(record.bytes + at + 8, v.z);
}

}  // namespace

void goal_record_write(goal_record& record, const goal_record_values& values) {
    record = goal_record();
    store_int(record, kGoalRecordNumber, values.number);
    store_int(record, kGoalRecordKind, values.kind);
    record.bytes[kGoalRecordDone] = values.done;
    record.bytes[kGoalRecordKey] = values.key;
    store_int(record, kGoalRecordWinningTeam, values.winning_team);
    store_vec3(record, kGoalRecordPosition, values.position);
    store_vec3(record, kGoalRecordBoxMin, values.box_min);
    store_vec3(record, kGoalRecordBoxMax, values.box_max);
    store_int(record, kGoalRecordTeamCount, static_cast<int32_t>(values.teams.size()));
    store_int(record, kGoalRecordConditionCount, static_cast<int32_t>(values.condition_numbers.size()));
    store_int(record, kGoalRecordDeliveryCount, static_cast<int32_t>(values.delivery_numbers.size()));
    const std::size_t teams = std::min<std::size_t>(values.teams.size(), kGoalRecordTeams);
    for (std::size_t i = 0; i < teams; ++i) store_int(record, kGoalRecordTeamList + 4 * i, values.teams[i]);
    const std::size_t conditions = std::min<std::size_t>(values.condition_numbers.size(), kGoalRecordNames);
    for (std::size_t i = 0; i < conditions; ++i)
        store_int(record, kGoalRecordConditionList + 4 * i, values.condition_numbers[i]);
    const std::size_t deliveries = std::min<std::size_t>(values.delivery_numbers.size(), kGoalRecordNames);
    for (std::size_t i = 0; i < deliveries; ++i)
        store_int(record, kGoalRecordDeliveryList + 4 * i, values.delivery_numbers[i]);
}

}  // namespace kv
