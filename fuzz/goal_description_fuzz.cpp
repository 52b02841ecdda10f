// Arbitrary bytes as the parameters of a goal's description: the goal reads its keys and fills the
// record handed to bot modules.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "bots/goal_record.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/kvgoal.h"
#include "util/token_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kv::kArtyParametersMax) return 0;
    kv::arty_factory factory;
    kv::arty_description description;
    description.class_name = "kvgoal";
    description.instance_name = size > 0 && data[0] < 128 ? "g-" + std::to_string(data[0]) : "g-";
    description.parameters = std::make_unique<kv::token_list>();
    kv::token_list_init(*description.parameters, size, data);
    kv::arty_description* one = &description;
    kv::arty_factory_spawn_group(factory, &one, 1);
    if (auto* goal = kv::arty_factory_find_as<kv::kvgoal>(factory, factory.current_id)) {
        kv::goal_record_values values;
        values.kind = goal->kind;
        for (const kv::goal_team& t : goal->teams) values.teams.push_back(t.team);
        for (const std::string& name : goal->condition_names)
            values.condition_numbers.push_back(kv::kvgoal_number_of(name));
        kv::goal_record record;
        kv::goal_record_write(record, values);
    }
    return 0;
}
