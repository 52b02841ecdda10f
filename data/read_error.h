#pragma once
// The one error that readers of data files raise. It carries the message text as the log shows
// it; the loader that called the reader catches it and logs the text.

#include <stdexcept>
#include <string>

namespace kv {

class read_error : public std::runtime_error {
public:
    explicit read_error(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace kv
