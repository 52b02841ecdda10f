// Reads arbitrary bytes as a font's metrics file from the texture folder of a scratch data
// directory: the first lookup never answers, the second answers exactly when 256 widths were there,
// and measuring any text with what was read stays in range.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/server.h"
#include "ui/widgets/fonts.h"

namespace {

using namespace kv;

struct scratch_data {
    scratch_data() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder = base / ("kv_font_metrics_fuzz_" + std::to_string(n));
            if (std::filesystem::create_directory(folder)) break;
        }
        std::filesystem::create_directories(folder / "tex" / "tga");
        server& srv = server_get();
        srv.data_dir = folder.string() + "/";
        srv.texture_base_dir = "tex/";
        srv.texture_dir = "tga/";
    }
    ~scratch_data() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::filesystem::path folder;
};

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static scratch_data scratch;
    {
        std::ofstream out(scratch.folder / "tex" / "tga" / "font.fm", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    font_registry_clear();
    check(font_find_metrics("font") == nullptr);
    const int8_t* widths = font_find_metrics("font");
    check((widths != nullptr) == (size >= kFontWidths));
    if (!widths) return 0;
    std::string every_code(256, '\0');
    for (int c = 0; c < 256; ++c) every_code[static_cast<std::size_t>(c)] = static_cast<char>(c);
    for (const int32_t size_value : {16, 0, -7, 2147483647, -2147483647 - 1}) {
        const int32_t width = text_width(every_code, size_value, widths);
        if (size_value == 0) check(width == 0);
    }
    return 0;
}
