#include "tools/package_writer.h"

namespace kv::tools {

int32_t add_named_chunk(qxps_writer& out, std::string_view name, const std::vector<uint8_t>& rest) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, name);
    put_bytes(data, rest);
    return id;
}

int32_t add_arty_chunk(qxps_writer& out, std::string_view class_name, std::string_view instance_name,
                       const std::vector<uint8_t>& parameters) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, class_name);
    put_string(data, instance_name);
    put_u32(data, static_cast<uint32_t>(parameters.size()));
    put_bytes(data, parameters);
    return id;
}

int32_t add_shader_chunk(qxps_writer& out, std::string_view name,
                         const std::vector<std::vector<uint8_t>>& commands) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, name);
    put_u16(data, static_cast<uint16_t>(commands.size()));
    for (const std::vector<uint8_t>& command : commands) {
        put_u32(data, static_cast<uint32_t>(command.size()));
        put_bytes(data, command);
    }
    return id;
}

int32_t add_surface_chunk(qxps_writer& out, std::string_view name, const std::vector<surface_layer>& layers) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, name);
    put_u16(data, static_cast<uint16_t>(layers.size()));
    for (const surface_layer& layer : layers) {
        put_u8(data, layer.reference ? 1 : 0);
        if (layer.reference) {
            put_string(data, layer.name);
        } else {
            put_u32(data, static_cast<uint32_t>(layer.description.size()));
            put_bytes(data, layer.description);
        }
    }
    return id;
}

int32_t add_viewport_chunk(qxps_writer& out, const viewport_desc& viewport) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    for (const int16_t value : {viewport.x, viewport.y, viewport.width, viewport.height})
        put_u16(data, static_cast<uint16_t>(value));
    put_string(data, viewport.name);
    for (const float value : viewport.position) put_f32(data, value);
    for (const float value : viewport.axis) put_f32(data, value);
    put_f32(data, viewport.angle);
    for (const float value : viewport.projection) put_f32(data, value);
    return id;
}

package_writer::package_writer(uint8_t id_width, std::string version)
    : qxps_(id_width, std::move(version)), root_(qxps_.add_chunk()) {
    qxps_.set_root(root_);
}

int32_t package_writer::add_named_object(package_table table, std::string_view name,
                                         const std::vector<uint8_t>& rest) {
    const int32_t id = add_named_chunk(qxps_, name, rest);
    list(table, id);
    return id;
}

int32_t package_writer::add_arty(std::string_view class_name, std::string_view instance_name,
                                 const std::vector<uint8_t>& parameters) {
    const int32_t id = add_arty_chunk(qxps_, class_name, instance_name, parameters);
    list(package_table::arties, id);
    return id;
}

int32_t package_writer::add_view(std::string_view name, const std::vector<uint8_t>& rest) {
    return add_named_chunk(qxps_, name, rest);
}

int32_t package_writer::add_shader(std::string_view name, const std::vector<std::vector<uint8_t>>& commands) {
    const int32_t id = add_shader_chunk(qxps_, name, commands);
    list(package_table::shaders, id);
    return id;
}

int32_t package_writer::add_surface(std::string_view name, const std::vector<surface_layer>& layers) {
    const int32_t id = add_surface_chunk(qxps_, name, layers);
    list(package_table::surfaces, id);
    return id;
}

int32_t package_writer::add_view_record(std::string_view name, const std::vector<int32_t>& viewports) {
    const int32_t id = qxps_.add_chunk();
    byte_writer& data = qxps_.data(id);
    put_string(data, name);
    put_u16(data, static_cast<uint16_t>(viewports.size()));
    for (int32_t viewport : viewports) qxps_.put_id(data, viewport);
    return id;
}

int32_t package_writer::add_screen(std::string_view name, const std::vector<int32_t>& views) {
    const int32_t id = qxps_.add_chunk();
    byte_writer& data = qxps_.data(id);
    put_string(data, name);
    put_u16(data, static_cast<uint16_t>(views.size()));
    for (int32_t view : views) qxps_.put_id(data, view);
    list(package_table::screens, id);
    return id;
}

std::vector<uint8_t> package_writer::finish() {
    byte_writer& root = qxps_.data(root_);
    root.bytes.clear();
    put_u16(root, import_count_override.value_or(static_cast<uint16_t>(imports_.size())));
    for (const std::string& name : imports_) put_string(root, name);
    for (int t = 0; t < kPackageTableCount; ++t) {
        put_u16(root, count_override[t].value_or(static_cast<uint16_t>(tables_[t].size())));
        for (int32_t id : tables_[t]) qxps_.put_id(root, id);
    }
    return qxps_.finish();
}

namespace {

void put_bone_key(byte_writer& out, const bone_key_desc& k) {
    put_u8(out, k.bone);
    for (float f : {k.translation.x, k.translation.y, k.translation.z, k.axis.x, k.axis.y, k.axis.z, k.angle})
        put_f32(out, f);
}

}  // namespace

int32_t add_skeleton(package_writer& out, const skeleton_desc& s) {
    const int32_t id = out.qxps().add_chunk();
    byte_writer& data = out.qxps().data(id);
    put_string(data, s.name);
    put_u8(data, static_cast<uint8_t>(s.reference_bone));
    for (int8_t bone : s.attachment_bones) put_u8(data, static_cast<uint8_t>(bone));
    std::vector<uint16_t> starts;
    std::vector<uint8_t> list;
    for (const auto& node : s.nodes) {
        starts.push_back(static_cast<uint16_t>(list.size()));
        list.insert(list.end(), node.begin(), node.end());
    }
    if (s.starts_override) starts = *s.starts_override;
    put_u16(data, static_cast<uint16_t>(starts.size()));
    for (uint16_t start : starts) put_u16(data, start);
    put_u16(data, static_cast<uint16_t>(list.size()));
    put_bytes(data, list);
    put_u8(data, s.bind_count_override.value_or(static_cast<uint8_t>(s.bind_keys.size())));
    for (const bone_key_desc& k : s.bind_keys) put_bone_key(data, k);
    out.list(package_table::skeletons, id);
    return id;
}

int32_t add_animation(package_writer& out, const animation_desc& a) {
    const int32_t id = out.qxps().add_chunk();
    byte_writer& data = out.qxps().data(id);
    put_string(data, a.name);
    put_u16(data, static_cast<uint16_t>(a.value));
    put_u16(data, a.frame_count_override.value_or(static_cast<uint16_t>(a.frames.size())));
    put_u8(data, a.keys_per_frame_override.value_or(
                     static_cast<uint8_t>(a.frames.empty() ? 0 : a.frames.front().size())));
    for (const auto& frame : a.frames) {
        for (const bone_key_desc& k : frame) put_bone_key(data, k);
    }
    out.list(package_table::animations, id);
    return id;
}

}  // namespace kv::tools
