// Arbitrary bytes as what the network and the bots hand a soldier's weapon slots: slot masks and
// grenade counts, weapon entries of the player record, bot choices and pick-ups with any numbers,
// between selections, drops and equipping, in and out of equipping mode and a running game. The
// slots start filled as a player's set-up fills them. Nothing may read or write outside the slot
// array, the used count stays within 50 and every used slot holds a weapon kind, and the load never
// passes 8.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "beings/being.h"
#include "beings/weapon_slots.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"

using namespace kv;

namespace {

constexpr int kMaxOperations = 256;
constexpr int kMaxEntries = 8;

class quiet_host : public weapon_slot_host {
public:
    int32_t dress_weapon_models(int32_t weapon) override {
        if (!weapon_in_range(weapon)) std::abort();
        return 0;
    }
    void lower_sights() override {}
    bool animation_queued() const override { return queued; }
    void drop_in_world(int32_t, const std::string&) override {}
    void hand_goal_entry(const weapon_entry&) override {}

    bool queued = false;
};

class reader {
public:
    reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    int32_t word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(byte()) << (8 * i);
        return static_cast<int32_t>(v);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

void check(const weapon_slots& s) {
    if (s.used < 0 || s.used > kWeaponSlotCount || s.load < 0 || s.load > kMaxLoad) std::abort();
    for (int32_t i = 0; i < s.used; ++i) {
        if (!weapon_in_range(s.slots[i].weapon)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static server world;
    static arty_factory factory;
    static arty_description description;
    static kvgame game(factory, description);
    gfx_texture_list_clear(kernel_get().graphics);  // what earlier inputs loaded

    reader in(data, size);
    player_record record(in.byte());
    record.team = in.byte() % 4;
    record.specialisation = in.byte() % 5;
    being owner;
    owner.name = "pid" + std::to_string(record.id);
    owner.record = &record;
    quiet_host host;
    weapon_carrier c{owner, host, &game, &world};

    auto s = std::make_unique<weapon_slots>();
    for (int32_t w : kvgame_spec_allowed_weapons(record.team, record.specialisation))
        being_give_weapon(*s, w);
    being_give_weapon(*s, kWeaponHands);
    for (int extra = in.byte() % 64; extra > 0; --extra) being_give_weapon(*s, in.byte() % 70 - 3);
    check(*s);

    for (int n = 0; n < kMaxOperations && !in.empty(); ++n) {
        switch (in.byte() % 10) {
            case 0: {
                uint32_t mask[kSlotMaskWords];
                uint8_t counts[kSlotCountBytes];
                for (uint32_t& m : mask) m = static_cast<uint32_t>(in.word());
                for (uint8_t& b : counts) b = in.byte();
                being_set_weapon_slot_mask(*s, c, mask, counts);
                break;
            }
            case 1: {
                being_weapon_slot_mask(*s, record.weapon_mask, record.grenade_counts);
                being_set_weapon_slot_mask(*s, c, record.weapon_mask, record.grenade_counts);
                break;
            }
            case 2: {
                for (int k = in.byte() % kMaxEntries; k > 0; --k) {
                    weapon_entry e;
                    for (int32_t& v : e.values) v = in.word();
                    e.text.assign(in.byte() % 16, 'm');
                    record.weapons.push_back(e);
                }
                being_apply_record_weapons(*s, c, in.word());
                break;
            }
            case 3: {
                const int32_t weapon = in.word();
                being_bot_select_weapon(*s, c, weapon, in.word());
                break;
            }
            case 4: {
                const int32_t weapon = in.word();
                const int32_t rounds = in.word();
                being_pick_up_weapon(*s, c, weapon, rounds, in.word());
                break;
            }
            case 5:
                being_select_slot_kind(*s, c, in.word());
                break;
            case 6:
                being_drop_current_weapon(*s, c, in.byte() & 1);
                break;
            case 7:
                being_add_item(*s, c);
                break;
            case 8:
                being_equip_weapon_models(*s, c, in.word());
                break;
            case 9: {
                const uint8_t flags = in.byte();
                game.weapon_view = flags & 1;
                world.snapshot.state = flags & 2 ? kGameRunning : kGameFreeze;
                host.queued = flags & 4;
                if (flags & 8) being_reset_weapon_slots(*s);
                if (flags & 16) being_give_weapon(*s, in.word());
                if (flags & 32) being_update_load(*s, c);
                break;
            }
        }
        check(*s);
        // What the HUD and the sights read of the weapon in hand.
        being_weapon_name(*s, in.byte() % 7 - 1);
        being_weapon_amount(*s, in.byte() % 7 - 1);
        being_shot_sound(*s, 0);
        being_reload_sound(*s, 2);
        being_weapon_sight_names(*s, 1);
    }
    return 0;
}
