#include "beings/weapon_slots.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "beings/being.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "kernel/neighbour_standins.h"
#include "tests/data/data_test_support.h"
#include "util/text.h"

namespace kv {
namespace {

// The soldier's side, written down.
class recording_host : public weapon_slot_host {
public:
    int32_t dress_weapon_models(int32_t weapon) override {
        calls.push_back(str_format("dress %d", weapon));
        return 1;
    }
    void lower_sights() override { calls.push_back("lower"); }
    bool animation_queued() const override { return queued; }
    void drop_in_world(int32_t weapon, const std::string& model) override {
        calls.push_back(str_format("drop %d %s", weapon, model.c_str()));
    }
    void hand_goal_entry(const weapon_entry& entry) override {
        calls.push_back(str_format("goal %d %s", entry.values[3], entry.text.c_str()));
    }

    std::vector<std::string> calls;
    bool queued = false;
};

class WeaponSlots : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        standins_reset();
        owner_.name = "pid100";
        owner_.record = &record_;
        record_.team = 0;
        record_.specialisation = 0;
    }

    void TearDown() override {
        standins_reset();
        data_test::TearDown();
    }

    weapon_carrier carrier() { return {owner_, host_, &game_, &srv_}; }

    void give(std::initializer_list<int32_t> weapons) {
        for (int32_t w : weapons) ASSERT_TRUE(being_give_weapon(s_, w)) << w;
    }

    // Every used slot as weapon:rounds, '*' when held, in brackets when current; then the load.
    std::string state() const {
        std::string text;
        for (int32_t i = 0; i < s_.used; ++i) {
            const weapon_slot& slot = s_.slots[i];
            std::string item =
                str_format("%d:%d%s", slot.weapon, slot.rounds, weapon_slot_held(slot) ? "*" : "");
            text += (i == s_.current ? "[" + item + "]" : item) + " ";
        }
        return text + str_format("load %d", s_.load);
    }

    std::string host_calls() const {
        std::string text;
        for (const std::string& c : host_.calls) text += (text.empty() ? "" : ", ") + c;
        return text;
    }

    void set_toggle(bool on) { game_.weapon_view = on ? 1 : 0; }
    void set_running(bool on) { srv_.snapshot.state = on ? kGameRunning : kGameFreeze; }

    arty_factory factory_;
    arty_description description_;
    kvgame game_{factory_, description_};
    player_record record_{100};
    being owner_;
    recording_host host_;
    weapon_slots s_;
};

// Operations of a scenario.
enum class op { pick_up, select, add, drop, force_drop, load, equip, give, current, mask };

struct step {
    op what;
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
};

struct scenario {
    const char* name;
    std::vector<int32_t> given;  // before the steps, in order
    bool toggle = false;
    bool running = false;
    bool queued = false;
    std::vector<step> steps;
    int32_t result;  // of the last step (bool as 0 or 1)
    const char* state;
    const char* host_calls;  // after the set-up
};

