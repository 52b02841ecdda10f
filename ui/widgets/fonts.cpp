#include "ui/widgets/fonts.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/file_stream.h"
#include "game/server.h"
#include "kernel/log.h"
#include "ui/widgets/kvtext.h"
#include "ui/widgets/widget_texture.h"

namespace kv {
namespace {

constexpr const char* kEllipsis = "...";
constexpr std::size_t kEllipsisCut = 3;

// Below this size every share (a width of at most 128 either way, times the size, over 16) is exact
// in single precision, and adding it in single precision rounds the sum as adding it in double
// precision and storing it does (double precision has more than twice the digits plus two).
constexpr int32_t kExactSingleSize = 1 << 16;

// The running sum of the width rule: each character's share is added and the sum stored as a
// single-precision value.
class width_sum {
public:
    width_sum(int32_t size, const int8_t* widths)
        : widths_(widths),
          size_(static_cast<float>(size)),
          exact_single_(size > -kExactSingleSize && size < kExactSingleSize) {}

    void add(uint8_t c) {
        const int w = std::min<int>(widths_[c], kWidestCharacter);
        if (exact_single_) {
            sum_ += static_cast<float>(w) * size_ * (1.0f / 16.0f);
        } else {
            sum_ = static_cast<float>(static_cast<double>(sum_) + (w / 16.0) * static_cast<double>(size_));
        }
    }
    float sum() const { return sum_; }

private:
    const int8_t* widths_;
    float size_;
    bool exact_single_;
    float sum_ = 0.0f;
};

// The sum truncated toward zero, held in int32 (a long text at a large size leaves its range).
int32_t width_of_sum(float sum) {
    return screen_int(static_cast<double>(sum));
}

// The decimal number of a colour marker: leading blanks and a sign, then digits up to the first
// other character; no digits read as 0. It wraps rather than overflow (only its low bits count).
uint32_t read_colour_number(std::string_view digits) {
    std::size_t i = 0;
    while (i < digits.size() && (digits[i] == ' ' || (digits[i] >= '\t' && digits[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
    uint32_t n = 0;
    for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
        n = n * 10u + static_cast<uint32_t>(digits[i] - '0');
    }
    return negative ? 0u - n : n;
}

// The first marker pair from `marker` on: the text between them, with the pair taken out of the
// text. False (and the text unchanged) without both markers.
bool take_marked(std::string& text, const char* marker, std::string& between) {
    const std::size_t open = text.find(marker);
    if (open == std::string::npos) return false;
    const std::size_t close = text.find(marker, open + 2);
    if (close == std::string::npos) return false;
    between.assign(text, open + 2, close - open - 2);
    text.erase(open, close - open + 2);
    return true;
}

// The markup taken out of the text, its colour and font given to the label.
void apply_markup(kvtext& label, std::string& text) {
    std::string between;
    if (take_marked(text, "/c", between)) {
        const uint32_t n = read_colour_number(between);
        label.colour[0] = (n & 4u) ? 1.0f : 0.0f;
        label.colour[1] = (n & 2u) ? 1.0f : 0.0f;
        label.colour[2] = (n & 1u) ? 1.0f : 0.0f;
        label.colour[3] = 0.0f;
    }
    if (take_marked(text, "/f", between)) label.font = between;
}

}  // namespace

font_registry& font_registry_get() {
    static font_registry registry;
    return registry;
}

void font_registry_clear() {
    font_registry_get().fonts.clear();
}

const int8_t* font_find_metrics(const std::string& name) {
    font_registry& registry = font_registry_get();
    for (const auto& record : registry.fonts) {
        if (record->name == name) return record->failed ? nullptr : record->widths;
    }
    auto record = std::make_unique<font_metrics>();
    record->name = name;
    server& srv = server_get();
    if (std::unique_ptr<file_stream> stream =
            server_open_file(srv, server_image_path(srv, name + kFontMetricsSuffix), false)) {
        std::size_t count = 0;
        if (file_stream_read(*stream, record->widths, kFontWidths, &count) && count == kFontWidths) {
            record->failed = 0;
        } else {
            log_stamped("gui: *WARNING* font metrics `%s' hold fewer than 256 widths.\n", name.c_str());
        }
        file_stream_close(*stream);
    }
    registry.fonts.push_back(std::move(record));
    return nullptr;
}

int32_t text_width(std::string_view text, int32_t size, const int8_t* widths) {
    width_sum sum(size, widths);
    for (const char ch : text) sum.add(static_cast<uint8_t>(ch));
    return width_of_sum(sum.sum());
}

void kvtext_fit_width(kvtext& label, int32_t max) {
    const int8_t* widths = font_find_metrics(label.font);
    if (!widths) return;
    max = std::max(max, 0);
    const std::string_view text = label.text;
    const int32_t size = screen_int(static_cast<double>(label.char_width));
    if (text_width(text, size, widths) < max) return;
    // Dropping the last character and measuring again until the text fits finds the longest prefix
    // that fits: every prefix's width is the running sum at its end, so one pass finds it too.
    width_sum sum(size, widths);
    std::size_t keep = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        sum.add(static_cast<uint8_t>(text[i]));
        if (width_of_sum(sum.sum()) <= max) keep = i + 1;
    }
    // Cut in place: the label keeps its text's storage.
    label.text.resize(keep);
    if (keep >= kEllipsisCut) label.text.resize(keep - kEllipsisCut);
    label.text += kEllipsis;
}

std::string cell_markup(kvtext& label, const std::string& cell) {
    std::string text = cell;
    apply_markup(label, text);
    return text;
}

void kvtext_set_cell_text(kvtext& label, const std::string& cell) {
    if (&cell != &label.text) label.text.assign(cell);
    apply_markup(label, label.text);
}

}  // namespace kv
