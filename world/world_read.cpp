#include "world/world_read.h"

#include "util/text.h"

namespace kv {

std::size_t world_room_left(const qxps_stream& s) {
    return s.limit > s.position ? s.limit - s.position : 0;
}

void world_corrupt(const std::string& what, const std::string& detail) {
    throw read_error("server: *ERROR* corrupt " + what + ": " + detail + "\n");
}

void world_check_room(const qxps_stream& s, uint64_t count, uint64_t element_size, const std::string& what) {
    const uint64_t left = world_room_left(s);
    // Counts are at most 32 bits and elements a few dozen bytes, so the product cannot overflow.
    if (count * element_size > left) {
        world_corrupt(what, str_format("%llu entries of %llu bytes do not fit the %llu bytes left",
                                       static_cast<unsigned long long>(count),
                                       static_cast<unsigned long long>(element_size),
                                       static_cast<unsigned long long>(left)));
    }
}

const uint8_t* world_take(qxps_stream& s, uint64_t count, uint64_t element_size, const std::string& what) {
    world_check_room(s, count, element_size, what);
    const uint8_t* p = s.bytes.data() + s.position;
    s.position += static_cast<std::size_t>(count * element_size);
    return p;
}

vec3 world_read_vec3(qxps_stream& s) {
    vec3 v;
    v.x = qxps_stream_read_float(s);
    v.y = qxps_stream_read_float(s);
    v.z = qxps_stream_read_float(s);
    return v;
}

box3 world_read_box(qxps_stream& s) {
    box3 b;
    b.min = world_read_vec3(s);
    b.max = world_read_vec3(s);
    return b;
}

void mat4_read_trs(mat4& m, qxps_stream& s) {
    const vec3 translation = world_read_vec3(s);
    const vec3 scale = world_read_vec3(s);
    const vec3 axis = world_read_vec3(s);
    const float angle = qxps_stream_read_float(s);
    mat4_translate(m, translation);
    mat4_rotate_axis(m, axis, angle);
    mat4_scale(m, scale);
}

void world_split_reference(const std::string& text, const std::string& own_package, std::string& package_name,
                           std::string& object_name) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        package_name = own_package;
        object_name = text;
        return;
    }
    package_name = text.substr(0, colon);
    object_name = text.substr(colon + 1);
}

}  // namespace kv
