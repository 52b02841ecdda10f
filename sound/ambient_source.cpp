#include "sound/ambient_source.h"

#include "data/qxps_stream.h"

namespace kv {
namespace {

// Counts every source ever loaded.
uint32_t next_serial = 0;

vec3 read_vec3(qxps_stream& s) {
    vec3 v;
    v.x = qxps_stream_read_float(s);
    v.y = qxps_stream_read_float(s);
    v.z = qxps_stream_read_float(s);
    return v;
}

}  // namespace

std::unique_ptr<ambient_source> ambient_source_load(qxps_stream& s) {
    auto source = std::make_unique<ambient_source>();
    qxps_stream_enter_chunk(s, source.get());
    source->sample_name = qxps_stream_read_string(s);
    source->position = read_vec3(s);
    source->direction = read_vec3(s);
    source->min_distance = qxps_stream_read_float(s);
    source->max_distance = qxps_stream_read_float(s);
    source->inside_cone_angle = static_cast<float>(static_cast<int32_t>(qxps_stream_read_u32(s)));
    source->outside_cone_angle = static_cast<float>(static_cast<int32_t>(qxps_stream_read_u32(s)));
    source->mode = static_cast<int8_t>(qxps_stream_read_u8(s));
    source->min_interval = qxps_stream_read_u32(s);
    source->max_interval = qxps_stream_read_u32(s);
    qxps_stream_leave_chunk(s);
    source->owner_id = kAmbientOwnerBase + next_serial++;
    source->start_time = 0;
    return source;
}

}  // namespace kv
