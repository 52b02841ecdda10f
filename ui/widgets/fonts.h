#pragma once
// Fonts: a font is a texture of 16 x 16 glyph cells and a metrics file of the same name plus ".fm"
// holding one signed width per character code, in sixteenths of the character size. The registry
// reads each font's metrics once per run, on the first request, and keeps the record for good: a
// font whose metrics are missing or short stays without metrics. The width rule, the "..." cut and
// the colour and font markup of list cells live here too.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct kvtext;

inline constexpr std::size_t kFontWidths = 256;
inline constexpr int kWidestCharacter = 15;  // sixteenths of the character size
inline constexpr const char* kFontMetricsSuffix = ".fm";

struct font_metrics {
    std::string name;
    uint8_t failed = 1;  // the file was missing or held fewer than 256 widths
    int8_t widths[kFontWidths] = {};
};

// Records in the order their fonts were first asked for.
struct font_registry {
    std::vector<std::unique_ptr<font_metrics>> fonts;
};

font_registry& font_registry_get();
// Forgets every record (for tests: the program never does).
void font_registry_clear();

// The widths of the font, or null: the call that reads a font's metrics file (texture base +
// sub-directory + name + ".fm", through `server_open_file`) always answers null, and so does every
// call for a font whose metrics failed.
const int8_t* font_find_metrics(const std::string& name);

// The text's width at that character size: each character adds min(width, 15) / 16 x size (widths
// are signed) to a single-precision sum, truncated toward zero at the end (and held in int32).
int32_t text_width(std::string_view text, int32_t size, const int8_t* widths);

// Cuts the label's text to the width (a negative one counts as 0) with a trailing "..." once it is
// as wide or wider; unchanged while its font has no metrics.
void kvtext_fit_width(kvtext& label, int32_t max);

// A list cell's markup: the first "/cN/c" gives the label the colour of bits 2, 1, 0 of N (red,
// green, blue), then the first "/fNAME/f" gives it that font; both markers are taken out of the
// returned text. An opening marker without its closing one stays in the text as it is.
std::string cell_markup(kvtext& label, const std::string& cell);
// The same markup, the remaining text becoming the label's text (which keeps its storage).
void kvtext_set_cell_text(kvtext& label, const std::string& cell);

}  // namespace kv
