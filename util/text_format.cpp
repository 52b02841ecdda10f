#include "util/text_format.h"

namespace kv {

std::string text_format(const std::string& format, const std::vector<std::string>& values) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        const char after = i + 1 < format.size() ? format[i + 1] : '\0';
        if (c != '%' || (after != 's' && after != 'd' && after != '%')) {
            out += c;
            continue;
        }
        ++i;
        if (after == '%') {
            out += '%';
        } else if (next < values.size()) {
            out += values[next++];
        }
    }
    return out;
}

}  // namespace kv
