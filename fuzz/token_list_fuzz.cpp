// Arbitrary bytes as a token list (every getter on every item, and on indexes around the list), and
// as text for the field helpers and the number parsers.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "util/text.h"
#include "util/token_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kv::token_list list;
    kv::token_list_init(list, size, data);
    const int count = kv::token_list_count(list);
    for (int i = -1; i <= count; ++i) {
        kv::token_list_kind(list, i);
        kv::token_list_get_int(list, i);
        kv::token_list_get_float(list, i);
        kv::token_list_get_string(list, i);
    }

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int index : {-1, 0, 1, 2, 7}) {
        for (char separator : {':', ',', ' '}) {
            kv::str_field(text, index, separator);
            kv::str_field_or_empty(text, index, separator);
            kv::str_field_quoted(text, index, separator);
        }
    }
    kv::str_to_int(text);
    kv::str_to_float(text);
    return 0;
}