const scenario kScenarios[] = {
    {"giving a weapon again refills its slot with its defaults",
     {0, 63},
     false,
     false,
     false,
     {{op::pick_up, 0, 5, 1}, {op::give, 0}},
     1,
     "0:30 [63:0*] load 0",
     "dress 63"},
    {"rifle, pistol and three grenades make the whole load; a fourth grenade is refused",
     {63},
     false,
     false,
     false,
     {{op::pick_up, 0, 30, 4},
      {op::pick_up, 37, 15, 3},
      {op::pick_up, 55},
      {op::pick_up, 55},
      {op::pick_up, 55},
      {op::load},
      {op::pick_up, 55}},
     0,
     "[63:0*] 0:30* 37:15* 55:3* load 8",
     "dress 63, dress 63, dress 63, dress 63, dress 63"},
    {"a grenade kind without a slot gets one holding one grenade",
     {63},
     false,
     false,
     false,
     {{op::pick_up, 57}},
     1,
     "[63:0*] 57:1* load 0",
     "dress 63"},
    {"the load rule unholds what does not fit, grenades one at a time, never the hands",
     {63, 0, 1, 37, 55},
     false,
     false,
     false,
     {{op::mask, 0x1F, 5}},
     8,
     "[63:0*] 0:30* 1:30 37:15* 55:3* load 8",
     ""},
    {"selecting a kind without a held slot leaves the current slot outside equipping mode",
     {63, 0, 37},
     false,
     false,
     false,
     {{op::select, kSlotMain}},
     0,
     "[63:0*] 0:30 37:15 load 0",
     ""},
    {"selecting a kind takes the next held slot of the kind",
     {63, 0, 37, 55, 56},
     false,
     false,
     false,
     {{op::pick_up, 56}, {op::pick_up, 55}, {op::select, kSlotGrenade}, {op::select, kSlotGrenade}},
     1,
     "63:0* 0:30 37:15 55:1* [56:1*] load 1",
     "dress 63, dress 63, dress 55, dress 56"},
    {"in equipping mode the same kind swaps the held main weapon",
     {63, 0, 3},
     true,
     false,
     false,
     {{op::pick_up, 0, 30, 4}, {op::select, kSlotMain}, {op::select, kSlotMain}, {op::select, kSlotMain}},
     1,
     "63:0* [0:30*] 3:20 load 0",
     "dress 63, dress 0, dress 3, dress 0"},
    {"in equipping mode another kind with nothing held takes its first slot",
     {63, 37, 39},
     true,
     false,
     false,
     {{op::select, kSlotSidearm}},
     1,
     "63:0* [37:15*] 39:17 load 0",
     "dress 37"},
    {"add item fills the grenade slot up to five, only in equipping mode",
     {63, 55},
     true,
     false,
     false,
     {{op::current, 1}, {op::add}, {op::add}, {op::add}, {op::add}, {op::add}, {op::add}},
     0,
     "63:0* [55:5*] load 0",
     ""},
    {"add item outside equipping mode does nothing",
     {63, 55},
     false,
     false,
     false,
     {{op::current, 1}, {op::add}},
     0,
     "63:0* [55:0*] load 0",
     ""},
    {"the hands are never dropped",
     {63},
     true,
     false,
     false,
     {{op::force_drop}},
     0,
     "[63:0*] load 0",
     "lower"},
    {"a queued animation keeps the item unless the drop is forced",
     {63, 0},
     false,
     false,
     true,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::drop}},
     0,
     "63:0* [0:30*] load 0",
     "dress 63, lower"},
    {"a forced drop goes through a queued animation and falls into the world",
     {63, 0},
     false,
     false,
     true,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::force_drop}},
     1,
     "[63:0*] 0:30 load 0",
     "dress 63, lower, drop 0 weapons:m4a1_th, dress 63"},
    {"a running game keeps the item outside equipping mode unless the drop is forced",
     {63, 0},
     false,
     true,
     false,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::drop}},
     0,
     "63:0* [0:30*] load 0",
     "dress 63, lower"},
    {"in equipping mode a drop only unholds",
     {63, 0},
     true,
     true,
     false,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::drop}},
     1,
     "[63:0*] 0:30 load 0",
     "dress 63, lower, dress 63"},
    {"grenades are dropped one at a time, the next grenade slot following an empty one",
     {63, 55, 57},
     false,
     false,
     false,
     {{op::pick_up, 55}, {op::pick_up, 57}, {op::current, 1}, {op::drop}},
     1,
     "63:0* 55:0* [57:1*] load 1",
     "dress 63, dress 63, lower, drop 55 weapons:frag_th, dress 57"},
    {"an empty grenade slot has nothing to drop",
     {63, 55},
     false,
     false,
     false,
     {{op::current, 1}, {op::drop}},
     0,
     "63:0* [55:0*] load 0",
     "lower"},
    {"choice -2 prefers a loaded slot of the current kind",
     {63, 0, 37, 39},
     false,
     false,
     false,
     {{op::pick_up, 0, 30, 4},
      {op::pick_up, 37, 0, 3},
      {op::pick_up, 39, 17, 3},
      {op::current, 2},
      {op::equip, kChooseSlot}},
     1,
     "63:0* 0:30* 37:0* [39:17*] load 5",
     "dress 63, dress 63, dress 63, dress 39"},
    {"choice -2 then takes any loaded slot",
     {63, 0, 37},
     false,
     false,
     false,
     {{op::pick_up, 0, 30, 4}, {op::pick_up, 37, 0, 3}, {op::current, 2}, {op::equip, kChooseSlot}},
     1,
     "63:0* [0:30*] 37:0* load 4",
     "dress 63, dress 63, dress 0"},
    {"choice -2 falls back on the first held slot that is not a grenade slot",
     {55, 37, 63},
     false,
     false,
     false,
     {{op::pick_up, 37, 0, 3}, {op::equip, kChooseSlot}},
     1,
     "55:0* [37:0*] 63:0* load 0",
     "dress 63, dress 37"},
    {"choice -1 takes the first held slot of the lowest kind",
     {63, 37, 0, 3},
     false,
     false,
     false,
     {{op::pick_up, 37, 15, 3}, {op::pick_up, 3, 20, 4}, {op::equip, kLowestHeldSlot}},
     1,
     "63:0* 37:15* 0:30 [3:20*] load 1",
     "dress 63, dress 63, dress 3"},
    {"choice -1 with nothing held changes nothing",
     {0, 37},
     false,
     false,
     false,
     {{op::current, 1}, {op::equip, kLowestHeldSlot}},
     -1,
     "0:30 [37:15] load 0",
     ""},
    {"choice -2 falling through to -1 with nothing held changes nothing",
     {0, 37},
     false,
     false,
     false,
     {{op::equip, kChooseSlot}},
     -1,
     "[0:30] 37:15 load 0",
     ""},
    {"an empty grenade slot in hand outside equipping mode gives the hands",
     {63, 55, 56},
     false,
     false,
     false,
     {{op::equip, 1}},
     1,
     "[63:0*] 55:0* 56:0* load 0",
     "dress 63"},
    {"an empty grenade slot in hand outside equipping mode gives another grenade slot that holds one",
     {63, 55, 56},
     false,
     false,
     false,
     {{op::pick_up, 56}, {op::equip, 1}},
     1,
     "63:0* 55:0* [56:1*] load 0",
     "dress 63, dress 56"},
    {"in equipping mode an empty grenade slot stays in hand",
     {63, 55},
     true,
     false,
     false,
     {{op::equip, 1}},
     1,
     "63:0* [55:0*] load 0",
     "dress 55"},
    {"a slot past the used ones is not taken",
     {63, 0},
     false,
     false,
     false,
     {{op::equip, 2}},
     -1,
     "[63:0*] 0:30 load 0",
     ""},
};

