#include "util/text_format.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(TextFormat, OnlySdAndPercentAreConversions) {
    struct Case {
        const char* format;
        std::vector<std::string> values;
        const char* expected;
    };
    const Case cases[] = {
        {"%s joined team %d (%s)", {"Ann", "2", "Blue"}, "Ann joined team 2 (Blue)"},
        {"100%% %x %n %5s", {"a"}, "100% %x %n %5s"},
        {"%s and %s and %d", {"one"}, "one and  and "},
        {"%d", {"text", "surplus"}, "text"},
        {"trailing %", {}, "trailing %"},
    };
    for (const Case& c : cases) EXPECT_EQ(text_format(c.format, c.values), c.expected) << c.format;
}

}  // namespace
}  // namespace kv
