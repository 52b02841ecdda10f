// The "options-c" reader on arbitrary bytes, with a registry that binds one option of each kind
// under names a mutation can reach.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "kernel/option_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/kv_options_fuzz_" + std::to_string(::getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);

    kv::option_registry registry;
    bool b = false;
    int32_t i = 0;
    float f = 0.0f;
    std::string s;
    kv::option_registry_add_bool(registry, "b", &b);
    kv::option_registry_add_int(registry, "i", &i);
    kv::option_registry_add_float(registry, "f", &f);
    kv::option_registry_add_string(registry, "s", &s);
    kv::option_registry_add_int(registry, "b", &i);
    kv::load_options(registry, path);
    std::remove(path.c_str());
    return 0;
}
