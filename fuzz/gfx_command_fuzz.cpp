// Arbitrary console lines (one a line) into the renderer's "g_" commands, on a front end with the
// null driver, followed by every mode of the statistics line. No command may crash, whatever its
// arguments; the options stay within what their fields hold.

#include <cstdint>
#include <string>
#include <string_view>

#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "gfx/gfx_commands.h"
#include "gfx/gfx_stats.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gfx g;
    g.driver = std::make_unique<null_driver>();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        // The console hands on only lines that begin with "g_".
        if (!line.starts_with("g_")) line = "g_" + line;
        if (gfx_console_command(g, line) != -1) __builtin_trap();
        start = end + 1;
    }
    for (int32_t mode = 0; mode <= 5; ++mode) {
        g.options.rti_dispmode = mode;
        (void)gfx_rti_text(g);
    }
    return 0;
}
