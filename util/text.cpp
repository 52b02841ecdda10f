#include "util/text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/c_locale.h"

namespace kv {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skip_blanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    return text.substr(i);
}

// Field `index` of `text`; `found` tells whether the text has that many fields.
std::string_view field_at(std::string_view text, int index, char separator, bool& found) {
    found = false;
    if (index < 0) return {};
    size_t start = 0;
    // The first search starts after the first character, so a leading separator does not split.
    size_t search = text.empty() ? 0 : 1;
    for (;;) {
        const size_t end = text.find(separator, search);
        if (end == std::string_view::npos) {
            found = index == 0;
            return text.substr(start);
        }
        if (index == 0) {
            found = true;
            return text.substr(start, end - start);
        }
        --index;
        start = search = end + 1;
    }
}

}  // namespace

std::string str_vformat(const char* format, va_list args) {
    c_locale_scope c_locale;
    va_list again;
    va_copy(again, args);
    char small[256];
    const int length = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (length < 0) {
        va_end(again);
        return text;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        text.resize(static_cast<size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}

std::string str_format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = str_vformat(format, args);
    va_end(args);
    return text;
}

std::string str_field(std::string_view text, int index, char separator) {
    bool found;
    return std::string(field_at(text, index, separator, found));
}

std::string str_field_or_empty(std::string_view text, int index, char separator) {
    bool found;
    const std::string_view field = field_at(text, index, separator, found);
    return found ? std::string(field) : std::string();
}

std::string str_field_quoted(std::string_view text, int index, char separator) {
    if (index < 0) return {};
    bool quoted = false;
    size_t start = 0;
    size_t end = 0;
    for (int field = 0;; ++field) {
        end = start;
        while (end < text.size() && (quoted || text[end] != separator)) {
            if (text[end] == '"') quoted = !quoted;
            ++end;
        }
        if (field == index || end == text.size()) break;
        start = end + 1;
    }
    std::string_view field = text.substr(start, end - start);
    if (!field.empty() && field.front() == '"') field.remove_prefix(1);
    if (!field.empty() && field.back() == '"') field.remove_suffix(1);
    return std::string(field);
}

int str_to_int(std::string_view text) {
    text = skip_blanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // Saturates just beyond the int range, so the sum never overflows however many digits follow.
    constexpr long long kLimit = INT_MAX + 1LL;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min(value * 10 + (c - '0'), kLimit);
    }
    if (negative) return static_cast<int>(-value);
    return static_cast<int>(std::min<long long>(value, INT_MAX));
}

float str_to_float(std::string_view text) {
    text = skip_blanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // from_chars takes a '-' of its own; a second sign is no number.
    if (text.empty() || text[0] == '-' || text[0] == '+') return 0.0f;
    const char* first = text.data();
    const char* last = first + text.size();
    float value = 0.0f;
    const auto parsed = std::from_chars(first, last, value);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Too large or too small for a float: find out which.
        double wide = 0.0;
        const auto again = std::from_chars(first, last, wide);
        bool large;
        if (again.ec == std::errc()) {
            large = std::fabs(wide) >= 1.0;
        } else {
            const std::string_view number(first, static_cast<size_t>(parsed.ptr - first));
            const size_t exponent = number.find_first_of("eE");
            large = exponent == std::string_view::npos || exponent + 1 >= number.size() ||
                    number[exponent + 1] != '-';
        }
        value = large ? std::numeric_limits<float>::infinity() : 0.0f;
    } else if (parsed.ec != std::errc()) {
        value = 0.0f;
    }
    return negative ? -value : value;
}

}  // namespace kv
