#include "tools/world_writer.h"

namespace kv::tools {
namespace {

void put_ids(const qxps_writer& out, byte_writer& data, const std::vector<int32_t>& ids) {
    put_u16(data, static_cast<uint16_t>(ids.size()));
    for (int32_t id : ids) out.put_id(data, id);
}

void put_index(byte_writer& data, uint32_t value, bool wide) {
    if (wide) {
        put_u16(data, static_cast<uint16_t>(value));
    } else {
        put_u8(data, static_cast<uint8_t>(value));
    }
}

void put_tree_index(byte_writer& data, uint32_t value, uint8_t width) {
    if (width == 0) {
        put_u8(data, static_cast<uint8_t>(value));
    } else if (width == 1) {
        put_u16(data, static_cast<uint16_t>(value));
    } else {
        put_u32(data, value);
    }
}

void put_colours(byte_writer& data, const std::vector<std::array<uint8_t, 3>>& colours) {
    for (const auto& c : colours) put_bytes(data, c.data(), c.size());
}

void put_mesh(byte_writer& data, const mesh_desc& m) {
    const bool wide = m.vertices.size() > 255;
    put_box(data, m.box);
    put_u16(data, static_cast<uint16_t>(m.vertices.size()));
    for (const mesh_desc::vertex& v : m.vertices) {
        put_f32(data, v.x);
        put_f32(data, v.y);
        put_f32(data, v.z);
        put_f32(data, v.u);
        put_f32(data, v.v);
    }
    put_u8(data, static_cast<uint8_t>(m.primitive_kind));
    put_u16(data, static_cast<uint16_t>(m.parts.size()));
    for (const mesh_desc::part& part : m.parts) {
        put_u8(data, static_cast<uint8_t>(part.state));
        if (part.long_count || part.indices.size() > 0xFFFF) {
            put_u16(data, 0);
            put_u32(data, static_cast<uint32_t>(part.indices.size()));
        } else {
            put_u16(data, static_cast<uint16_t>(part.indices.size()));
        }
        for (uint16_t index : part.indices) put_index(data, index, wide);
        put_u16(data, static_cast<uint16_t>(part.draws.size() * 3));
        for (const mesh_desc::draw& draw : part.draws) {
            put_u16(data, draw.draw_id);
            put_u16(data, draw.primitive_count);
            put_u16(data, draw.first_index);
        }
    }
    put_u16(data, static_cast<uint16_t>(m.tree.size()));
    for (const mesh_desc::node& node : m.tree) {
        put_box(data, node.box);
        put_index(data, node.vertex_count, wide);
        put_index(data, node.first_vertex, wide);
    }
}

}  // namespace

void put_vec3(byte_writer& out, const vec3& v) {
    put_f32(out, v.x);
    put_f32(out, v.y);
    put_f32(out, v.z);
}

void put_box(byte_writer& out, const box3& b) {
    put_vec3(out, b.min);
    put_vec3(out, b.max);
}

void put_transform(byte_writer& out, const transform_block& t) {
    put_vec3(out, t.translation);
    put_vec3(out, t.scale);
    put_vec3(out, t.axis);
    put_f32(out, t.angle);
}

int32_t add_mesh(qxps_writer& out, const mesh_desc& m) {
    const int32_t id = out.add_chunk();
    put_mesh(out.data(id), m);
    return id;
}

int32_t add_skinned_mesh(qxps_writer& out, const mesh_desc& m) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_mesh(data, m);
    put_bytes(data, m.bones.data(), m.bones.size());
    return id;
}

int32_t add_geometry(qxps_writer& out, const geometry_desc& g) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, g.name);
    put_box(data, g.box);
    put_ids(out, data, g.meshes);
    put_ids(out, data, g.skinned);
    return id;
}

int32_t add_geometry(package_writer& out, const geometry_desc& g) {
    const int32_t id = add_geometry(out.qxps(), g);
    out.list(package_table::geometry, id);
    return id;
}

int32_t add_scene_node(qxps_writer& out, const scene_node_desc& n) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_transform(data, n.transform);
    put_string(data, n.name);
    put_string(data, n.model);
    put_u16(data, n.number);
    return id;
}

int32_t add_mesh_instance(qxps_writer& out, const mesh_instance_desc& m) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_transform(data, m.transform);
    put_string(data, m.geometry);
    put_string(data, m.surface);
    put_string(data, m.material);
    put_u16(data, m.number);
    return id;
}

