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
#include "tests/data/data_test_support.h"
#include "tests/support/call_log.h"
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
        test_state_reset();
        owner_.name = "pid100";
        owner_.record = &record_;
        record_.team = 0;
        record_.specialisation = 0;
    }

    void TearDown() override {
        test_state_reset();
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

// Scenario flags.
constexpr int32_t kEquipping = 1;  // the game object's equipping mode
constexpr int32_t kRunning = 2;    // the game state
constexpr int32_t kQueued = 4;     // a model has an animation queued

struct scenario {
    const char* name;
    std::vector<int32_t> given;  // before the steps, in order
    int32_t flags;
    std::vector<step> steps;
    int32_t result;  // of the last step (bool as 0 or 1)
    const char* state;
    const char* host_calls;  // after the set-up
};

const scenario kScenarios[] = {
    {"giving a weapon again refills its slot with its defaults",
     {0, 63},
     0,
     {{op::pick_up, 0, 5, 1}, {op::give, 0}},
     1,
     "0:30 [63:0*] load 0",
     "dress 63"},
    {"rifle, pistol and three grenades make the whole load; a fourth grenade is refused",
     {63},
     0,
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
     0,
     {{op::pick_up, 57}},
     1,
     "[63:0*] 57:1* load 0",
     "dress 63"},
    {"the load rule unholds what does not fit, grenades one at a time, never the hands",
     {63, 0, 1, 37, 55},
     0,
     {{op::mask, 0x1F, 5}},
     8,
     "[63:0*] 0:30* 1:30 37:15* 55:3* load 8",
     ""},
    {"selecting a kind without a held slot leaves the current slot outside equipping mode",
     {63, 0, 37},
     0,
     {{op::select, kSlotMain}},
     0,
     "[63:0*] 0:30 37:15 load 0",
     ""},
    {"selecting a kind takes the next held slot of the kind",
     {63, 0, 37, 55, 56},
     0,
     {{op::pick_up, 56}, {op::pick_up, 55}, {op::select, kSlotGrenade}, {op::select, kSlotGrenade}},
     1,
     "63:0* 0:30 37:15 55:1* [56:1*] load 1",
     "dress 63, dress 63, dress 55, dress 56"},
    {"in equipping mode the same kind swaps the held main weapon",
     {63, 0, 3},
     kEquipping,
     {{op::pick_up, 0, 30, 4}, {op::select, kSlotMain}, {op::select, kSlotMain}, {op::select, kSlotMain}},
     1,
     "63:0* [0:30*] 3:20 load 0",
     "dress 63, dress 0, dress 3, dress 0"},
    {"in equipping mode another kind with nothing held takes its first slot",
     {63, 37, 39},
     kEquipping,
     {{op::select, kSlotSidearm}},
     1,
     "63:0* [37:15*] 39:17 load 0",
     "dress 37"},
    {"add item fills the grenade slot up to five, only in equipping mode",
     {63, 55},
     kEquipping,
     {{op::current, 1}, {op::add}, {op::add}, {op::add}, {op::add}, {op::add}, {op::add}},
     0,
     "63:0* [55:5*] load 0",
     ""},
    {"add item outside equipping mode does nothing",
     {63, 55},
     0,
     {{op::current, 1}, {op::add}},
     0,
     "63:0* [55:0*] load 0",
     ""},
    {"the hands are never dropped", {63}, kEquipping, {{op::force_drop}}, 0, "[63:0*] load 0", "lower"},
    {"a queued animation keeps the item unless the drop is forced",
     {63, 0},
     kQueued,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::drop}},
     0,
     "63:0* [0:30*] load 0",
     "dress 63, lower"},
    {"a forced drop goes through a queued animation and falls into the world",
     {63, 0},
     kQueued,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::force_drop}},
     1,
     "[63:0*] 0:30 load 0",
     "dress 63, lower, drop 0 weapons:m4a1_th, dress 63"},
    {"a running game keeps the item outside equipping mode unless the drop is forced",
     {63, 0},
     kRunning,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::drop}},
     0,
     "63:0* [0:30*] load 0",
     "dress 63, lower"},
    {"in equipping mode a drop only unholds",
     {63, 0},
     kEquipping | kRunning,
     {{op::pick_up, 0, 30, 4}, {op::current, 1}, {op::drop}},
     1,
     "[63:0*] 0:30 load 0",
     "dress 63, lower, dress 63"},
    {"grenades are dropped one at a time, the next grenade slot following an empty one",
     {63, 55, 57},
     0,
     {{op::pick_up, 55}, {op::pick_up, 57}, {op::current, 1}, {op::drop}},
     1,
     "63:0* 55:0* [57:1*] load 1",
     "dress 63, dress 63, lower, drop 55 weapons:frag_th, dress 57"},
    {"an empty grenade slot has nothing to drop",
     {63, 55},
     0,
     {{op::current, 1}, {op::drop}},
     0,
     "63:0* [55:0*] load 0",
     "lower"},
    {"choice -2 prefers a loaded slot of the current kind",
     {63, 0, 37, 39},
     0,
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
     0,
     {{op::pick_up, 0, 30, 4}, {op::pick_up, 37, 0, 3}, {op::current, 2}, {op::equip, kChooseSlot}},
     1,
     "63:0* [0:30*] 37:0* load 4",
     "dress 63, dress 63, dress 0"},
    {"choice -2 falls back on the first held slot that is not a grenade slot",
     {55, 37, 63},
     0,
     {{op::pick_up, 37, 0, 3}, {op::equip, kChooseSlot}},
     1,
     "55:0* [37:0*] 63:0* load 0",
     "dress 63, dress 37"},
    {"choice -1 takes the first held slot of the lowest kind",
     {63, 37, 0, 3},
     0,
     {{op::pick_up, 37, 15, 3}, {op::pick_up, 3, 20, 4}, {op::equip, kLowestHeldSlot}},
     1,
     "63:0* 37:15* 0:30 [3:20*] load 1",
     "dress 63, dress 63, dress 3"},
    {"choice -1 with nothing held changes nothing",
     {0, 37},
     0,
     {{op::current, 1}, {op::equip, kLowestHeldSlot}},
     -1,
     "0:30 [37:15] load 0",
     ""},
    {"choice -2 falling through to -1 with nothing held changes nothing",
     {0, 37},
     0,
     {{op::equip, kChooseSlot}},
     -1,
     "[0:30] 37:15 load 0",
     ""},
    {"an empty grenade slot in hand outside equipping mode gives the hands",
     {63, 55, 56},
     0,
     {{op::equip, 1}},
     1,
     "[63:0*] 55:0* 56:0* load 0",
     "dress 63"},
    {"an empty grenade slot in hand outside equipping mode gives another grenade slot that holds one",
     {63, 55, 56},
     0,
     {{op::pick_up, 56}, {op::equip, 1}},
     1,
     "63:0* 55:0* [56:1*] load 0",
     "dress 63, dress 56"},
    {"in equipping mode an empty grenade slot stays in hand",
     {63, 55},
     kEquipping,
     {{op::equip, 1}},
     1,
     "63:0* [55:0*] load 0",
     "dress 55"},
    {"a slot past the used ones is not taken", {63, 0}, 0, {{op::equip, 2}}, -1, "[63:0*] 0:30 load 0", ""},
};

