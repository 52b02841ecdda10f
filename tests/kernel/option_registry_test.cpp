#include "kernel/option_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

// One variable of each kind, bound under the names the tests use.
struct owner {
    bool flag = false;
    int32_t number = 0;
    float real = 0.0f;
    std::string text;

    void bind(option_registry& registry) {
        option_registry_add_bool(registry, "flag", &flag);
        option_registry_add_int(registry, "number", &number);
        option_registry_add_float(registry, "real", &real);
        option_registry_add_string(registry, "text", &text);
    }
};

TEST(OptionRegistry, TextIntoBoundVariables) {
    option_registry registry;
    owner o;
    o.bind(registry);
    struct text_case {
        const char* name;
        const char* text;
        const char* stored;  // the variable read back as text
    };
    const text_case cases[] = {
        {"flag", "true", "true"},    {"flag", "True", "false"},
        {"flag", "1", "false"},      {"flag", "true ", "false"},
        {"number", "12abc", "12"},   {"number", "  -7", "-7"},
        {"number", "+8", "8"},       {"number", "x1", "0"},
        {"number", "", "0"},         {"number", "99999999999", "2147483647"},
        {"real", "abc", "0"},        {"real", "0.5", "0.5"},
        {"real", " -2.5e1x", "-25"}, {"real", "1,5", "1"},
        {"real", "1e39", "inf"},     {"text", "any thing", "any thing"},
    };
    for (const text_case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " := " + c.text);
        o = owner{true, 99, 99.0f, "old"};
        ASSERT_TRUE(option_registry_set_text(registry, c.name, c.text));
        EXPECT_EQ(option_registry_get_text(registry, c.name), c.stored);
    }
    EXPECT_FALSE(option_registry_set_text(registry, "nothing", "1"));
    EXPECT_FALSE(option_registry_set_text(registry, "Flag", "true"));
}

TEST(OptionRegistry, VariablesAsText) {
    option_registry registry;
    owner o;
    o.bind(registry);
    struct value_case {
        float real;
        const char* text;
    };
    const value_case cases[] = {
        {0.5f, "0.5"},
        {1000000.0f, "1e+06"},
        {5.0f, "5"},
        {0.05f, "0.05"},
        {-1.25f, "-1.25"},
        {0.0005f, "0.0005"},
        {123456789.0f, "1.23457e+08"},
        {1e-5f, "1e-05"},
    };
    for (const value_case& c : cases) {
        o.real = c.real;
        EXPECT_EQ(option_registry_get_text(registry, "real"), c.text);
    }
    o.flag = true;
    o.number = -3;
    o.text = "Player";
    EXPECT_EQ(option_registry_get_text(registry, "flag"), "true");
    EXPECT_EQ(option_registry_get_text(registry, "number"), "-3");
    EXPECT_EQ(option_registry_get_text(registry, "text"), "Player");
    o.flag = false;
    EXPECT_EQ(option_registry_get_text(registry, "flag"), "false");
    EXPECT_EQ(option_registry_get_text(registry, "none"), "<N/A>");
}

TEST(OptionRegistry, BareNamesTakeTheKindsInOrderBooleanIntegerFloatString) {
    option_registry registry;
    bool flag = false;
    int32_t number = 5;
    float real = 1.5f;
    std::string text = "s";
    option_registry_add_string(registry, "same", &text);
    option_registry_add_float(registry, "same", &real);
    EXPECT_EQ(option_registry_get_text(registry, "same"), "1.5");
    option_registry_add_int(registry, "same", &number);
    EXPECT_EQ(option_registry_get_text(registry, "same"), "5");
    option_registry_add_bool(registry, "same", &flag);
    EXPECT_EQ(option_registry_get_text(registry, "same"), "false");
    EXPECT_TRUE(option_registry_set_text(registry, "same", "true"));
    EXPECT_TRUE(flag);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(real, 1.5f);
    EXPECT_EQ(text, "s");
}