int32_t add_entity_def(qxps_writer& out, const entity_def_desc& e) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, e.name);
    put_box(data, e.box);
    put_ids(out, data, e.nodes);
    put_ids(out, data, e.meshes);
    return id;
}

int32_t add_entity_def(package_writer& out, const entity_def_desc& e) {
    const int32_t id = add_entity_def(out.qxps(), e);
    out.list(package_table::entities, id);
    return id;
}

int32_t add_portal(qxps_writer& out, const portal_desc& p) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, p.target);
    for (const vec3& point : p.points) put_vec3(data, point);
    return id;
}

int32_t add_object_tree(qxps_writer& out, const object_tree_desc& t) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_u32(data, static_cast<uint32_t>(t.nodes.size()));
    if (t.nodes.empty()) return id;
    put_u32(data, static_cast<uint32_t>(t.leaves.size()));
    put_u32(data, static_cast<uint32_t>(t.items.size()));
    put_u8(data, t.index_width);
    for (const object_tree_desc::inner& node : t.nodes) {
        put_box(data, node.box);
        put_vec3(data, node.point);
        put_f32(data, node.value);
        put_tree_index(data, node.child0, t.index_width);
        put_tree_index(data, node.child1, t.index_width);
    }
    for (const object_tree_desc::leaf& leaf : t.leaves) {
        put_box(data, leaf.box);
        put_tree_index(data, leaf.first_item, t.index_width);
        put_tree_index(data, leaf.item_count, t.index_width);
    }
    for (uint32_t item : t.items) put_tree_index(data, item, t.index_width);
    return id;
}

int32_t add_lmap_binding(qxps_writer& out, const lmap_binding_desc& b) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_u16(data, static_cast<uint16_t>(b.colours.size()));
    put_colours(data, b.colours);
    put_u32(data, static_cast<uint32_t>(b.coords.size()));
    for (const auto& uv : b.coords) {
        put_f32(data, uv[0]);
        put_f32(data, uv[1]);
    }
    put_u32(data, static_cast<uint32_t>(b.ids.size()));
    for (int32_t value : b.ids) put_u32(data, static_cast<uint32_t>(value));
    put_u32(data, static_cast<uint32_t>(b.colours2.size()));
    put_colours(data, b.colours2);
    return id;
}

int32_t add_lamp_record(qxps_writer& out, const lamp_record_desc& l) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_u32(data, l.value);
    for (const vec3& point : l.points) put_vec3(data, point);
    for (float value : l.values) put_f32(data, value);
    return id;
}

int32_t add_ambient_source(qxps_writer& out, const ambient_source_desc& a) {
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, a.sample);
    put_vec3(data, a.position);
    put_vec3(data, a.direction);
    put_f32(data, a.min_distance);
    put_f32(data, a.max_distance);
    put_u32(data, static_cast<uint32_t>(a.inside_cone_angle));
    put_u32(data, static_cast<uint32_t>(a.outside_cone_angle));
    put_u8(data, static_cast<uint8_t>(a.mode));
    put_u32(data, a.min_interval);
    put_u32(data, a.max_interval);
    return id;
}

int32_t add_sector(qxps_writer& out, const sector_desc& s) {
    const int32_t tree = s.tree ? *s.tree : add_object_tree(out, {});
    const int32_t id = out.add_chunk();
    byte_writer& data = out.data(id);
    put_string(data, s.name);
    put_transform(data, s.transform);
    put_ids(out, data, s.nodes);
    put_ids(out, data, s.meshes);
    out.put_id(data, tree);
    put_ids(out, data, s.portals);
    put_ids(out, data, s.arties);
    put_u16(data, s.occluder_count.value_or(static_cast<uint16_t>(s.occluder_points.size())));
    for (const vec3& point : s.occluder_points) put_vec3(data, point);
    put_ids(out, data, s.lmap_bindings);
    put_ids(out, data, s.lamps);
    if (s.ambient_table) put_ids(out, data, s.ambient_sources);
    return id;
}

int32_t add_sector(package_writer& out, const sector_desc& s) {
    const int32_t id = add_sector(out.qxps(), s);
    out.list(package_table::sectors, id);
    return id;
}

}  // namespace kv::tools
