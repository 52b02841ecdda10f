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

}  // namespace kv::tools
