// List cells carry nicks and server names from the network: arbitrary cell texts go through the
// colour and font markup and are cut to arbitrary widths with an arbitrary width table. The input
// is the 256 widths, the maximum width and the character size (four bytes each, little-endian),
// then the cell's text.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ui/widgets/fonts.h"
#include "ui/widgets/kvtext.h"
#include "ui/widgets/widget_texture.h"

namespace {

using namespace kv;

constexpr std::size_t kHeader = kFontWidths + 8;
constexpr const char* kFont = "cell";

void check(bool condition) {
    if (!condition) std::abort();
}

int32_t read_i32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | p[i];
    int32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader) return 0;
    font_registry_clear();
    auto record = std::make_unique<font_metrics>();
    record->name = kFont;
    record->failed = 0;
    std::memcpy(record->widths, data, kFontWidths);
    font_registry_get().fonts.push_back(std::move(record));

    const int32_t max = read_i32(data + kFontWidths);
    const int32_t char_size = read_i32(data + kFontWidths + 4);
    const std::string cell(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

    kvtext label;
    kvtext_init(label, 0, 0, {0.5f, 0.5f, 0.5f, 0.5f}, "", kFont, char_size, char_size, kTextAlignLeft,
                false);
    const std::string text = cell_markup(label, cell);
    check(text.size() <= cell.size());
    for (const float c : label.colour) check(c == 0.0f || c == 0.5f || c == 1.0f);

    // The selection rows take the markup in their label's own text, holding an earlier cell's text:
    // the same text, colour and font.
    kvtext row;
    kvtext_init(row, 0, 0, {0.5f, 0.5f, 0.5f, 0.5f}, "an earlier cell, longer than the small buffer", kFont,
                char_size, char_size, kTextAlignLeft, false);
    kvtext_set_cell_text(row, cell);
    check(row.text == text && row.font == label.font);
    for (int i = 0; i < 4; ++i) check(row.colour[i] == label.colour[i]);

    // The markup may have named another font: fit with the fuzzed widths.
    label.font = kFont;
    label.text = text;
    kvtext_fit_width(label, max);
    const int32_t used_size = screen_int(static_cast<double>(label.char_width));
    const bool cut = text_width(text, used_size, font_find_metrics(kFont)) >= (max < 0 ? 0 : max);
    if (cut) {
        check(label.text.size() >= 3 && label.text.compare(label.text.size() - 3, 3, "...") == 0);
        check(label.text.size() <= text.size() + 3);
        check(text.compare(0, label.text.size() - 3, label.text, 0, label.text.size() - 3) == 0);
    } else {
        check(label.text == text);
    }
    return 0;
}
