#include "tools/pak_writer.h"

namespace kv::tools {

pak_writer_entry& pak_writer::add(std::string name, std::vector<uint8_t> data) {
    entries_.push_back({std::move(name), std::move(data), {}, {}});
    return entries_.back();
}

std::vector<uint8_t> pak_writer::finish() const {
    byte_writer out;
    put_bytes(out, magic.data(), magic.size());
    put_u16(out, version);
    put_u32(out, count_override.value_or(static_cast<uint32_t>(entries_.size())));
    uint32_t offset = 0;
    for (const pak_writer_entry& e : entries_) {
        put_string(out, e.name);
        put_u32(out, e.offset_override.value_or(offset));
        put_u32(out, e.size_override.value_or(static_cast<uint32_t>(e.data.size())));
        offset += static_cast<uint32_t>(e.data.size());
    }
    for (const pak_writer_entry& e : entries_) put_bytes(out, e.data);
    return out.bytes;
}

}  // namespace kv::tools
