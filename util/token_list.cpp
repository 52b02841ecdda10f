#include "util/token_list.h"

#include <algorithm>

#include "kernel/log.h"
#include "util/byte_order.h"

namespace kv {
namespace {

constexpr size_t kCountSize = 2;
constexpr uint8_t kTagInt8 = 0;
constexpr uint8_t kTagInt16 = 1;
constexpr uint8_t kTagInt32 = 2;
constexpr uint8_t kTagFloat = 3;
constexpr uint8_t kTagShortString = 4;
constexpr uint8_t kTagLongString = 5;

// Size of the item at `p` (tag included), or 0 when it does not fit the `available` bytes or its
// length is outside the format. `available` is at least 1.
size_t item_size(const uint8_t* p, size_t available) {
    size_t size = 2;
    switch (p[0]) {
        case kTagInt16:
            size = 3;
            break;
        case kTagInt32:
        case kTagFloat:
            size = 5;
            break;
        case kTagShortString:
            if (available < 2 || p[1] >= 0x80) return 0;
            size = 2 + p[1];
            break;
        case kTagLongString:
            if (available < 3) return 0;
            if (be_load_u16(p + 1) >= 0x8000) return 0;
            size = 3 + be_load_u16(p + 1);
            break;
        default:
            break;
    }
    return size <= available ? size : 0;
}

// The item's tag byte, or nullptr for an index outside the list; `value_size` gets the bytes after it.
const uint8_t* item_at(const token_list& list, int index, size_t& value_size) {
    value_size = 0;
    if (index < 0 || index >= list.count) return nullptr;
    const size_t start = list.starts[static_cast<size_t>(index)];
    const uint8_t* p = list.bytes.data() + start;
    value_size = item_size(p, list.bytes.size() - start) - 1;
    return p;
}

bool refuse(token_list& list) {
    token_list_destroy(list);
    return false;
}

}  // namespace

bool token_list_init(token_list& list, size_t size, const uint8_t* bytes) {
    token_list_destroy(list);
    if (size < kCountSize || !bytes) {
        log_write("[token_list] *ERROR* damaged token list: %zu bytes hold no item count\n", size);
        return refuse(list);
    }
    list.bytes.assign(bytes, bytes + size);
    const int count = static_cast<int16_t>(be_load_u16(list.bytes.data()));
    if (count < 0) {
        log_write("[token_list] *ERROR* damaged token list: item count %d\n", count);
        return refuse(list);
    }
    // Every item takes at least two bytes.
    list.starts.reserve(std::min(static_cast<size_t>(count), (size - kCountSize) / 2));
    size_t at = kCountSize;
    for (int i = 0; i < count; ++i) {
        const size_t item = at < size ? item_size(list.bytes.data() + at, size - at) : 0;
        if (item == 0) {
            log_write(
                "[token_list] *ERROR* damaged token list: item %d of %d runs past the end (%zu bytes)\n", i,
                count, size);
            return refuse(list);
        }
        list.starts.push_back(at);
        at += item;
    }
    list.count = count;
    return true;
}

void token_list_destroy(token_list& list) {
    list.bytes.clear();
    list.count = 0;
    list.starts.clear();
}

int token_list_count(const token_list& list) {
    return list.count;
}

int token_list_kind(const token_list& list, int index) {
    size_t value_size;
    const uint8_t* p = item_at(list, index, value_size);
    if (!p) return kTokenOther;
    switch (p[0]) {
        case kTagInt8:
        case kTagInt16:
        case kTagInt32:
            return kTokenInteger;
        case kTagFloat:
            return kTokenFloat;
        case kTagShortString:
        case kTagLongString:
            return kTokenString;
        default:
            return kTokenOther;
    }
}

int32_t token_list_get_int(const token_list& list, int index) {
    size_t value_size;
    const uint8_t* p = item_at(list, index, value_size);
    if (!p) return 0;
    if (p[0] == kTagInt8) return static_cast<int8_t>(p[1]);
    if (p[0] == kTagInt16) return static_cast<int16_t>(be_load_u16(p + 1));
    return value_size >= 4 ? static_cast<int32_t>(be_load_u32(p + 1)) : 0;
}

float token_list_get_float(const token_list& list, int index) {
    size_t value_size;
    const uint8_t* p = item_at(list, index, value_size);
    if (!p) return 0.0f;
    if (token_list_kind(list, index) == kTokenInteger)
        return static_cast<float>(token_list_get_int(list, index));
    return value_size >= 4 ? be_load_f32(p + 1) : 0.0f;
}

std::string token_list_get_string(const token_list& list, int index) {
    size_t value_size;
    const uint8_t* p = item_at(list, index, value_size);
    if (!p) return {};
    if (p[0] == kTagShortString) return std::string(reinterpret_cast<const char*>(p + 2), p[1]);
    if (p[0] == kTagLongString) return std::string(reinterpret_cast<const char*>(p + 3), be_load_u16(p + 1));
    return {};
}

}  // namespace kv
