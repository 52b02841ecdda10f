#include "game/arty.h"

#include "data/package.h"
#include "game/arty_factory.h"
#include "util/token_list.h"

namespace kv {

arty::arty(arty_factory& owner, const arty_description& description) {
    arty_init(*this, owner, description);
}

arty::~arty() {
    arty_destroy(*this);
}

void arty_init(arty& a, arty_factory& owner, const arty_description& description) {
    a.factory = &owner;
    if (!description.parameters) return;
    const token_list& list = *description.parameters;
    const int count = token_list_count(list);
    for (int i = 0; i < count; ++i) {
        if (token_list_kind(list, i) != kTokenString || token_list_get_string(list, i) != "cb:") continue;
        if (i + 1 >= count) break;
        // The item after "cb:" is taken whatever it is, so a string there is never read as "cb:".
        ++i;
        if (token_list_kind(list, i) == kTokenInteger) {
            arty_factory_add_callback(owner, token_list_get_int(list, i));
        }
    }
}

void arty_destroy(arty&) {
    // The root owns nothing: the classes release what they own in their own destructors, first.
}

void arty::tick(int32_t) {}

int32_t arty::message(arty_message, uintptr_t) {
    return 0;
}

arty_command& arty_message_command(uintptr_t argument) {
    return *reinterpret_cast<arty_command*>(argument);
}

void arty_read_keys(const arty_description& description, std::initializer_list<arty_key> keys) {
    if (!description.parameters) return;
    const token_list& list = *description.parameters;
    const int count = token_list_count(list);
    for (int i = 0; i < count; ++i) {
        if (token_list_kind(list, i) != kTokenString) continue;
        const std::string item = token_list_get_string(list, i);
        for (const arty_key& key : keys) {
            if (item != key.name || i + key.value_count >= count) continue;
            key.read(list, i + 1);
            i += key.value_count;
            break;
        }
    }
}

void arty_value_number(const token_list& list, int index, float& field) {
    switch (token_list_kind(list, index)) {
        case kTokenInteger:
            field = static_cast<float>(token_list_get_int(list, index));
            break;
        case kTokenFloat:
            field = token_list_get_float(list, index);
            break;
        default:
            break;
    }
}

void arty_value_integer(const token_list& list, int index, int32_t& field) {
    if (token_list_kind(list, index) == kTokenInteger) field = token_list_get_int(list, index);
}

void arty_value_string(const token_list& list, int index, std::string& field) {
    if (token_list_kind(list, index) == kTokenString) field = token_list_get_string(list, index);
}

}  // namespace kv
