#include "world/lamp_record.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "world/world_read.h"

namespace kv {

std::unique_ptr<lamp_record> lamp_record_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto lamp = std::make_unique<lamp_record>();
    qxps_stream_enter_chunk(s, lamp.get());
    lamp->value = qxps_stream_read_u32(s);
    for (vec3& point : lamp->points) point = world_read_vec3(s);
    for (float& value : lamp->values) value = qxps_stream_read_float(s);
    qxps_stream_leave_chunk(s);
    return lamp;
}

}  // namespace kv
