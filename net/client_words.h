#pragma once
// Blank-separated words of the client's command and reply texts.

#include <cstddef>
#include <string>

namespace kv {

// Word `index` (from 0) of the text split at runs of blanks; the empty text when there is none.
inline std::string client_word(const std::string& text, int index) {
    std::size_t at = 0;
    for (int i = 0;; ++i) {
        while (at < text.size() && text[at] == ' ') ++at;
        if (at >= text.size()) return {};
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        if (i == index) return text.substr(at, end - at);
        at = end;
    }
}

}  // namespace kv