TEST_F(WeaponSlots, Scenarios) {
    for (const scenario& sc : kScenarios) {
        SCOPED_TRACE(sc.name);
        s_ = weapon_slots{};
        for (int32_t w : sc.given) ASSERT_TRUE(being_give_weapon(s_, w));
        set_toggle(sc.flags & kEquipping);
        set_running(sc.flags & kRunning);
        host_.queued = sc.flags & kQueued;
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

TEST_F(WeaponSlots, GivingFillsFiftySlotsAndEmptiesThemAll) {
    for (int32_t w = 0; w < kWeaponSlotCount; ++w) ASSERT_TRUE(being_give_weapon(s_, w));
    EXPECT_FALSE(being_give_weapon(s_, 50));
    EXPECT_TRUE(being_give_weapon(s_, 49));  // already in a slot: refilled
    EXPECT_EQ(s_.used, kWeaponSlotCount);
    weapon_carrier c = carrier();
    EXPECT_FALSE(being_pick_up_weapon(s_, c, 55, 0, 0));  // no slot for the grenade kind, and no room
    EXPECT_EQ(s_.used, kWeaponSlotCount);
    EXPECT_TRUE(being_give_weapon(s_, kWeaponAll));
    EXPECT_EQ(s_.used, 0);
    EXPECT_EQ(being_weapon_index(s_, -1), -1);
    EXPECT_STREQ(being_weapon_name(s_, -1), "");
    EXPECT_EQ(log(), "");
}

TEST_F(WeaponSlots, ResetPutsEverySlotBackToItsDefaults) {
    give({63, 0, 55});
    weapon_carrier c = carrier();
    ASSERT_TRUE(being_pick_up_weapon(s_, c, 0, 3, 1));
    ASSERT_TRUE(being_pick_up_weapon(s_, c, 55, 0, 0));
    s_.slots[0].held = 0;
    being_reset_weapon_slots(s_);
    EXPECT_EQ(state(), "[63:0*] 0:30 55:0* load 4");  // the load waits for its next count
    EXPECT_EQ(s_.slots[1].magazines, 4);
}

TEST_F(WeaponSlots, LoadGoesToTheHud) {
    give({63, 0, 37});
    weapon_carrier c = carrier();
    s_.slots[1].held = 1;
    s_.slots[2].held = 0x100;  // only the low byte counts
    being_update_load(s_, c);
    EXPECT_EQ(s_.load, 4);
    // The soldier's condition takes the load: its sprint lasts 60 s less 4/8 of 30 s.
    EXPECT_EQ(owner_.condition.load_count, 1);
    EXPECT_FLOAT_EQ(owner_.condition.load_sum, 4.0f);
    EXPECT_EQ(owner_.condition.sprint_period_ms, 45000);
}

TEST_F(WeaponSlots, MaskAndCountsRoundTrip) {
    // Slots 0 to 32 hold weapons 0 to 32, then 55 (33), the hands (34), 56, 57, 58, the binocular (38).
    for (int32_t w = 0; w <= 32; ++w) give({w});
    give({55, 63, 56, 57, 58, 59});
    const weapon_slots fresh = s_;
    weapon_carrier c = carrier();
    const uint32_t mask[kSlotMaskWords] = {1u << 0, (1u << 1) | (1u << 3) | (1u << 5) | (1u << 6)};
    const uint8_t counts[kSlotCountBytes] = {1, 2, 1, 7};
    being_set_weapon_slot_mask(s_, c, mask, counts);
    // m4a1 4, one frag-t, the hands (never unheld), two frag-c, one stun: 8; the binocular does not fit.
    EXPECT_EQ(s_.load, 8);
    EXPECT_TRUE(weapon_slot_held(s_.slots[34]));
    EXPECT_FALSE(weapon_slot_held(s_.slots[38]));

    uint32_t out_mask[kSlotMaskWords] = {9, 9, 9, 9};
    uint8_t out_counts[kSlotCountBytes] = {9, 9, 9, 9};
    being_weapon_slot_mask(s_, out_mask, out_counts);
    EXPECT_EQ(std::vector<uint32_t>(out_mask, out_mask + 4), (std::vector<uint32_t>{1, 0x2E, 0, 0}));
    EXPECT_EQ(std::vector<int>(out_counts, out_counts + 4), (std::vector<int>{1, 2, 1, 0}));

    const std::string applied = state();
    s_ = fresh;
    being_set_weapon_slot_mask(s_, c, out_mask, out_counts);
    EXPECT_EQ(state(), applied);
}

TEST_F(WeaponSlots, MaskBitsPastTheUsedSlotsAreIgnored) {
    give({63, 55, 56});
    weapon_carrier c = carrier();
    const uint32_t mask[kSlotMaskWords] = {~0u, ~0u, ~0u, ~0u};
    const uint8_t counts[kSlotCountBytes] = {};
    being_set_weapon_slot_mask(s_, c, mask, counts);
    EXPECT_EQ(state(), "[63:0*] 55:0* 56:0* load 0");
    EXPECT_EQ(s_.used, 3);
    for (int32_t i = 3; i < kWeaponSlotCount; ++i) EXPECT_EQ(s_.slots[i].held, 0) << i;
}

TEST_F(WeaponSlots, ZeroMaskTakesTheKitAndGivesBotsNoGrenades) {
    // As the game sets a player up: the weapons team 0, specialisation 0 may carry, then the hands.
    for (int32_t w : kvgame_spec_allowed_weapons(0, 0)) give({w});
    give({63});
    const weapon_slots fresh = s_;
    const uint32_t mask[kSlotMaskWords] = {};
    const uint8_t counts[kSlotCountBytes] = {2, 1, 0, 0};
    for (uint32_t id : {100u, 0u, 7u}) {
        SCOPED_TRACE(id);
        s_ = fresh;
        record_.id = id;
        weapon_carrier c = carrier();
        being_set_weapon_slot_mask(s_, c, mask, counts);
        EXPECT_TRUE(weapon_slot_held(s_.slots[being_find_weapon_slot(s_, 0, false)]));
        EXPECT_TRUE(weapon_slot_held(s_.slots[being_find_weapon_slot(s_, 52, false)]));
        EXPECT_EQ(being_find_held_slot_kind(s_, kSlotSidearm), -1);
        const bool bot = id == 7;
        EXPECT_EQ(s_.slots[being_find_weapon_slot(s_, 55, false)].rounds, bot ? 0 : 2);
        EXPECT_EQ(s_.slots[being_find_weapon_slot(s_, 56, false)].rounds, bot ? 0 : 1);
        EXPECT_EQ(s_.load, bot ? 4 : 7);
    }
}

TEST_F(WeaponSlots, RecordEntries) {
    give({63, 37});
    weapon_carrier c = carrier();
    ASSERT_TRUE(being_pick_up_weapon(s_, c, 37, 15, 3));
    s_.current = 1;
    host_.calls.clear();
    auto entry = [](int32_t weapon, int32_t rounds, int32_t magazines, int32_t value, const char* text) {
        weapon_entry e;
        e.values[0] = weapon;
        e.values[1] = rounds;
        e.values[2] = magazines;
        e.values[3] = value;
        e.text = text;
        return e;
    };
    record_.weapons = {entry(-1, 0, 0, 0, ""),   entry(kWeaponGoalItem, 1, 0, 5, "goals:case"),
                       entry(64, 1, 1, 0, ""),   entry(-2, 1, 1, 0, ""),
                       entry(1000, 1, 1, 0, ""), entry(0, 12, 2, 0, "")};
    being_apply_record_weapons(s_, c, 3);
    EXPECT_TRUE(record_.weapons.empty());
    EXPECT_EQ(state(), "63:0* 37:15 62:1* [0:12*] load 1");
    EXPECT_EQ(s_.slots[3].magazines, 2);
    EXPECT_EQ(host_calls(),
              "lower, drop 37 weapons:p226_th, dress 63, goal 5 goals:case, dress 63, dress 63, dress 0");
    EXPECT_EQ(log(),
              "being: *WARNING* pid100: weapon 64 out of range; ignored.\n"
              "being: *WARNING* pid100: weapon -2 out of range; ignored.\n"
              "being: *WARNING* pid100: weapon 1000 out of range; ignored.\n");

    // The goal item falls with the model its entry named.
    host_.calls.clear();
    s_.current = 2;
    EXPECT_TRUE(being_drop_current_weapon(s_, c, true));
    EXPECT_EQ(host_calls(), "lower, drop 62 goals:case, dress 0");
}

TEST_F(WeaponSlots, BotChoices) {
    record_.id = 7;
    for (int32_t w : kvgame_spec_allowed_weapons(0, 0)) give({w});
    give({63});
    weapon_carrier c = carrier();
    const int32_t m4a1 = being_find_weapon_slot(s_, 0, false);
    const int32_t g3 = being_find_weapon_slot(s_, 3, false);
    const int32_t frag = being_find_weapon_slot(s_, 55, false);

    EXPECT_FALSE(being_bot_select_weapon(s_, c, 0, 0));  // the game is not running
    set_running(true);
    EXPECT_TRUE(being_bot_select_weapon(s_, c, 0, 0));
    EXPECT_TRUE(weapon_slot_held(s_.slots[m4a1]));
    EXPECT_EQ(s_.load, 4);
    struct {
        int32_t weapon;
        const char* why;
    } const refused[] = {
        {0, "already held"},  {3, "a main weapon is held"}, {27, "not allowed for the kit"},
        {64, "out of range"}, {-2, "out of range"},         {1000, "out of range"},
    };
    for (const auto& r : refused) EXPECT_FALSE(being_bot_select_weapon(s_, c, r.weapon, 0)) << r.why;
    EXPECT_EQ(log(),
              "being: *WARNING* pid100: weapon 64 out of range; ignored.\n"
              "being: *WARNING* pid100: weapon -2 out of range; ignored.\n"
              "being: *WARNING* pid100: weapon 1000 out of range; ignored.\n");
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(being_bot_select_weapon(s_, c, 55, 0));
    EXPECT_FALSE(being_bot_select_weapon(s_, c, 55, 0));  // the load is full
    EXPECT_EQ(s_.load, 8);

    // Kinds 1: the held main weapon is dropped first.
    host_.calls.clear();
    EXPECT_TRUE(being_bot_select_weapon(s_, c, 3, 1));
    EXPECT_FALSE(weapon_slot_held(s_.slots[m4a1]));
    EXPECT_TRUE(weapon_slot_held(s_.slots[g3]));
    EXPECT_EQ(host_.calls.front(), "lower");
    EXPECT_EQ(host_.calls[1], "drop 0 weapons:m4a1_th");

    // Kinds 4 drops main weapon, sidearm and melee weapon; -1 then asks for nothing more.
    EXPECT_FALSE(being_bot_select_weapon(s_, c, 37, 0));  // the load is full
    ASSERT_TRUE(being_bot_select_weapon(s_, c, 52, 0));
    EXPECT_TRUE(being_bot_select_weapon(s_, c, -1, 4));
    EXPECT_EQ(being_find_held_slot_kind(s_, kSlotMain), -1);
    EXPECT_EQ(being_find_held_slot_kind(s_, kSlotMelee), -1);
    EXPECT_TRUE(being_bot_select_weapon(s_, c, 55, 0));
    EXPECT_EQ(s_.slots[frag].rounds, kMaxGrenades);
    EXPECT_FALSE(being_bot_select_weapon(s_, c, 55, 0));  // five already
}

TEST_F(WeaponSlots, TheWeaponInHand) {
    give({63, 1, 37, 55, 56, 34});
    weapon_carrier c = carrier();
    ASSERT_TRUE(being_pick_up_weapon(s_, c, 1, 30, 4));
    s_.slots[3].rounds = 2;
    s_.slots[3].held = 0;
    s_.slots[4].rounds = 1;
    s_.current = 1;
    EXPECT_EQ(being_weapon_index(s_, -1), 1);
    EXPECT_STREQ(being_weapon_name(s_, kSlotMain), "m203");
    EXPECT_STREQ(being_weapon_name(s_, kSlotSidearm), "");
    EXPECT_EQ(being_weapon_index(s_, kSlotGrenade), 56);
    EXPECT_EQ(being_weapon_amount(s_, -1), 5);
    EXPECT_EQ(being_weapon_amount(s_, kSlotGrenade), 3);  // held or not
    EXPECT_EQ(being_weapon_amount(s_, kSlotSidearm), 0);
    EXPECT_STREQ(being_weapon_sight_names(s_, 0), "ar1");
    EXPECT_STREQ(being_weapon_sight_names(s_, 1), "ar2");
    EXPECT_EQ(being_weapon_sight_kind(s_), kSightIron);
    EXPECT_STREQ(being_shot_sound(s_, 0), "shot23_1");
    EXPECT_STREQ(being_shot_sound(s_, 1), "shot29_2");
    EXPECT_STREQ(being_reload_sound(s_, 0), "re_ar8");
    EXPECT_STREQ(being_reload_sound(s_, 1), "re-gl_1");
    EXPECT_STREQ(being_reload_sound(s_, 2), "");
    EXPECT_STREQ(being_muzzle_flash(s_, 0), "fl_r1");
    EXPECT_STREQ(being_muzzle_flash(s_, 1), "fl_r2");
    EXPECT_FLOAT_EQ(being_weapon_sound_distances(s_).far_distance, 30000.0f);
    EXPECT_FLOAT_EQ(being_weapon_effect_factors(s_).second, 1.0f);
    EXPECT_EQ(being_weapon_rounds(s_), 30);
    EXPECT_EQ(being_weapon_magazines(s_), 4);
    EXPECT_EQ(being_weapon_extra_rounds(s_), 4);
    EXPECT_TRUE(being_weapon_has_launcher(s_));
    EXPECT_FALSE(being_weapon_is_hands(s_));

    s_.current = 4;
    EXPECT_EQ(being_weapon_index(s_, kSlotGrenade), 56);
    EXPECT_TRUE(being_weapon_is_hand_grenade(s_));

    s_.current = 5;  // m24: two sight steps
    EXPECT_FLOAT_EQ(being_weapon_zoom(s_, 0, kGameSightsFlag), 1.4f);
    EXPECT_FLOAT_EQ(being_weapon_zoom(s_, 1, kGameSightsFlag), 2.0f);
    EXPECT_FLOAT_EQ(being_weapon_zoom(s_, 0, 0), 1.0f);
    EXPECT_FLOAT_EQ(being_weapon_zoom(s_, 1, 0), 2.0f);
    EXPECT_TRUE(being_weapon_reloads_by_round(s_));

    s_.current = 0;
    EXPECT_TRUE(being_weapon_is_hands(s_));
    EXPECT_FLOAT_EQ(being_weapon_sound_distances(s_).far_distance, 0.0f);
    EXPECT_FLOAT_EQ(being_weapon_zoom(s_, 1, kGameSightsFlag), 1.0f);
}

}  // namespace
}  // namespace kv
