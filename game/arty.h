#pragma once
// The root of the level objects ("arties") that the arty factory makes from package descriptions,
// and the way every arty class reads its description's keys.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

namespace kv {

struct arty_description;
struct arty_factory;
struct token_list;

// Bits 16-29: the spawn group; bits 0-15: a sequence number.
using arty_id = uint32_t;
inline constexpr arty_id kNoArty = 0xFFFFFFFFu;

enum arty_message : int32_t {
    kArtyKeyDown = 0,    // argument: the input code
    kArtyKeyUp = 1,      // argument: the input code
    kArtyGameEvent = 2,  // argument: the event code
    kArtyCommand = 3,    // argument: the address of the factory's command record
};

// A command to the game arty. Senders fill the code and the fields their operation names; the other
// fields keep what an earlier command left. The answer comes back in `code`.
struct arty_command {
    int32_t code = 0;
    int32_t integer = 0;
    std::string first;
    std::string second;
};

class arty {
public:
    // Runs `arty_init`.
    arty(arty_factory& factory, const arty_description& description);
    // Runs `arty_destroy`.
    virtual ~arty();
    arty(const arty&) = delete;
    arty& operator=(const arty&) = delete;

    // `elapsed`: milliseconds.
    virtual void tick(int32_t elapsed);
    // `argument` is pointer-sized: a command message carries the address of the command record.
    virtual int32_t message(arty_message kind, uintptr_t argument);

    arty_factory* factory = nullptr;
};

// The root constructor that every arty runs first: stores the factory and registers one timed
// callback for every "cb:" followed by an integer in the description, under the factory's current id
// (the id of the arty being constructed).
void arty_init(arty& a, arty_factory& factory, const arty_description& description);
// The root destructor: the root has nothing to release.
void arty_destroy(arty& a);

// The command record that a command message's argument points at.
arty_command& arty_message_command(uintptr_t argument);

// One key of an arty class: its text (ending in ':'), how many value items follow it and what takes
// them (the list and the index of the first value).
struct arty_key {
    const char* name;
    int value_count;
    std::function<void(const token_list&, int)> read;
};

// Walks the description's items in order. A string item equal in full to one of the keys (tested in
// the order given), with at least the key's number of items after it, has them read and the walk goes
// on after them; every other item is passed over. A key that stands twice is read twice.
void arty_read_keys(const arty_description& description, std::initializer_list<arty_key> keys);

// Value readers for `arty_key::read`: each leaves the field unchanged when the item is of another kind.
// A number takes an integer (converted) or a float item.
void arty_value_number(const token_list& list, int index, float& field);
void arty_value_integer(const token_list& list, int index, int32_t& field);
void arty_value_string(const token_list& list, int index, std::string& field);

}  // namespace kv
