// The demo's screen descriptions built into screens: every roll's item label stands inside the roll's
// box, left of its arrows, where the roll draws it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/screen_test_support.h"
#include "tests/ui/widget_test_support.h"
#include "tools/menu_screens.h"
#include "ui/widgets/kvroll.h"

namespace kv {
namespace {

using DemoScreens = screen_test;

TEST_F(DemoScreens, EveryRollsItemStandsInsideItsBox) {
    int rolls = 0;
    for (const tools::screen_desc& desc : tools::demo_screens()) {
        SCOPED_TRACE(desc.name);
        arty_description d;
        d.class_name = "kvscreen";
        d.instance_name = desc.name;
        d.parameters = std::make_unique<token_list>();
        token_list_init(*d.parameters, desc.parameters.size(), desc.parameters.data());
        kvscreen screen(factory_, d);
        for (std::size_t i = 0; i < screen.rolls.size(); ++i) {
            kvroll& roll = screen.rolls[i];
            if (roll.width <= 0.0f) continue;  // a roll with no place on the screen
            SCOPED_TRACE("roll " + std::to_string(i));
            ++rolls;
            kvroll_add_item(roll, "item", {1.0f, 1.0f, 1.0f, 1.0f});
            const kvtext& item = roll.items.back();
            EXPECT_GT(item.x, roll.x);
            EXPECT_LT(item.x, roll.x + roll.width - 2.0f * roll.arrow_step);
            EXPECT_GT(item.y, roll.y);
            EXPECT_LE(item.y, roll.y + roll.height);
        }
    }
    EXPECT_GE(rolls, 3);
}

}  // namespace
}  // namespace kv
