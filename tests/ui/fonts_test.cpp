#include "ui/widgets/fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "data/pak_archive.h"
#include "tests/ui/widget_test_support.h"
#include "tools/pak_writer.h"
#include "ui/widgets/kvtext.h"

namespace kv {
namespace {

std::string widths_of(int8_t width, std::size_t count = 256) {
    return std::string(count, static_cast<char>(width));
}

class Fonts : public widget_test {};

TEST_F(Fonts, MetricsLoadOnTheFirstLookupAndAnswerFromTheSecond) {
    std::string bytes = widths_of(8, 300);
    bytes['A'] = 12;
    write_metrics("gui_font02", bytes);
    EXPECT_EQ(font_find_metrics("gui_font02"), nullptr);
    const int8_t* widths = font_find_metrics("gui_font02");
    ASSERT_NE(widths, nullptr);
    EXPECT_EQ(widths[static_cast<int>('A')], 12);
    EXPECT_EQ(widths[255], 8);  // the 44 bytes past 256 are ignored
    EXPECT_EQ(font_find_metrics("gui_font02"), widths);

    // Records are kept by the exact name; the file is found as every data file is, also when only
    // its case differs (and a '\\' separates folders).
    EXPECT_EQ(font_find_metrics("GUI_FONT02"), nullptr);
    const int8_t* other_case = font_find_metrics("GUI_FONT02");
    ASSERT_NE(other_case, nullptr);
    EXPECT_NE(other_case, widths);
    EXPECT_EQ(other_case[static_cast<int>('A')], 12);
    EXPECT_EQ(font_registry_get().fonts.size(), 2u);
    write_metrics("slashed", widths_of(3));
    server_get().texture_dir = "tga\\";
    font_find_metrics("slashed");
    ASSERT_NE(font_find_metrics("slashed"), nullptr);
    EXPECT_EQ(font_find_metrics("slashed")[0], 3);
    EXPECT_EQ(log(), "");
}

TEST_F(Fonts, ShortOrMissingMetricsFailForTheRun) {
    write_metrics("short", widths_of(8, 255));
    EXPECT_EQ(font_find_metrics("short"), nullptr);
    EXPECT_EQ(font_find_metrics("missing"), nullptr);
    EXPECT_EQ(log(), "[0s0] gui: *WARNING* font metrics `short' hold fewer than 256 widths.\n");

    // Mending the files later changes nothing: the records stay failed.
    write_metrics("short", widths_of(8));
    write_metrics("missing", widths_of(8));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(font_find_metrics("short"), nullptr);
        EXPECT_EQ(font_find_metrics("missing"), nullptr);
    }
    EXPECT_EQ(font_registry_get().fonts.size(), 2u);
    EXPECT_EQ(log(), "[0s0] gui: *WARNING* font metrics `short' hold fewer than 256 widths.\n");
}

TEST_F(Fonts, MetricsComeFromTheTextureFolderThenTheArchives) {
    server& srv = server_get();
    tools::pak_writer pak;
    const std::string packed = widths_of(5);
    pak.add("tex/tga/packed.fm", {packed.begin(), packed.end()});
    const std::string loose_in_pak = widths_of(6);
    pak.add("tex/tga/both.fm", {loose_in_pak.begin(), loose_in_pak.end()});
    ASSERT_TRUE(pak.write(folder_.file("data.pak")));
    srv.archives.push_back(pak_archive_open(folder_.file("data.pak")));
    ASSERT_NE(srv.archives.back(), nullptr);
    write_metrics("both", widths_of(7));
    // A sub-directory chosen with another driver moves where the fonts are looked for.
    folder_.write("data/tex/gl/other.fm", widths_of(9));

    const struct {
        const char* font;
        int8_t width;
    } cases[] = {{"packed", 5}, {"both", 7}};
    for (const auto& c : cases) {
        font_find_metrics(c.font);
        const int8_t* widths = font_find_metrics(c.font);
        ASSERT_NE(widths, nullptr) << c.font;
        EXPECT_EQ(widths[static_cast<int>('x')], c.width) << c.font;
    }
    srv.texture_dir = "gl/";
    font_find_metrics("other");
    ASSERT_NE(font_find_metrics("other"), nullptr);
    EXPECT_EQ(font_find_metrics("other")[0], 9);
}

TEST_F(Fonts, WidthFitAndMarkup) {
    std::string bytes = widths_of(16);
    bytes[200] = 4;
    bytes[0xB0] = static_cast<char>(0xF0);  // -16: takes one size off
    bytes['H'] = bytes['e'] = bytes['l'] = bytes['o'] = 8;
    bytes['W'] = 127;  // counts as 15
    const int8_t* widths = add_font("font", bytes);
    ASSERT_NE(widths, nullptr);

    const struct {
        std::string text;
        int32_t size;
        int32_t width;
    } measured[] = {
        {"abc", 16, 45},                                   // 15/16 of 16 each
        {"", 16, 0},                                       // whatever the size
        {"", 1000000, 0},                                  //
        {"\xC8", 16, 4},                                   // code 200 uses its own width
        {"ab\xB0", 16, 14},                                // 30 - 16
        {"\xB0\xB0", 10, -20},                             // toward zero from below
        {"W", 16, 15},                                     // widths above 15 count as 15
        {"Hello", 10, 25},                                 // 5 x 8/16 x 10
        {"abc", 7, 19},                                    // 3 x 6.5625 = 19.6875, truncated
        {std::string(3000, 'a'), 1000000000, 2147483647},  // held in int32
    };
    for (const auto& m : measured) {
        EXPECT_EQ(text_width(m.text, m.size, widths), m.width) << m.text.substr(0, 8) << " " << m.size;
    }

    // Against the rule written out in double precision, over every width byte and sizes on both sides
    // of where the sum can be kept in single precision.
    const auto by_the_rule = [](const std::string& text, int32_t size, const int8_t* w) {
        float sum = 0.0f;
        for (const char ch : text) {
            const int c = std::min<int>(w[static_cast<uint8_t>(ch)], 15);
            sum = static_cast<float>(static_cast<double>(sum) +
                                     (c / 16.0) * static_cast<double>(static_cast<float>(size)));
        }
        // Held in int32.
        return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(sum), INT32_MIN, INT32_MAX));
    };
    int8_t all[256];
    std::string codes(256, '\0');
    for (int c = 0; c < 256; ++c) {
        all[c] = static_cast<int8_t>(c);
        codes[static_cast<std::size_t>(c)] = static_cast<char>(255 - c);
    }
    for (const int32_t size :
         {1, 7, 1000, 65535, 65536, 65537, 1048577, 16777217, -65535, -65537, -16777217}) {
        for (std::size_t length : {1u, 17u, 256u}) {
            const std::string text = codes.substr(0, length);
            EXPECT_EQ(text_width(text, size, all), by_the_rule(text, size, all)) << size << " " << length;
        }
    }

    const struct {
        std::string text;
        int32_t max;
        const char* fitted;
    } fits[] = {
        {"Hello", 26, "Hello"},  // narrower than the limit
        {"Hello", 25, "He..."},  // exactly as wide: still cut
        {"Hello", 21, "H..."},   // 'Hell' fits, less three characters
        {"ab", 5, "..."},        // too wide: shortened to nothing, then the dots
        {"ab", 20, "a..."},      // shortened to 'a', nothing more to drop
        {"ab", -3, "..."},       // a negative limit counts as 0
        {"", 0, "..."},          // 0 is not narrower than 0
    };
    for (const auto& f : fits) {
        kvtext label;
        kvtext_init(label, 0, 0, {1, 1, 1, 1}, f.text, "font", 10, 10, kTextAlignLeft, false);
        if (f.text == "ab") label.char_width = 16.0f;
        kvtext_fit_width(label, f.max);
        EXPECT_EQ(label.text, f.fitted) << f.text << " " << f.max;
    }

    // A font without metrics leaves the text alone.
    kvtext unmeasured;
    kvtext_init(unmeasured, 0, 0, {1, 1, 1, 1}, "Hello", "nofont", 10, 10, kTextAlignLeft, false);
    for (int i = 0; i < 2; ++i) kvtext_fit_width(unmeasured, 1);
    EXPECT_EQ(unmeasured.text, "Hello");

    const struct {
        const char* cell;
        const char* text;
        float colour[4];
        const char* font;
    } cells[] = {
        {"/c4/c/fgui_font01/fReady", "Ready", {1, 0, 0, 0}, "gui_font01"},
        {"/c2/cA/c1/cB", "A/c1/cB", {0, 1, 0, 0}, "font"},           // only the first of each
        {"/c7/c/f/f", "", {1, 1, 1, 0}, ""},                         // an empty font name is taken
        {"x/c 5z/cy", "xy", {1, 0, 1, 0}, "font"},                   // blanks, then digits to the first other
        {"/c-1/c", "", {1, 1, 1, 0}, "font"},                        // -1 has every bit
        {"/c/c/c", "/c", {0, 0, 0, 0}, "font"},                      // no digits: black
        {"/c99999999999999999999/c", "", {1, 1, 1, 0}, "font"},      // too long a number wraps, no fault
        {"/c4Ready", "/c4Ready", {0.5f, 0.5f, 0.5f, 0.5f}, "font"},  // unclosed: kept as text
        {"/fgui_font01Ready", "/fgui_font01Ready", {0.5f, 0.5f, 0.5f, 0.5f}, "font"},
        {"/c1/c/fx", "/fx", {0, 0, 1, 0}, "font"},
        {"/f/c4/c/fA", "A", {1, 0, 0, 0}, ""},  // colour first, then the font in what is left
    };
    for (const auto& c : cells) {
        kvtext label;
        kvtext_init(label, 0, 0, {0.5f, 0.5f, 0.5f, 0.5f}, "", "font", 10, 10, kTextAlignLeft, false);
        EXPECT_EQ(cell_markup(label, c.cell), c.text) << c.cell;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(label.colour[i], c.colour[i]) << c.cell << " " << i;
        EXPECT_EQ(label.font, c.font) << c.cell;
        // A selection row's label takes the same in its own text, whatever it held before.
        kvtext row;
        kvtext_init(row, 0, 0, {0.5f, 0.5f, 0.5f, 0.5f}, "a longer text of an earlier cell", "font", 10, 10,
                    kTextAlignLeft, false);
        kvtext_set_cell_text(row, c.cell);
        EXPECT_EQ(row.text, c.text) << c.cell;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(row.colour[i], c.colour[i]) << c.cell << " " << i;
        EXPECT_EQ(row.font, c.font) << c.cell;
    }
}

}  // namespace
}  // namespace kv
