#pragma once
// The typed parameter list that describes arties, widgets and surface layers. Stored as a signed
// 16-bit item count followed by the items, each a tag byte and its value, all big-endian:
//   tag 0: 1-byte integer, 1: 2-byte integer, 2: 4-byte integer, 3: 4-byte float,
//   tag 4: string with a 1-byte length (at most 127), 5: string with a 2-byte length (at most 32767),
//   any other tag: one byte, skipped.
// Descriptions hold keys (string items ending in ':') each followed by the items of its value.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct token_list {
    std::vector<uint8_t> bytes;  // own copy of the stored list
    int count = 0;
    std::vector<size_t> starts;  // where each item's tag lies in `bytes`
};

// Item kinds.
inline constexpr int kTokenInteger = 0;
inline constexpr int kTokenFloat = 1;
inline constexpr int kTokenString = 2;
inline constexpr int kTokenOther = 3;

// Copies `size` bytes and indexes the items. A list whose count or lengths do not fit its bytes is
// refused as damaged: false, a log line, and the list left empty.
bool token_list_init(token_list& list, size_t size, const uint8_t* bytes);
// Empties the list.
void token_list_destroy(token_list& list);

int token_list_count(const token_list& list);

// The getters give 0, 0.0f, the empty text or kTokenOther for an index outside the list.
int token_list_kind(const token_list& list, int index);
// Tags 0 and 1 sign-extended; any other item the 4 bytes after its tag as a 32-bit value
// (a float item gives its bit pattern), or 0 when the item is shorter.
int32_t token_list_get_int(const token_list& list, int index);
// Integer items converted; any other item the 4 bytes after its tag as a float, or 0 when shorter.
float token_list_get_float(const token_list& list, int index);
// The text of a string item; the empty text for other items.
std::string token_list_get_string(const token_list& list, int index);

}  // namespace kv
