#include "net/player_state.h"

#include <algorithm>
#include <numbers>

#include "net/datagram_limits.h"
#include "net/packet.h"
#include "util/float_convert.h"

namespace kv {
namespace {

// x and z travel in tens of units, y in units.
constexpr float kPositionScale = 10.0f;
// Angles travel as signed 256ths of a turn.
constexpr float kAngleSteps = 256.0f;
constexpr float kDegreesPerTurn = 360.0f;
constexpr uint8_t kSectorByteNone = 255;
constexpr uint16_t kGroupValueNone = 0xFFFF;

uint16_t short_of(float v) {
    return static_cast<uint16_t>(static_cast<uint32_t>(float_to_int32(v)));
}

uint8_t angle_byte(float radians) {
    const float degrees = radians * 180.0f / std::numbers::pi_v<float>;
    return float_to_byte(degrees * kAngleSteps / kDegreesPerTurn);
}

float angle_of(uint8_t b) {
    const float degrees = static_cast<float>(static_cast<int8_t>(b)) * kDegreesPerTurn / kAngleSteps;
    return degrees * std::numbers::pi_v<float> / 180.0f;
}

// A sector index in one byte: 0-254 as it is, none and every index from 255 on as 255.
uint8_t sector_byte(int16_t index) {
    if (index < 0 || index >= kSectorByteNone) return kSectorByteNone;
    return static_cast<uint8_t>(index);
}

int16_t sector_of(uint8_t b) {
    return b == kSectorByteNone ? kNoSector : static_cast<int16_t>(b);
}

}  // namespace

bool player_state_assign(player_state& target, const player_state& source) {
    constexpr float kSamePosition = 0.00001f;
    const auto same = [](const auto& a, const auto& b) {
        return std::equal(std::begin(a), std::end(a), std::begin(b));
    };
    bool groups_same = true;
    for (int g = 0; g < 3; ++g) groups_same = groups_same && same(target.groups[g], source.groups[g]);
    const bool changed = vec3_length_sq(target.position - source.position) >= kSamePosition * kSamePosition ||
                         target.angle != source.angle || target.state != source.state || !groups_same ||
                         !same(target.small_values, source.small_values) ||
                         target.second_angle != source.second_angle || !same(target.bytes, source.bytes);
    const uint32_t id = target.id;
    target = source;
    target.id = id;
    return changed;
}

void player_state_write(const player_state& state, packet& out) {
    byte_buffer& b = out.body;
    b.write_u32(state.id);
    b.write_u16(short_of(state.position.x / kPositionScale));
    b.write_u16(short_of(state.position.y));
    b.write_u16(short_of(state.position.z / kPositionScale));
    b.write_u8(angle_byte(state.angle));
    b.write_u8(sector_byte(state.state));
    for (const auto& group : state.groups) {
        b.write_u16(static_cast<uint16_t>(group[0]));
        b.write_u8(static_cast<uint8_t>(group[1]));
        b.write_u8(static_cast<uint8_t>(group[2]));
    }
    b.write_u8(static_cast<uint8_t>(state.small_values[0]));
    b.write_u8(static_cast<uint8_t>(state.small_values[1]));
    b.write_u8(angle_byte(state.second_angle));
    for (uint8_t v : state.bytes) b.write_u8(v);
}

bool player_state_read(player_state& state, packet& in) {
    byte_buffer& b = in.body;
    // A short record is refused whole: its fields would otherwise mix with another player's.
    if (b.size() - b.position() < kPlayerStateBytes) return false;
    uint8_t byte = 0;
    uint16_t word = 0;
    const auto next_u8 = [&] {
        b.read_u8(byte);
        return byte;
    };
    const auto next_s16 = [&] {
        b.read_u16(word);
        return static_cast<float>(static_cast<int16_t>(word));
    };
    b.read_u32(state.id);
    state.position.x = next_s16() * kPositionScale;
    state.position.y = next_s16();
    state.position.z = next_s16() * kPositionScale;
    state.angle = angle_of(next_u8());
    state.state = sector_of(next_u8());
    for (auto& group : state.groups) {
        b.read_u16(word);
        group[0] = word == kGroupValueNone ? -1 : word;
        group[1] = next_u8();
        group[2] = next_u8();
    }
    state.small_values[0] = static_cast<int8_t>(next_u8());
    state.small_values[1] = static_cast<int8_t>(next_u8());
    state.second_angle = angle_of(next_u8());
    for (uint8_t& v : state.bytes) v = next_u8();
    return true;
}

std::vector<packet> player_states_write(const std::vector<player_state>& states) {
    constexpr std::size_t kPerPacket =
        std::min(kMaxRecordsPerPacket, (kMaxGameDatagram - kPacketHeaderSize - 1) / kPlayerStateBytes);
    std::vector<packet> packets;
    for (std::size_t first = 0; first < states.size(); first += kPerPacket) {
        const std::size_t n = std::min(kPerPacket, states.size() - first);
        packet& p = packets.emplace_back(kPacketPlayerSnapshot);
        p.body.reserve(kPacketHeaderSize + 1 + n * kPlayerStateBytes);
        p.body.write_u8(static_cast<uint8_t>(n));
        for (std::size_t i = first; i < first + n; ++i) player_state_write(states[i], p);
    }
    return packets;
}

bool player_states_read(packet& in, std::vector<player_state>& states) {
    uint8_t count = 0;
    if (!in.body.read_u8(count)) return false;
    for (int32_t i = 0; i < static_cast<int8_t>(count); ++i) {
        player_state state;
        if (!player_state_read(state, in)) return false;
        states.push_back(state);
    }
    return true;
}

}  // namespace kv
