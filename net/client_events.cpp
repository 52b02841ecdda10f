// The world event stream: effects made here are written as records into one W-SNAPSHOT, sent once
// per send pass, and a received stream is replayed through the same effect operations with the
// echo off, so that a replayed effect is not sent again.

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_client.h"

namespace kv {
namespace {

constexpr uint8_t kLastKind = 10;

// Kinds come in pairs {0, 1}, {2, 3} ... {8, 9} and {10}: a creating record and its settings.
int32_t pair_of(int32_t kind) {
    return kind / 2;
}

// Starts a record: false (nothing written) while not connected.
bool begin_record(net_client& client, uint8_t kind) {
    if (!client.connected) return false;
    byte_buffer& b = client.event_stream.body;
    b.seek(-1);
    if (kind % 2 == 0 || kind == kLastKind || client.event_groups.empty())
        client.event_groups.push_back(b.size());
    b.write_u8(kind);
    return true;
}

bool read_vec3(packet& p, vec3& v) {
    return p.body.read_float(v.x) && p.body.read_float(v.y) && p.body.read_float(v.z);
}

// Reads one record's fields and replays it; false when a field is cut.
bool replay(gfx& g, uint8_t kind, packet& p) {
    byte_buffer& b = p.body;
    vec3 a, c;
    std::string s1, s2;
    uint8_t u1 = 0, u2 = 0;
    uint16_t w = 0;
    uint32_t n = 0;
    float f = 0.0f;
    switch (kind) {
        case 0:
            if (!read_vec3(p, a) || !read_vec3(p, c) || !b.read_u8(u1) || !b.read_u8(u2)) return false;
            gfx_add_impact_effect_from_net(g, a, c, u1, u2);
            return true;
        case 1:
            if (!b.read_string(s1) || !b.read_string(s2) || !b.read_u8(u1) || !b.read_float(f)) return false;
            gfx_set_impact_effect(g, s1, s2, u1, f);
            return true;
        case 2:
            if (!read_vec3(p, a) || !read_vec3(p, c)) return false;
            gfx_add_explosion_effect(g, a, c);
            return true;
        case 3:
            if (!b.read_string(s1) || !b.read_u8(u1) || !b.read_string(s2) || !b.read_u8(u2)) return false;
            gfx_set_explosion_effect(g, s1, u1, s2, u2);
            return true;
        case 4:
            if (!read_vec3(p, a) || !read_vec3(p, c)) return false;
            gfx_add_smoke_effect(g, a, c);
            return true;
        case 5:
            if (!b.read_string(s1)) return false;
            gfx_set_smoke_effect(g, s1);
            return true;
        case 6:
            if (!read_vec3(p, a) || !b.read_float(f) || !b.read_u8(u1)) return false;
            gfx_add_water_ripple_effect_from_net(g, a, f, u1);
            return true;
        case 7:
            if (!b.read_string(s1) || !b.read_u32(n) || !b.read_u8(u1)) return false;
            gfx_set_water_ripple_effect(g, s1, n, u1);
            return true;
        case 8:
            if (!b.read_u32(n) || !read_vec3(p, a)) return false;
            gfx_add_screen_tint_effect(g, n, a);
            return true;
        case 9:
            return true;
        default:
            if (!b.read_u16(w) || !b.read_u8(u1) || !b.read_u8(u2)) return false;
            gfx_add_glass_shatter_effect_by_ids(g, w, u1, u2);
            return true;
    }
}

}  // namespace

void client_write_impact_event(net_client& client, const vec3& point, const vec3& normal, uint8_t material,
                               uint8_t sector_index) {
    if (!begin_record(client, 0)) return;
    byte_buffer& b = client.event_stream.body;
    b.write_vec3(point);
    b.write_vec3(normal);
    b.write_u8(material);
    b.write_u8(sector_index);
}

void client_write_impact_params_event(net_client& client, const std::string& smoke, const std::string& hole,
                                      uint8_t water, float size) {
    if (!begin_record(client, 1)) return;
    byte_buffer& b = client.event_stream.body;
    b.write_string(smoke);
    b.write_string(hole);
    b.write_u8(water);
    b.write_float(size);
}

void client_write_explosion_event(net_client& client, const vec3& position, const vec3& scale) {
    if (!begin_record(client, 2)) return;
    client.event_stream.body.write_vec3(position);
    client.event_stream.body.write_vec3(scale);
}

void client_write_explosion_params_event(net_client& client, const std::string& first, uint8_t first_on,
                                         const std::string& second, uint8_t second_on) {
    if (!begin_record(client, 3)) return;
    byte_buffer& b = client.event_stream.body;
    b.write_string(first);
    b.write_u8(first_on);
    b.write_string(second);
    b.write_u8(second_on);
}

void client_write_smoke_event(net_client& client, const vec3& position, const vec3& velocity) {
    if (!begin_record(client, 4)) return;
    client.event_stream.body.write_vec3(position);
    client.event_stream.body.write_vec3(velocity);
}

void client_write_smoke_param_event(net_client& client, const std::string& texture) {
    if (!begin_record(client, 5)) return;
    client.event_stream.body.write_string(texture);
}

void client_write_water_ripple_event(net_client& client, const vec3& position, float size,
                                     uint8_t sector_index) {
    if (!begin_record(client, 6)) return;
    byte_buffer& b = client.event_stream.body;
    b.write_vec3(position);
    b.write_float(size);
    b.write_u8(sector_index);
}

void client_write_water_ripple_params_event(net_client& client, const std::string& texture, uint32_t lifetime,
                                            uint8_t flag) {
    if (!begin_record(client, 7)) return;
    byte_buffer& b = client.event_stream.body;
    b.write_string(texture);
    b.write_u32(lifetime);
    b.write_u8(flag);
}

void client_write_screen_tint_event(net_client& client, uint32_t sector_index, const vec3& position) {
    if (!begin_record(client, 8)) return;
    client.event_stream.body.write_u32(sector_index);
    client.event_stream.body.write_vec3(position);
}

void client_write_decal_event(net_client& client, uint16_t key, uint8_t surface_index, uint8_t sector_index) {
    if (!begin_record(client, kLastKind)) return;
    byte_buffer& b = client.event_stream.body;
    b.write_u16(key);
    b.write_u8(surface_index);
    b.write_u8(sector_index);
}

bool net_client_flush_events(net_client& client) {
    const byte_buffer& stream = client.event_stream.body;
    if (!client.connected || stream.size() <= kPacketHeaderSize) return false;
    client.select(client.current_server.address, client.current_server.port);
    // Records go in packets of at most 1,024 bytes, cut between groups; a group longer than that
    // goes alone.
    std::vector<std::size_t> bounds = client.event_groups;
    if (bounds.empty() || bounds.front() != kPacketHeaderSize)
        bounds.insert(bounds.begin(), kPacketHeaderSize);
    bounds.push_back(stream.size());
    std::size_t start = bounds.front();
    for (std::size_t i = 1; i < bounds.size(); ++i) {
        const bool last = i + 1 == bounds.size();
        const bool next_too_long = !last && bounds[i + 1] - start + kPacketHeaderSize > kMaxEventPacketBytes;
        if (!last && !next_too_long) continue;
        packet p(kPacketWorldSnapshot);
        p.body.seek(-1);
        const std::size_t length = bounds[i] - start;
        p.body.reserve(kPacketHeaderSize + length);
        for (std::size_t at = start; at < bounds[i]; ++at) p.body.write_u8(stream.data()[at]);
        client.queue(p);
        start = bounds[i];
    }
    client.event_stream = packet(kPacketWorldSnapshot);
    client.event_groups.clear();
    return true;
}

void client_apply_events(net_client&, packet& p) {
    gfx& g = kernel_get().graphics;
    gfx_set_effect_echo(g, false);
    int32_t previous = -1;
    bool forget = false;
    for (;;) {
        uint8_t kind = 0;
        if (!p.body.read_u8(kind)) {
            forget = previous >= 0;
            break;
        }
        if (kind > kLastKind) {
            log_write("[NET] *WARNING* world event of unknown kind %d: the rest of the stream is dropped\n",
                      kind);
            forget = true;
            break;
        }
        if (previous >= 0 && pair_of(kind) != pair_of(previous)) gfx_forget_last_effect(g);
        if (!replay(g, kind, p)) {
            log_write("[NET] *WARNING* world event of kind %d cut short\n", kind);
            forget = true;
            break;
        }
        previous = kind;
    }
    if (forget) gfx_forget_last_effect(g);
    gfx_set_effect_echo(g, true);
}

}  // namespace kv
