// "controls.cfg" is the player's file: every line of an arbitrary text is applied to the input
// layer's bindings, and the file written for the bindings that result reads back to the same text.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "kernel/option_registry.h"
#include "ui/input/input.h"
#include "ui/widgets/kvcontrol.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kv;
    input in;
    option_registry options;
    input_register_names(in, options);
    in.bindings = {{'w', 1}, {'s', 2}, {'`', 26}};
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        kvcontrol_apply_line(in, text.substr(start, std::min<std::size_t>(end - start, 256)));
        start = end + 1;
    }
    const std::string written = kvcontrol_file_text(in);
    input again;
    input_register_names(again, options);
    again.bindings = in.bindings;
    std::size_t from = 0;
    while (from < written.size()) {
        const std::size_t end = written.find('\n', from);
        check(end != std::string::npos);
        check(kvcontrol_apply_line(again, written.substr(from, end - from)));
        from = end + 1;
    }
    check(kvcontrol_file_text(again) == written);
    return 0;
}
