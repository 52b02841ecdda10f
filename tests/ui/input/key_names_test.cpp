#include "ui/input/key_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/key_bindings.h"
#include "kernel/option_registry.h"
#include "ui/input/input.h"

namespace kv {
namespace {

class KeyNames : public ::testing::Test {
protected:
    void SetUp() override { input_register_names(in_, options_); }
    input in_;
    option_registry options_;
};

TEST_F(KeyNames, EveryNameRoundTripsAndTheTablesHaveTheirSizes) {
    ASSERT_EQ(in_.key_names.size(), 100u);
    ASSERT_EQ(in_.actions.size(), 39u);
    std::set<uint32_t> codes;
    for (const key_name& entry : in_.key_names) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(codes.insert(entry.code).second) << "code twice";
        EXPECT_EQ(input_key_code_by_name(in_, entry.name), static_cast<int32_t>(entry.code));
        EXPECT_EQ(input_key_name(in_, static_cast<int32_t>(entry.code)), entry.name);
    }
    EXPECT_EQ(in_.key_names[88].name, "NUMPAD UP");
    EXPECT_EQ(in_.key_names[88].code, 168u);
    EXPECT_EQ(in_.key_names[89].name, "NUMPAD DOWN");
    EXPECT_EQ(in_.key_names[89].code, 167u);

    struct name_case {
        const char* name;
        int32_t code;
    };
    for (const name_case& c : {name_case{"a", 0},
                               {"A", 97},
                               {"", 0},
                               {"SPACE", 32},
                               {"space", 0},
                               {"MOUSE RBUTTON", 178},
                               {"F12", 143},
                               {"F1 ", 0},
                               {"\\", 92}}) {
        EXPECT_EQ(input_key_code_by_name(in_, c.name), c.code) << c.name;
    }
    EXPECT_EQ(input_key_name(in_, 999), "");
    EXPECT_EQ(input_action_by_name(in_, "forward"), 0x10000);
    EXPECT_EQ(input_action_by_name(in_, "Forward"), 1);
    EXPECT_EQ(input_action_by_name(in_, "Breath control"), 45);
    EXPECT_EQ(option_registry_get_text(options_, "msensitivity"), option_text_from_float(5.0f));
}

// Every key but the empty one and the mouse buttons comes from one DirectInput constant; the
// Win32 table holds its 62 keys; what the tables lack gives 0.
TEST_F(KeyNames, TranslationTablesReachEveryKeyOnce) {
    std::set<uint32_t> from_dik;
    for (int i = 0; i < kDirectInputKeyCount; ++i) {
        const key_translation& t = direct_input_key_table()[i];
        EXPECT_EQ(key_code_from_direct_input(t.from), static_cast<int32_t>(t.code)) << "constant " << t.from;
        EXPECT_TRUE(from_dik.insert(t.code).second) << "code " << t.code;
        EXPECT_NE(input_key_name(in_, static_cast<int32_t>(t.code)), "") << "code " << t.code;
    }
    for (const key_name& entry : in_.key_names) {
        const bool expected = entry.code != 0 && entry.code < 176;
        EXPECT_EQ(from_dik.count(entry.code) == 1, expected) << entry.name;
    }
    // Standard constants: NUMPAD8 is up, NUMPAD2 down, RETURN enter, the right Alt is extended.
    struct pair_case {
        uint32_t dik;
        int32_t code;
    };
    for (const pair_case& c : {pair_case{0x48, 168},
                               {0x50, 167},
                               {0x1C, 145},
                               {0xB8, 159},
                               {0x1E, 'a'},
                               {0x0B, '0'},
                               {0x29, '`'},
                               {0x9C, 175},
                               {0x3A, 0},
                               {0x45, 0},
                               {0x46, 0},
                               {0x00, 0},
                               {0xFF, 0}}) {
        EXPECT_EQ(key_code_from_direct_input(c.dik), c.code) << "constant " << c.dik;
    }
    for (const pair_case& c : {pair_case{'A', 'a'},
                               {'Z', 'z'},
                               {'5', '5'},
                               {0x70, 132},
                               {0x79, 141},
                               {0x7A, 0},
                               {0xA0, 154},
                               {0xA5, 159},
                               {0x25, 130},
                               {0x26, 128},
                               {0x24, 0},
                               {0xBA, 0}}) {
        EXPECT_EQ(key_code_from_virtual_key(c.dik), c.code) << "virtual key " << c.dik;
    }
}

TEST_F(KeyNames, RebindingMovesTheKeyAndClearsTheOtherAction) {
    input_bind_key(in_, 'w', 1);
    input_bind_key(in_, 's', 2);
    EXPECT_EQ(input_find_action(in_, 'w'), 1);
    EXPECT_EQ(input_find_key(in_, 2), 's');
    EXPECT_EQ(input_find_key(in_, 37), -1);  // never bound
    EXPECT_EQ(input_find_action(in_, 'q'), 0x10000);

    // 'w' moves to Backward: Forward keeps a cleared binding, Backward the new key.
    input_bind_key(in_, 'w', 2);
    EXPECT_EQ(input_find_key(in_, 1), 0);
    EXPECT_EQ(input_find_key(in_, 2), 'w');
    EXPECT_EQ(input_find_action(in_, 's'), 0x10000);
    EXPECT_EQ(input_find_action(in_, 'w'), 2);
    ASSERT_EQ(in_.bindings.size(), 2u);

    server_get().text_tables[kTextKeys].entries = {"Move forward", "Move back"};
    std::string key, action, label;
    ASSERT_TRUE(input_action_row(in_, 0, key, action, label));
    EXPECT_EQ(key, "");
    EXPECT_EQ(action, "Forward");
    EXPECT_EQ(label, "Move forward");
    ASSERT_TRUE(input_action_row(in_, 1, key, action, label));
    EXPECT_EQ(key, "W");
    EXPECT_EQ(label, "Move back");
    EXPECT_FALSE(input_action_row(in_, 2, key, action, label));  // Step left: never bound
    EXPECT_FALSE(input_action_row(in_, 39, key, action, label));
    // A label past the end of the table is empty.
    input_bind_key(in_, 'p', 45);
    ASSERT_TRUE(input_action_row(in_, 38, key, action, label));
    EXPECT_EQ(key, "P");
    EXPECT_EQ(label, "");
    server_get().text_tables[kTextKeys].entries.clear();

    // The default bindings installed twice equal once.
    kernel once, twice;
    bind_default_keys(once);
    bind_default_keys(twice);
    bind_default_keys(twice);
    ASSERT_EQ(once.input_layer.bindings.size(), twice.input_layer.bindings.size());
    for (std::size_t i = 0; i < once.input_layer.bindings.size(); ++i) {
        EXPECT_EQ(once.input_layer.bindings[i].key, twice.input_layer.bindings[i].key);
        EXPECT_EQ(once.input_layer.bindings[i].action, twice.input_layer.bindings[i].action);
    }
    EXPECT_EQ(input_find_key(once.input_layer, 26), -1);   // no console key by default
    EXPECT_EQ(input_find_key(once.input_layer, 22), 139);  // Screenshot on F8
}

}  // namespace
}  // namespace kv
