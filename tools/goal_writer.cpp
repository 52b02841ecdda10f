#include "tools/goal_writer.h"

#include "tools/token_writer.h"

namespace kv::tools {

void add_goal_pair(package_writer& w, const goal_pair_desc& desc) {
    token_writer take;
    take.key("type:").str("take").key("team:").integer(desc.team).key("deliver:").str(desc.delivery);
    if (!desc.model.empty()) take.key("model:").str(desc.model);
    if (!desc.sector.empty()) take.key("sector:").str(desc.sector);
    if (desc.position)
        take.key("pos:").number(desc.position->x).number(desc.position->y).number(desc.position->z);
    w.add_arty("kvgoal", desc.take, take.bytes());

    token_writer delivery;
    delivery.key("type:").str("delivery").key("team:").integer(desc.team);
    if (desc.zone) {
        const box3& z = *desc.zone;
        delivery.key("min:").number(z.min.x).number(z.min.y).number(z.min.z);
        delivery.key("max:").number(z.max.x).number(z.max.y).number(z.max.z);
    }
    w.add_arty("kvgoal", desc.delivery, delivery.bytes());
}

}  // namespace kv::tools
