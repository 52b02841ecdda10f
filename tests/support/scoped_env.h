#pragma once
// An environment variable set for the life of the guard, the old value (or its absence) put back after.

#include <cstdlib>
#include <string>

namespace kv {

class scoped_env {
public:
    scoped_env(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~scoped_env() {
        if (had_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

}  // namespace kv
