#include "util/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <limits>

namespace kv {
namespace {

struct field_case {
    const char* text;
    int index;
    char separator;
    const char* field;
};

TEST(Text, FieldSplitsAtSingleSeparators) {
    const field_case cases[] = {
        {"a::b", 0, ':', "a"},
        {"a::b", 1, ':', ""},
        {"a::b", 2, ':', "b"},
        {"kvbase:basic", 0, ':', "kvbase"},
        {"kvbase:basic", 1, ':', "basic"},
        {"a:", 0, ':', "a"},
        {"a:", 1, ':', ""},
        {"n_join 10.0.0.1 7", 1, ' ', "10.0.0.1"},
        // A leading separator belongs to the first field.
        {":a:b", 0, ':', ":a"},
        {":a:b", 1, ':', "b"},
        {"::", 0, ':', ":"},
        {"::", 1, ':', ""},
        // Fewer fields than asked: the last field.
        {"kvbase:basic", 2, ':', "basic"},
        {"basic", 0, ':', "basic"},
        {"basic", 1, ':', "basic"},
        {"a::b", 7, ':', "b"},
        {"", 0, ':', ""},
        {"", 3, ':', ""},
        {"x", 1, ':', "x"},
        // A negative index: nothing.
        {"a:b", -1, ':', ""},
        {"a:b", INT_MIN, ':', ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.index));
        EXPECT_EQ(str_field(c.text, c.index, c.separator), c.field);
    }
}

TEST(Text, FieldOrEmptyGivesNothingForMissingFields) {
    const field_case cases[] = {
        {"kvbase:basic", 0, ':', "kvbase"},
        {"kvbase:basic", 1, ':', "basic"},
        {"kvbase:basic", 2, ':', ""},
        {"basic", 0, ':', "basic"},
        {"basic", 1, ':', ""},
        {"a::b", 1, ':', ""},
        {"a::b", 2, ':', "b"},
        {"a::b", 3, ':', ""},
        {":a", 0, ':', ":a"},
        {":a", 1, ':', ""},
        {"", 0, ':', ""},
        {"a:b", -1, ':', ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.index));
        EXPECT_EQ(str_field_or_empty(c.text, c.index, c.separator), c.field);
    }
}

TEST(Text, QuotedFieldKeepsQuotedSeparators) {
    const field_case cases[] = {
        {"a,\"b,c\",d", 0, ',', "a"},
        {"a,\"b,c\",d", 1, ',', "b,c"},
        {"a,\"b,c\",d", 2, ',', "d"},
        {"a,\"b,c\",d", 3, ',', "d"},
        {"a,,b", 1, ',', ""},
        {"a,\"\",b", 1, ',', ""},
        {"\"x\"", 0, ',', "x"},
        {"\"", 0, ',', ""},
        {"\"open,quote", 0, ',', "open,quote"},
        {"\"open,quote", 1, ',', "open,quote"},
        {"say \"hi\",x", 0, ',', "say \"hi"},
        {"say \"hi\",x", 1, ',', "x"},
        {",a", 0, ',', ""},
        {",a", 1, ',', "a"},
        {"a,b", 5, ',', "b"},
        {"a,", 1, ',', ""},
        {"", 0, ',', ""},
        {"a,b", -1, ',', ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.index));
        EXPECT_EQ(str_field_quoted(c.text, c.index, c.separator), c.field);
    }
}

TEST(Text, FormatReturnsTheWholeText) {
    EXPECT_EQ(str_format("%s:%s", "kvbase", "basic"), "kvbase:basic");
    EXPECT_EQ(str_format("pid%d", 100), "pid100");
    EXPECT_EQ(str_format("%g %.2f %d", 1.5, 0.25, -3), "1.5 0.25 -3");
    EXPECT_EQ(str_format("%s", ""), "");
    // Well past the 255 characters of a fixed buffer: nothing is cut.
    const std::string dir(300, 'd');
    const std::string path = str_format("%s/%s-lmap", dir.c_str(), "level1");
    EXPECT_EQ(path, dir + "/level1-lmap");
    EXPECT_EQ(str_format("%255s|", "x").size(), 256u);
}

TEST(Text, IntParsesLikeAtoiAndClamps) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"42", 42},
        {"  -17", -17},
        {"\t\n\v\f\r 5", 5},
        {"+8", 8},
        {"0012", 12},
        {"12abc", 12},
        {"3.9", 3},
        {"1,5", 1},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"--5", 0},
        {"- 5", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(str_to_int(c.text), c.value);
    }
}

TEST(Text, FloatParsesWithAPointWhateverTheLocale) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"1.5", 1.5f},     {"  -2.25", -2.25f}, {"+0.5", 0.5f},   {".5", 0.5f},       {"1e3", 1000.0f},
        {"2.5E-1", 0.25f}, {"0.1", 0.1f},       {"3.5abc", 3.5f}, {"1,5", 1.0f},      {"7", 7.0f},
        {"abc", 0.0f},     {"", 0.0f},          {"--1", 0.0f},    {"-+1", 0.0f},      {"1e39", inf},
        {"-1e39", -inf},   {"1e99999", inf},    {"1e-50", 0.0f},  {"1e-99999", 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(str_to_float(c.text), c.value);
    }
    EXPECT_TRUE(std::isnan(str_to_float("nan")));
}

// Switches the process to a locale with a decimal comma, when the machine has one.
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name :
             {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name) && *std::localeconv()->decimal_point == ',') {
                active = true;
                return;
            }
        }
        std::setlocale(LC_ALL, "C");
    }
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    bool active = false;
};

TEST(Text, NumbersStayInTheCLocaleUnderADecimalCommaLocale) {
    CommaLocale comma;
    if (!comma.active) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(str_format("%g", 1.5), "1.5");
    EXPECT_EQ(str_format("%.3f|%d", -0.125, 7), "-0.125|7");
    EXPECT_EQ(str_to_float("1.5"), 1.5f);
    EXPECT_EQ(str_to_float("1,5"), 1.0f);
    EXPECT_EQ(str_to_int("12,5"), 12);
    // The thread's own locale is back after formatting.
    EXPECT_EQ(*std::localeconv()->decimal_point, ',');
}

}  // namespace
}  // namespace kv