TEST_F(WeaponSlots, Scenarios) {
    for (const scenario& sc : kScenarios) {
        SCOPED_TRACE(sc.name);
        s_ = weapon_slots{};
        for (int32_t w : sc.given) ASSERT_TRUE(being_give_weapon(s_, w));
        set_toggle(sc.toggle);
        set_running(sc.running);
        host_.queued = sc.queued;
        host_.calls.clear();
        weapon_carrier c = carrier();
        int32_t result = 0;
        for (const step& st : sc.steps) {
            switch (st.what) {
                case op::pick_up:
                    result = being_pick_up_weapon(s_, c, st.a, st.b, st.c);
                    break;
                case op::select:
                    result = being_select_slot_kind(s_, c, st.a);
                    break;
                case op::add:
                    result = being_add_item(s_, c);
                    break;
                case op::drop:
                case op::force_drop:
                    result = being_drop_current_weapon(s_, c, st.what == op::force_drop);
                    break;
                case op::load:
                    being_update_load(s_, c);
                    result = s_.load;
                    break;
                case op::equip:
                    result = being_equip_weapon_models(s_, c, st.a);
                    break;
                case op::give:
                    result = being_give_weapon(s_, st.a);
                    break;
                case op::current:
                    s_.current = st.a;
                    break;
                case op::mask: {
                    const uint32_t mask[kSlotMaskWords] = {static_cast<uint32_t>(st.a)};
                    const uint8_t counts[kSlotCountBytes] = {static_cast<uint8_t>(st.b)};
                    being_set_weapon_slot_mask(s_, c, mask, counts);
                    result = s_.load;
                    break;
                }
            }
        }
        EXPECT_EQ(result, sc.result);
        EXPECT_EQ(state(), sc.state);
        EXPECT_EQ(host_calls(), sc.host_calls);
    }
}

}  // namespace
}  // namespace kv