TEST(OptionRegistry, RebindingPointsTheKeyAtTheNewVariable) {
    option_registry registry;
    int32_t first = 1;
    int32_t second = 2;
    option_registry_add_int(registry, "n", &first);
    option_registry_add_int(registry, "n", &second);
    EXPECT_EQ(registry.bindings.size(), 1u);
    option_registry_set_text(registry, "n", "9");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 9);
}

TEST(OptionRegistry, KeysAreOrderedByKindThenNameWithUpperCaseFirst) {
    option_registry registry;
    bool b = false;
    int32_t i = 0;
    float f = 0.0f;
    std::string s;
    option_registry_add_string(registry, "lastprof", &s);
    option_registry_add_int(registry, "minfps", &i);
    option_registry_add_bool(registry, "portals_on", &b);
    option_registry_add_float(registry, "gvolume", &f);
    option_registry_add_bool(registry, "LOD_on", &b);
    option_registry_add_bool(registry, "bfcull_on", &b);
    std::vector<std::string> keys;
    for (const auto& [key, binding] : registry.bindings) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"BLOD_on", "Bbfcull_on", "Bportals_on", "Fgvolume", "Iminfps",
                                              "Slastprof"}));
}

TEST(OptionRegistry, SaveIsWantedOnlyWithBindingsOrKeptSettings) {
    option_registry registry;
    EXPECT_FALSE(option_registry_save_wanted(registry));
    int32_t level = 0;
    option_registry_add_int(registry, "log_level", &level);
    EXPECT_TRUE(option_registry_save_wanted(registry));

    option_registry keeping;
    EXPECT_FALSE(option_registry_set_or_keep(keeping, "minfps", "20"));
    EXPECT_TRUE(option_registry_save_wanted(keeping));
}

// A value for a name nobody has bound yet waits for its owner; the last value given wins, and the
// owner's binding takes it.
TEST(OptionRegistry, ValueOfAnAbsentOwnerIsKeptUntilItBinds) {
    option_registry registry;
    int32_t minfps = 15;
    EXPECT_FALSE(option_registry_set_or_keep(registry, "minfps", "20"));
    EXPECT_FALSE(option_registry_set_or_keep(registry, "fullscreen", "true"));
    EXPECT_FALSE(option_registry_set_or_keep(registry, "minfps", "25"));
    EXPECT_EQ(option_registry_get_text(registry, "minfps"), "<N/A>");
    ASSERT_EQ(registry.kept.size(), 2u);
    EXPECT_EQ(registry.kept[0].name, "minfps");
    EXPECT_EQ(registry.kept[0].value, "25");

    option_registry_add_int(registry, "minfps", &minfps);
    EXPECT_EQ(minfps, 25);
    ASSERT_EQ(registry.kept.size(), 1u);
    EXPECT_EQ(registry.kept[0].name, "fullscreen");

    // Bound: the value goes into the variable and nothing more is kept.
    EXPECT_TRUE(option_registry_set_or_keep(registry, "minfps", "30"));
    EXPECT_EQ(minfps, 30);
    EXPECT_EQ(registry.kept.size(), 1u);
}

TEST(OptionRegistry, RecordsAreTheBindingsInKeyOrderThenTheKeptSettings) {
    option_registry registry;
    owner o;
    o.number = -4;
    o.text = std::string(40000, 'x');
    option_registry_set_or_keep(registry, "zeta", "1");
    option_registry_set_or_keep(registry, "alpha", "two");
    o.bind(registry);
    std::vector<std::string> records;
    for (const option_record& r : option_registry_records(registry))
        records.push_back(r.name + "=" + r.value);
    EXPECT_EQ(records, (std::vector<std::string>{"flag=false", "real=0", "number=-4",
                                                 "text=" + std::string(32767, 'x'), "zeta=1", "alpha=two"}));
}

}  // namespace
}  // namespace kv
