#include "tools/goal_writer.h"

#include "tools/token_writer.h"

namespace kv::tools {

void add_goal_pair(package_writer& w, const goal_pair_spec& spec) {
    token_writer take;
    take.key("type:").str("take").key("team:").integer(spec.team).key("deliver:").str(spec.delivery);
    if (!spec.model.empty()) take.key("model:").str(spec.model);
    if (!spec.sector.empty()) take.key("sector:").str(spec.sector);
    if (spec.position)
        take.key("pos:").number(spec.position->x).number(spec.position->y).number(spec.position->z);
    w.add_arty("kvgoal", spec.take, take.bytes());

    token_writer delivery;
    delivery.key("type:").str("delivery").key("team:").integer(spec.team);
    if (spec.zone) {
        const box3& z = *spec.zone;
        delivery.key("min:").number(z.min.x).number(z.min.y).number(z.min.z);
        delivery.key("max:").number(z.max.x).number(z.max.y).number(z.max.z);
    }
    w.add_arty("kvgoal", spec.delivery, delivery.bytes());
}

}  // namespace kv::tools
