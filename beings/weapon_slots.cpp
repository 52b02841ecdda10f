#include "beings/weapon_slots.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "beings/being.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server_snapshot.h"
#include "kernel/log.h"
#include "ui/hud_effects.h"
#include "ui/gui.h"

namespace kv {
namespace {

constexpr int32_t kRecordDrop = -1;  // a weapon entry that drops the item in hand; a bot's "no weapon"

bool toggle_on(const weapon_carrier& c) {
    return c.game && kvgame_get_toggle(*c.game, 0) != 0;
}

bool game_running(const weapon_carrier& c) {
    return c.world && server_game_state(*c.world) == kGameRunning;
}

bool refuse_weapon(const weapon_carrier& c, int32_t weapon) {
    if (weapon_in_range(weapon)) return false;
    log_write("being: *WARNING* %s: weapon %d out of range; ignored.\n", c.owner.name.c_str(), weapon);
    return true;
}

const weapon_slot* current_slot(const weapon_slots& s) {
    return s.current >= 0 && s.current < s.used ? &s.slots[s.current] : nullptr;
}

int32_t current_weapon(const weapon_slots& s) {
    const weapon_slot* slot = current_slot(s);
    return slot ? slot->weapon : -1;
}

const weapon_def* current_def(const weapon_slots& s) {
    return weapon_def_find(current_weapon(s));
}

bool is_grenade_slot(const weapon_slot& slot) {
    return slot.slot_kind == kSlotGrenade;
}

bool is_hands_slot(const weapon_slot& slot) {
    return slot.slot_kind == kSlotHands;
}

// The first held slot that passes the test, -1 when there is none.
template <class Test>
int32_t first_held(const weapon_slots& s, Test test) {
    for (int32_t i = 0; i < s.used; ++i) {
        if (weapon_slot_held(s.slots[i]) && test(s.slots[i])) return i;
    }
    return -1;
}

// From the slot after the current one, wrapping round (the current one last), the first slot of that
// kind, held when asked; -1 when there is none.
int32_t next_of_kind(const weapon_slots& s, int32_t kind, bool held_only) {
    for (int32_t step = 1; step < s.used; ++step) {
        const int32_t i = (std::max(s.current, 0) + step) % s.used;
        const weapon_slot& slot = s.slots[i];
        if (i != s.current && slot.slot_kind == kind && (!held_only || weapon_slot_held(slot))) return i;
    }
    return -1;
}

int32_t choose_slot(const weapon_slots& s, int32_t slot) {
    if (slot == kChooseSlot) {
        const weapon_slot* current = current_slot(s);
        const int32_t kind = current ? current->slot_kind : -1;
        int32_t i =
            first_held(s, [kind](const weapon_slot& w) { return w.slot_kind == kind && w.rounds > 0; });
        if (i < 0) i = first_held(s, [](const weapon_slot& w) { return w.rounds > 0; });
        if (i < 0) i = first_held(s, [](const weapon_slot& w) { return !is_grenade_slot(w); });
        if (i >= 0) return i;
        slot = kLowestHeldSlot;
    }
    if (slot == kLowestHeldSlot) {
        int32_t lowest = -1;
        for (int32_t i = 0; i < s.used; ++i) {
            if (weapon_slot_held(s.slots[i]) &&
                (lowest < 0 || s.slots[i].slot_kind < s.slots[lowest].slot_kind))
                lowest = i;
        }
        return lowest;
    }
    return slot >= 0 && slot < s.used ? slot : -1;
}

int32_t refresh_models(weapon_slots& s, weapon_carrier& c) {
    return being_equip_weapon_models(s, c, s.current);
}

// The slot of that weapon; appended with the weapon's defaults when there is none (-1 when full).
int32_t slot_for(weapon_slots& s, int32_t weapon) {
    const int32_t i = being_find_weapon_slot(s, weapon, false);
    if (i >= 0) return i;
    return being_give_weapon(s, weapon) ? s.used - 1 : -1;
}

void drop_held_of_kind(weapon_slots& s, weapon_carrier& c, int32_t kind) {
    for (int32_t i = being_find_held_slot_kind(s, kind); i >= 0; i = being_find_held_slot_kind(s, kind)) {
        s.current = i;
        if (!being_drop_current_weapon(s, c, true)) return;
    }
}

}  // namespace

bool weapon_slot_held(const weapon_slot& slot) {
    return (slot.held & 0xFF) != 0;
}

bool being_give_weapon(weapon_slots& s, int32_t weapon) {
    if (weapon == kWeaponAll) {
        s.used = 0;
        return true;
    }
    if (!weapon_in_range(weapon)) {
        log_write("being: *WARNING* weapon %d out of range; ignored.\n", weapon);
        return false;
    }
    int32_t i = being_find_weapon_slot(s, weapon, false);
    if (i < 0) {
        if (s.used >= kWeaponSlotCount) return false;
        i = s.used++;
    }
    s.slots[i] = weapon_slot_defaults(weapon);
    if (weapon_is_hands(weapon)) s.current = i;
    return true;
}

void being_reset_weapon_slots(weapon_slots& s) {
    for (int32_t i = 0; i < s.used; ++i) s.slots[i] = weapon_slot_defaults(s.slots[i].weapon);
}

void being_update_load(weapon_slots& s, weapon_carrier& c) {
    int32_t load = 0;
    for (int32_t i = 0; i < s.used; ++i) {
        weapon_slot& slot = s.slots[i];
        if (!weapon_slot_held(slot)) continue;
        if (is_grenade_slot(slot)) {
            slot.rounds = std::max(slot.rounds, 0);
            while (slot.rounds > 0 && load + slot.weight * slot.rounds > kMaxLoad) --slot.rounds;
            load += slot.weight * slot.rounds;
        } else if (is_hands_slot(slot)) {
            load += slot.weight;
        } else if (load + slot.weight > kMaxLoad) {
            slot.held = 0;
        } else {
            load += slot.weight;
        }
    }
    s.load = load;
    hud_effects_accumulate(c.owner, load);
}

void being_weapon_slot_mask(const weapon_slots& s, uint32_t (&mask)[kSlotMaskWords],
                            uint8_t (&counts)[kSlotCountBytes]) {
    std::fill(std::begin(mask), std::end(mask), 0u);
    std::fill(std::begin(counts), std::end(counts), uint8_t{0});
    int32_t next = 0;
    for (int32_t i = 0; i < s.used; ++i) {
        const weapon_slot& slot = s.slots[i];
        if (!weapon_slot_held(slot)) continue;
        mask[i / 32] |= 1u << (i % 32);
        if (is_grenade_slot(slot) && next < kSlotCountBytes)
            counts[next++] = static_cast<uint8_t>(std::clamp(slot.rounds, 0, 255));
    }
}

void being_set_weapon_slot_mask(weapon_slots& s, weapon_carrier& c, const uint32_t (&mask)[kSlotMaskWords],
                                const uint8_t (&counts)[kSlotCountBytes]) {
    int32_t next = 0;
    auto next_count = [&]() -> int32_t { return next < kSlotCountBytes ? counts[next++] : 0; };
    const bool from_mask = std::any_of(std::begin(mask), std::end(mask), [](uint32_t m) { return m != 0; });
    const player_record* r = c.owner.record;
    for (int32_t i = 0; i < s.used; ++i) {
        weapon_slot& slot = s.slots[i];
        if (from_mask) {
            const bool held = (mask[i / 32] >> (i % 32)) & 1u;
            if (!is_hands_slot(slot)) slot.held = held ? 1 : 0;
            if (held && is_grenade_slot(slot)) slot.rounds = next_count();
            continue;
        }
        if (r && kvgame_spec_kit_has_weapon(r->team, r->specialisation, slot.weapon)) slot.held = 1;
        if (is_grenade_slot(slot)) {
            const bool bot = r && r->id >= 1 && r->id <= 99;
            slot.rounds = bot ? 0 : next_count();
        }
    }
    being_update_load(s, c);
}

void being_apply_record_weapons(weapon_slots& s, weapon_carrier& c, int32_t slot) {
    if (player_record* r = c.owner.record) {
        const std::vector<weapon_entry> entries = std::exchange(r->weapons, {});
        for (const weapon_entry& entry : entries) {
            const int32_t weapon = entry.values[0];
            if (weapon == kRecordDrop) {
                being_drop_current_weapon(s, c, false);
                continue;
            }
            if (refuse_weapon(c, weapon)) continue;
            if (weapon == kWeaponGoalItem) {
                s.goal_value = entry.values[3];
                s.goal_model = entry.text;
                c.host.hand_goal_entry(entry);
            }
            being_pick_up_weapon(s, c, weapon, entry.values[1], entry.values[2]);
        }
    }
    if (slot >= 0 && slot < s.used && slot != s.current) being_equip_weapon_models(s, c, slot);
}

bool being_pick_up_weapon(weapon_slots& s, weapon_carrier& c, int32_t weapon, int32_t rounds,
                          int32_t magazines) {
    if (refuse_weapon(c, weapon)) return false;
    being_update_load(s, c);
    if (s.load + weapon_slot_defaults(weapon).weight > kMaxLoad) return false;
    int32_t i = -1;
    if (weapon_is_hand_grenade(weapon)) {
        i = slot_for(s, weapon);
        if (i < 0 || s.slots[i].rounds >= kMaxGrenades) return false;
        ++s.slots[i].rounds;
    } else {
        if (!being_give_weapon(s, weapon)) return false;
        i = being_find_weapon_slot(s, weapon, false);
        s.slots[i].rounds = rounds;
        s.slots[i].magazines = magazines;
    }
    s.slots[i].held = 1;
    refresh_models(s, c);
    return true;
}

bool being_select_slot_kind(weapon_slots& s, weapon_carrier& c, int32_t kind) {
    const weapon_slot* current = current_slot(s);
    const bool toggle = toggle_on(c);
    int32_t chosen = -1;
    if (current && current->slot_kind == kind) {
        chosen = next_of_kind(s, kind, !toggle);
        if (chosen >= 0 && toggle) {
            s.slots[chosen].held = 1;
            weapon_slot& old = s.slots[s.current];
            if (!is_grenade_slot(old) && !is_hands_slot(old)) old.held = 0;
        }
    } else {
        chosen = next_of_kind(s, kind, true);
        if (chosen < 0 && toggle) {
            for (int32_t i = 0; i < s.used && chosen < 0; ++i) {
                if (s.slots[i].slot_kind == kind) chosen = i;
            }
            if (chosen >= 0) s.slots[chosen].held = 1;
        }
    }
    if (chosen < 0) return false;
    being_equip_weapon_models(s, c, chosen);
    return true;
}

bool being_add_item(weapon_slots& s, const weapon_carrier& c) {
    if (!toggle_on(c) || !current_slot(s)) return false;
    weapon_slot& slot = s.slots[s.current];
    if (!is_grenade_slot(slot) || slot.rounds >= kMaxGrenades) return false;
    ++slot.rounds;
    return true;
}

bool being_drop_current_weapon(weapon_slots& s, weapon_carrier& c, bool forced) {
    c.host.lower_sights();
    if (!current_slot(s)) return false;
    weapon_slot& slot = s.slots[s.current];
    if (is_hands_slot(slot)) return false;
    if (!forced && c.host.animation_queued()) return false;
    const bool toggle = toggle_on(c);
    if (!forced && !toggle && game_running(c)) return false;
    if (is_grenade_slot(slot)) {
        // Grenades leave one at a time; an empty slot has nothing to drop.
        if (slot.rounds <= 0) return false;
        --slot.rounds;
    } else {
        slot.held = 0;
    }
    if (!toggle) {
        const int32_t weapon = slot.weapon;
        c.host.drop_in_world(
            weapon, weapon == kWeaponGoalItem ? s.goal_model : weapon_model_name(weapon, kModelThirdPerson));
    }
    being_equip_weapon_models(s, c, kChooseSlot);
    return true;
}

bool being_bot_select_weapon(weapon_slots& s, weapon_carrier& c, int32_t weapon, int32_t kinds) {
    if (!game_running(c)) return false;
    if (kinds >= 1 && kinds <= 3) drop_held_of_kind(s, c, kinds - 1);
    if (kinds == 4) {
        for (int32_t kind : {kSlotMain, kSlotSidearm, kSlotMelee}) drop_held_of_kind(s, c, kind);
    }
    if (weapon == kRecordDrop) return true;
    if (refuse_weapon(c, weapon)) return false;
    const player_record* r = c.owner.record;
    if (!r || !kvgame_spec_allows_weapon(r->team, r->specialisation, weapon)) return false;
    const bool grenade = weapon_is_hand_grenade(weapon);
    if (!grenade && being_find_weapon_slot(s, weapon, true) >= 0) return false;
    being_update_load(s, c);
    const weapon_slot& defaults = weapon_slot_defaults(weapon);
    if (s.load + defaults.weight > kMaxLoad) return false;
    const int32_t kind = defaults.slot_kind;
    if (kind != kSlotGrenade && kind != kSlotHands && being_find_held_slot_kind(s, kind) >= 0) return false;
    const int32_t i = slot_for(s, weapon);
    if (i < 0) return false;
    if (grenade) {
        if (s.slots[i].rounds >= kMaxGrenades) return false;
        ++s.slots[i].rounds;
    }
    s.slots[i].held = 1;
    being_update_load(s, c);
    refresh_models(s, c);
    return true;
}

int32_t being_find_weapon_slot(const weapon_slots& s, int32_t weapon, bool held_only) {
    for (int32_t i = 0; i < s.used; ++i) {
        if (s.slots[i].weapon == weapon && (!held_only || weapon_slot_held(s.slots[i]))) return i;
    }
    return -1;
}

int32_t being_find_held_slot_kind(const weapon_slots& s, int32_t kind) {
    return first_held(s, [kind](const weapon_slot& w) { return w.slot_kind == kind; });
}

int32_t being_equip_weapon_models(weapon_slots& s, weapon_carrier& c, int32_t slot) {
    const int32_t chosen = choose_slot(s, slot);
    if (chosen < 0) return -1;
    s.current = chosen;
    if (is_grenade_slot(s.slots[chosen]) && s.slots[chosen].rounds <= 0 && !toggle_on(c)) {
        const int32_t hands = being_find_weapon_slot(s, kWeaponHands, true);
        if (hands >= 0) s.current = hands;
        const int32_t other =
            first_held(s, [](const weapon_slot& w) { return is_grenade_slot(w) && w.rounds > 0; });
        if (other >= 0) s.current = other;
    }
    const int32_t weapon = s.slots[s.current].weapon;
    if (!weapon_in_range(weapon)) return weapon;
    return c.host.dress_weapon_models(weapon);
}

int32_t being_weapon_index(const weapon_slots& s, int32_t kind) {
    const weapon_slot* current = current_slot(s);
    if (kind == -1 || (kind == kSlotGrenade && current && is_grenade_slot(*current)))
        return current_weapon(s);
    const int32_t i = being_find_held_slot_kind(s, kind);
    return i >= 0 ? s.slots[i].weapon : -1;
}

const char* being_weapon_name(const weapon_slots& s, int32_t kind) {
    const weapon_def* def = weapon_def_find(being_weapon_index(s, kind));
    return def ? def->name : "";
}

int32_t being_weapon_amount(const weapon_slots& s, int32_t kind) {
    if (kind == -1) {
        const weapon_slot* current = current_slot(s);
        return current ? current->weight : 0;
    }
    if (kind == kSlotGrenade) {
        int32_t amount = 0;
        for (int32_t i = 0; i < s.used; ++i) {
            if (is_grenade_slot(s.slots[i])) amount += s.slots[i].weight * s.slots[i].rounds;
        }
        return amount;
    }
    const int32_t i = being_find_held_slot_kind(s, kind);
    return i >= 0 ? s.slots[i].weight : 0;
}

const char* being_weapon_sight_names(const weapon_slots& s, int32_t which) {
    const weapon_def* def = current_def(s);
    return def && (which == 0 || which == 1) ? def->sight_name[which] : "";
}

int32_t being_weapon_sight_kind(const weapon_slots& s) {
    const weapon_def* def = current_def(s);
    return def ? def->sight_kind : kSightNone;
}

float being_weapon_zoom(const weapon_slots& s, int32_t which, int32_t game_flags) {
    const weapon_def* def = current_def(s);
    if (!def || (which != 0 && which != 1)) return 0.0f;
    if (game_flags & kGameSightsFlag) return def->zoom[which];
    return which == 0 ? 1.0f : def->zoom[1];
}

const char* being_shot_sound(const weapon_slots& s, int32_t which) {
    const weapon_def* def = current_def(s);
    return def && (which == 0 || which == 1) ? weapon_shot_sound_name(def->shot_sound[which]) : "";
}

const char* being_reload_sound(const weapon_slots& s, int32_t stage) {
    const weapon_def* def = current_def(s);
    return def && stage >= 0 && stage < 3 ? weapon_reload_sound_name(def->reload_sound[stage]) : "";
}

const char* being_muzzle_flash(const weapon_slots& s, int32_t which) {
    const weapon_def* def = current_def(s);
    return def && (which == 0 || which == 1) ? weapon_muzzle_flash_name(def->muzzle_flash[which]) : "";
}

sound_distances being_weapon_sound_distances(const weapon_slots& s) {
    const weapon_def* def = current_def(s);
    return def ? sound_distances{def->sound_near, def->sound_far} : sound_distances{0.0f, 0.0f};
}

effect_factors being_weapon_effect_factors(const weapon_slots& s) {
    const weapon_def* def = current_def(s);
    return def ? effect_factors{def->effect_factor[0], def->effect_factor[1]} : effect_factors{0.0f, 0.0f};
}

int32_t being_weapon_rounds(const weapon_slots& s) {
    const weapon_slot* current = current_slot(s);
    return current ? current->rounds : 0;
}

int32_t being_weapon_magazines(const weapon_slots& s) {
    const weapon_slot* current = current_slot(s);
    return current ? current->magazines : 0;
}

int32_t being_weapon_extra_rounds(const weapon_slots& s) {
    const weapon_slot* current = current_slot(s);
    return current ? current->launcher_rounds : 0;
}

bool being_weapon_has_launcher(const weapon_slots& s) {
    return weapon_has_launcher(current_weapon(s));
}

bool being_weapon_reloads_by_round(const weapon_slots& s) {
    return weapon_reloads_by_round(current_weapon(s));
}

bool being_weapon_is_melee(const weapon_slots& s) {
    return weapon_is_melee(current_weapon(s));
}

bool being_weapon_is_hand_grenade(const weapon_slots& s) {
    return weapon_is_hand_grenade(current_weapon(s));
}

bool being_weapon_is_hands(const weapon_slots& s) {
    return weapon_is_hands(current_weapon(s));
}

bool being_weapon_is_handheld(const weapon_slots& s) {
    return weapon_is_handheld(current_weapon(s));
}

bool being_weapon_is_charge(const weapon_slots& s) {
    return weapon_is_charge(current_weapon(s));
}

}  // namespace kv
