#include "kernel/key_bindings.h"

#include <gtest/gtest.h>

#include "kernel/kernel.h"
#include "kernel_fixture.h"

namespace kv {
namespace {

using KeyBindings = KernelFixture;

int64_t key_of(const input& in, uint32_t action) {
    for (const key_binding& binding : in.bindings) {
        if (binding.action == action) return binding.key;
    }
    return -1;
}

TEST_F(KeyBindings, DefaultsLandInTheInputLayer) {
    bind_default_keys(*k_);
    const std::vector<key_binding>& bindings = k_->input_layer.bindings;
    // 46 pairs, no key bound twice.
    ASSERT_EQ(bindings.size(), 46u);
    EXPECT_EQ(bindings.front().key, uint32_t{'a'});
    EXPECT_EQ(bindings.front().action, 11u);
    EXPECT_EQ(bindings.back().key, uint32_t{'7'});
    EXPECT_EQ(bindings.back().action, 0u);

    const std::pair<uint32_t, uint32_t> samples[] = {
        {'w', 1},   {'s', 2},  {' ', 17}, {154, 18}, {176, 37},   {178, 38},   {177, 39},
        {'\\', 46}, {158, 45}, {'h', 7},  {135, 27}, {146, 21},   {139, 22},   {140, 4096},
        {144, 24},  {132, 23}, {'6', 47}, {'m', 49}, {'p', 4106}, {'[', 4107}, {']', 4108},
    };
    for (const auto& [key, action] : samples) {
        EXPECT_EQ(key_of(k_->input_layer, action), key) << "action " << action;
    }
    // ESCAPE quits; the console, camera and lamp actions have no key.
    for (uint32_t unbound : {26u, 28u, 29u, 43u}) EXPECT_EQ(key_of(k_->input_layer, unbound), -1) << unbound;
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        for (std::size_t j = i + 1; j < bindings.size(); ++j) {
            EXPECT_NE(bindings[i].key, bindings[j].key) << i << " " << j;
            EXPECT_NE(bindings[i].action, bindings[j].action) << i << " " << j;
        }
    }
}

TEST_F(KeyBindings, RunningTwiceGivesTheSameBindings) {
    bind_default_keys(*k_);
    const std::vector<key_binding> once = k_->input_layer.bindings;
    bind_default_keys(*k_);
    const std::vector<key_binding>& twice = k_->input_layer.bindings;
    ASSERT_EQ(twice.size(), once.size());
    for (std::size_t i = 0; i < once.size(); ++i) {
        EXPECT_EQ(twice[i].key, once[i].key);
        EXPECT_EQ(twice[i].action, once[i].action);
    }
}

TEST_F(KeyBindings, DefaultsTakeKeysFromEarlierBindings) {
    kernel_bind_key(*k_, 146, 26);  // ESCAPE on "Toggle console"
    kernel_bind_key(*k_, 'g', 1);   // "Forward" on G
    bind_default_keys(*k_);
    EXPECT_EQ(key_of(k_->input_layer, 26), 0);  // cleared binding
    EXPECT_EQ(key_of(k_->input_layer, 21), 146);
    EXPECT_EQ(key_of(k_->input_layer, 1), uint32_t{'w'});
}

}  // namespace
}  // namespace kv
