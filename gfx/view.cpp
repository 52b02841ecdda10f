#include "gfx/view.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "util/text.h"
#include "world/world_read.h"

namespace kv {

std::unique_ptr<view> view_read(package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    auto v = std::make_unique<view>();
    qxps_stream_enter_chunk(in, v.get());
    v->name = qxps_stream_read_string(in);
    world_read_entries(v->viewports, ctx, qxps_stream_read_u16(in), viewport_read);
    qxps_stream_leave_chunk(in);
    return v;
}

std::unique_ptr<viewport> viewport_read(package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    auto vp = std::make_unique<viewport>();
    qxps_stream_enter_chunk(in, vp.get());
    for (int32_t& value : vp->rect) value = static_cast<int16_t>(qxps_stream_read_u16(in));
    vp->name = qxps_stream_read_string(in);
    const vec3 position = world_read_vec3(in);
    const vec3 axis = world_read_vec3(in);
    const float angle = qxps_stream_read_float(in);
    for (float& value : vp->projection) value = qxps_stream_read_float(in);
    if (!(vp->projection[kViewportNear] > 0.0f)) {
        world_corrupt("viewport `" + vp->name + "'",
                      str_format("near distance %g is not above 0",
                                 static_cast<double>(vp->projection[kViewportNear])));
    }
    mat4_set_rotation_axis(vp->transform, axis.x, axis.y, axis.z, angle);
    mat4_translate(vp->transform, position);
    qxps_stream_leave_chunk(in);
    return vp;
}

}  // namespace kv
