#include "tools/qxps_writer.h"

namespace kv::tools {

qxps_writer::qxps_writer(uint8_t id_width, std::string version)
    : id_width_(id_width), version_(std::move(version)) {}

int qxps_writer::id_size() const {
    return id_width_ == 2 ? 2 : id_width_ == 4 ? 4 : 1;
}

int32_t qxps_writer::add_chunk() {
    while (has_chunk(next_id_)) ++next_id_;
    const int32_t id = next_id_++;
    add_chunk(id);
    return id;
}

void qxps_writer::add_chunk(int32_t id) {
    if (chunks_.emplace(id, byte_writer{}).second) order_.push_back(id);
}

byte_writer& qxps_writer::data(int32_t id) {
    add_chunk(id);
    return chunks_.at(id);
}

void qxps_writer::put_id(byte_writer& out, int32_t id) const {
    switch (id_size()) {
        case 2:
            put_u16(out, static_cast<uint16_t>(id));
            break;
        case 4:
            put_u32(out, static_cast<uint32_t>(id));
            break;
        default:
            put_u8(out, static_cast<uint8_t>(id));
            break;
    }
}

std::vector<uint8_t> qxps_writer::finish() const {
    byte_writer out;
    put_bytes(out, magic.data(), magic.size());
    put_bytes(out, version_.data(), version_.size());
    put_u8(out, id_width_);
    put_id(out, root_.value_or(order_.empty() ? 0 : order_.front()));
    put_u32(out, count_override.value_or(static_cast<uint32_t>(order_.size() + extra_entries.size())));
    uint32_t offset = 0;
    for (int32_t id : order_) {
        put_id(out, id);
        put_u32(out, offset);
        offset += static_cast<uint32_t>(chunks_.at(id).bytes.size());
    }
    for (const auto& [id, extra_offset] : extra_entries) {
        put_id(out, id);
        put_u32(out, extra_offset);
    }
    for (int32_t id : order_) put_bytes(out, chunks_.at(id).bytes);
    return out.bytes;
}

}  // namespace kv::tools
