#include "gfx/view.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "gfx/sized_token_list.h"
#include "util/text.h"

namespace kv {

std::unique_ptr<view> view_read(package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    auto v = std::make_unique<view>();
    qxps_stream_enter_chunk(in, v.get());
    v->name = qxps_stream_read_string(in);
    const uint32_t count = qxps_stream_read_u16(in);
    if (count > chunk_bytes_left(in) / static_cast<uint32_t>(in.id_size)) {
        throw read_error(
            str_format("[PS] View `%s': %u viewports do not fit its chunk", v->name.c_str(), count));
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (qxps_stream_read_ref(in)) {
            object_table_add_shared(v->viewports, qxps_stream_object_as<viewport>(in));
        } else {
            object_table_add_owned(v->viewports, viewport_read(ctx));
        }
    }
    qxps_stream_leave_chunk(in);
    return v;
}

std::unique_ptr<viewport> viewport_read(package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    auto vp = std::make_unique<viewport>();
    qxps_stream_enter_chunk(in, vp.get());
    for (int32_t& value : vp->rect) value = static_cast<int16_t>(qxps_stream_read_u16(in));
    vp->name = qxps_stream_read_string(in);
    vec3 position;
    vec3 axis;
    position.x = qxps_stream_read_float(in);
    position.y = qxps_stream_read_float(in);
    position.z = qxps_stream_read_float(in);
    axis.x = qxps_stream_read_float(in);
    axis.y = qxps_stream_read_float(in);
    axis.z = qxps_stream_read_float(in);
    const float angle = qxps_stream_read_float(in);
    for (float& value : vp->projection) value = qxps_stream_read_float(in);
    if (!(vp->projection[kViewportNear] > 0.0f)) {
        throw read_error(str_format("[PS] Viewport `%s': near distance %g is not above 0", vp->name.c_str(),
                                    static_cast<double>(vp->projection[kViewportNear])));
    }
    mat4_set_rotation_axis(vp->transform, axis.x, axis.y, axis.z, angle);
    mat4_translate(vp->transform, position);
    qxps_stream_leave_chunk(in);
    return vp;
}

}  // namespace kv
