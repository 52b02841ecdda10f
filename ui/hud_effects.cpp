// The soldier's condition: posture, sights and breath timers, stamina, aim unsteadiness and the skill
// levels.

#include "ui/hud_effects.h"

#include <algorithm>
#include <cmath>

#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "game/player_record.h"
#include "game/server.h"

namespace kv {

namespace {

constexpr float kTurnCap = 2.3561945f;      // 135 degrees
constexpr float kUnsteadinessMax = 10.0f;   // 4.0 + 2.5 + 0.5 + 1.5 + 1.5
constexpr int32_t kSprintTimer = 1;
constexpr int32_t kSightsTimer = 5;
constexpr int32_t kBreathTimer = 6;
constexpr int32_t kFrameTimer = 8;
constexpr int32_t kRecoveryTimer = 9;
constexpr int32_t kPostureTimer = 10;

// Level presets by specialisation (soldier, scout, sniper, specialist).
constexpr float kPresets[4][kConditionLevels] = {{0.6f, 0.5f, 0.4f, 0.25f, 0.5f, 0.25f},
                                                 {0.25f, 0.25f, 0.8f, 0.7f, 0.25f, 0.25f},
                                                 {0.25f, 0.25f, 0.25f, 0.25f, 0.8f, 0.7f},
                                                 {0.5f, 0.8f, 0.3f, 0.25f, 0.4f, 0.25f}};
// The level a person's specialisation trains first, in the levels mode.
constexpr int32_t kFavoured[4] = {0, 2, 4, 1};

struct level_cap {
    int32_t level;
    float cap;
};
constexpr level_cap kGrowth[4][kConditionLevels] = {
    {{4, 0.6f}, {0, 0.5f}, {5, 0.5f}, {1, 0.5f}, {2, 0.8f}, {3, 0.6f}},
    {{2, 0.25f}, {3, 0.5f}, {1, 1.0f}, {4, 1.0f}, {0, 0.5f}, {5, 0.25f}},
    {{4, 0.25f}, {5, 0.35f}, {3, 0.4f}, {2, 0.5f}, {1, 1.0f}, {0, 1.0f}},
    {{0, 1.0f}, {1, 1.0f}, {4, 0.3f}, {3, 0.35f}, {2, 0.6f}, {5, 0.25f}},
};

int32_t specialisation_row(int32_t specialisation) {
    return specialisation >= 0 && specialisation < 4 ? specialisation : 0;
}

bool is_person(uint32_t id) {
    return id == 0 || id >= 100;
}

float elapsed(const hud_effects& h, int32_t index) {
    return static_cast<float>(timer_elapsed_ms(h.timers[index]));
}

// The timers a movement state starts and stops.
struct posture_timers {
    int32_t start[2];
    int32_t stop[3];
};
constexpr posture_timers kStill{{4, -1}, {1, 2, 3}};
constexpr posture_timers kMoving{{2, 3}, {1, 4, -1}};
constexpr posture_timers kSprinting{{1, -1}, {2, 3, 4}};
constexpr posture_timers kLeaning{{3, -1}, {1, 2, 4}};

const posture_timers* timers_of(int32_t state, bool walk_held) {
    switch (state) {
        case 0:
        case 7:
        case 16:
            return &kStill;
        case 2:
        case 8:
        case 9:
        case 17:
        case 18:
            return &kMoving;
        case 3:
            return &kSprinting;
        case 4:
            return walk_held ? &kMoving : &kSprinting;
        case 11:
        case 12:
            return &kLeaning;
        default:
            return nullptr;
    }
}

bool levels_mode(const being& b) {
    return b.srv && (b.srv->snapshot.flags & kGameFlagLevels) != 0;
}

float level_of(const player_record* r, int32_t index) {
    return r ? static_cast<float>(r->levels[index]) / 255.0f : 0.0f;
}

}  // namespace

void condition_reset(hud_effects& h) {
    for (uint8_t& r : h.running) r = 0;
    for (int32_t& a : h.accumulated) a = 0;
    for (float& g : h.gains) g = 0.0f;
    h.turn_pulse = h.hit_pulse = h.breath = 0.0f;
    h.cached = -1.0f;
    h.stamina = 1.0f;
    h.drain = 0.0f;
    h.exhausted = 0;
    h.load_sum = 0.0f;
    h.load_count = 0;
}

void condition_start_timer(hud_effects& h, int32_t index) {
    if (index < 0 || index > 6 || h.running[index]) return;
    timer_restart(h.timers[index]);
    h.running[index] = 1;
}

void condition_stop_timer(hud_effects& h, int32_t index) {
    if (index < 0 || index > 6 || !h.running[index]) return;
    if (index != 2) h.accumulated[index] += timer_elapsed_ms(h.timers[index]);
    h.running[index] = 0;
    if (index == 1 || index == 2 || index == 3 || index == 5) timer_restart(h.timers[index]);
}

void condition_posture(hud_effects& h, int32_t movement_state, bool walk_held) {
    const posture_timers* t = timers_of(movement_state, walk_held);
    if (!t) return;
    for (int32_t i : t->stop) condition_stop_timer(h, i);
    for (int32_t i : t->start) condition_start_timer(h, i);
}

void condition_accumulate(hud_effects& h, float load) {
    h.load_sum += load;
    h.load_count += 1;
    h.sprint_period_ms = static_cast<int32_t>(60000.0f - load / 8.0f * 30000.0f);
}

bool condition_breath_allowed(const hud_effects& h, float level5) {
    if (h.running[kBreathTimer]) return elapsed(h, kBreathTimer) <= std::trunc(level5 * 10000.0f);
    return elapsed(h, kBreathTimer) - static_cast<float>(h.accumulated[kBreathTimer]) >= 3000.0f;
}

float condition_stamina(hud_effects& h, bool levels_mode, float level1) {
    if (!levels_mode) return 1.0f;
    if (h.running[kSprintTimer] && !h.exhausted) {
        const float t = elapsed(h, kSprintTimer);
        const float period = static_cast<float>(h.sprint_period_ms);
        if (t > period || period <= 0.0f) {
            h.stamina = 0.0f;
            h.exhausted = 1;
        } else {
            h.stamina = 1.0f - t / period - h.drain;
        }
        if (h.stamina <= 0.0f) {
            h.stamina = 0.0f;
            h.exhausted = 1;
        }
    } else {
        if (h.stamina < 1.0f) {
            h.stamina += elapsed(h, kRecoveryTimer) / (25000.0f - level1 * 12500.0f);
            if (h.stamina >= 1.0f) {
                h.stamina = 1.0f;
                h.exhausted = 0;
            }
        }
        h.drain = 1.0f - h.stamina;
    }
    timer_restart(h.timers[kRecoveryTimer]);
    return h.stamina;
}

bool condition_can_sprint(const hud_effects& h, bool levels_mode) {
    return !(levels_mode && (h.exhausted || h.stamina == 0.0f));
}

float condition_unsteadiness(hud_effects& h, float level4, float level5) {
    const float t = elapsed(h, kFrameTimer);
    if (t < 50.0f && h.cached > -1.0f) return h.cached;
    const bool hold = h.running[kBreathTimer] != 0;
    // The breath: short after sprinting, shorter after moving, back to calm when still.
    if (h.running[1] && !hold) {
        h.breath = std::min(4.0f, h.breath + 4.0f / 10000.0f * t);
    } else if (h.running[2] && !hold) {
        // Rising to 2.0 while moving; falling back to it after a sprint.
        if (h.breath <= 2.0f) {
            h.breath = std::min(2.0f, h.breath + 2.0f / 10000.0f * t);
        } else {
            h.breath = std::max(2.0f, h.breath - 4.0f / 10000.0f * t);
        }
    }
    if (!h.running[1] && !h.running[2]) {
        h.breath -= 4.0f / 10000.0f * t;
        if (!(h.breath > 0.0f)) h.breath = 0.0f;
    }
    float v = h.breath;
    if (hold) {
        if (condition_breath_allowed(h, level5)) {
            v = 0.0f;
        } else {
            condition_stop_timer(h, kBreathTimer);
        }
    }
    if (h.turn_pulse > 0.0f) {
        v += h.turn_pulse / kTurnCap * 1.5f;
        h.turn_pulse = std::max(0.0f, h.turn_pulse - kTurnCap / 5000.0f * t);
    }
    const float since_sights = elapsed(h, kSightsTimer);
    const float sights_k = 10000.0f - level4 * 9000.0f;
    if (since_sights <= 10000.0f && since_sights < sights_k) v += 0.5f * (1.0f - since_sights / sights_k);
    const float since_posture = elapsed(h, kPostureTimer);
    const float posture_k = 10000.0f - level4 * 5000.0f;
    if (since_posture <= 10000.0f && since_posture < posture_k) v += 1.5f * (1.0f - since_posture / posture_k);
    v += 2.5f - 2.5f * level4;
    if (h.hit_pulse > 0.0f) {
        h.hit_pulse -= 4.0f / 4000.0f * t;
        if (h.hit_pulse > 0.0f) v += h.hit_pulse;
    }
    if (!(v < kUnsteadinessMax)) v = std::isnan(v) ? 0.0f : kUnsteadinessMax;
    if (v < 0.0f) v = 0.0f;
    timer_restart(h.timers[kFrameTimer]);
    h.cached = v / kUnsteadinessMax;
    return h.cached;
}

void condition_add_turn(hud_effects& h, float angle) {
    if (!std::isfinite(angle)) return;
    h.turn_pulse = std::min(kTurnCap, h.turn_pulse + std::fabs(angle));
}

void condition_add_pulse(hud_effects& h, float value) {
    if (std::isfinite(value)) h.hit_pulse += 4.0f * value;
}

void condition_set_state(hud_effects& h, int32_t code) {
    if (code == h.posture_code) return;
    timer_restart(h.timers[kPostureTimer]);
    h.posture_code = code;
}

void condition_end_life(hud_effects& h) {
    h.accumulated[0] += timer_elapsed_ms(h.timers[0]);
    h.running[0] = 0;
    for (int32_t i : {1, 3, 4, 5, 6}) condition_stop_timer(h, i);
    const float load = h.load_count > 0 ? h.load_sum / static_cast<float>(h.load_count) / 8.0f : 0.0f;
    const auto t = [&h](int32_t i) { return static_cast<float>(h.accumulated[i]); };
    h.gains[0] = t(0) / 300000.0f * load * 0.1f;
    h.gains[1] = t(1) / 300000.0f * 0.1f;
    h.gains[2] = t(3) / 300000.0f * 0.1f;
    h.gains[3] = t(4) / 300000.0f * 0.1f;
    h.gains[4] = t(5) / 300000.0f * 0.1f;
    h.gains[5] = t(6) / 60000.0f * 0.1f;
}

void condition_level_presets(float (&levels)[kConditionLevels], int32_t specialisation, bool levels_mode,
                             uint32_t player_id) {
    const int32_t row = specialisation_row(specialisation);
    if (levels_mode && is_person(player_id)) {
        for (float& l : levels) l = 0.25f;
        levels[kFavoured[row]] = 0.5f;
        return;
    }
    for (int32_t i = 0; i < kConditionLevels; ++i) levels[i] = kPresets[row][i];
}

void condition_level_update(float (&levels)[kConditionLevels], const float (&gains)[kConditionLevels],
                            int32_t specialisation, bool alive, bool lost) {
    for (float& l : levels) {
        if (l > 0.8f) {
            l -= (l - 0.8f) / 0.2f * 0.02f + 0.01f;
        } else if (l >= 0.01f) {
            l -= 0.01f;
        }
    }
    if (alive) {
        float g = 0.0f;
        for (const float gain : gains) g += gain;
        if (lost) g *= 0.75f;
        if (g > 0.0f) {
            float sum = 0.0f;
            for (const float l : levels) sum += l;
            for (const level_cap& pair : kGrowth[specialisation_row(specialisation)]) {
                float& l = levels[pair.level];
                if (!(l < pair.cap)) continue;
                float amount = std::min(pair.cap, g);
                // Kept as the game has it: levels of at most 1.0 never sum near 350.
                if (amount + sum > 350.0f) amount -= amount + sum - 350.0f;
                if (amount > 0.0f) {
                    l += amount;
                    g -= amount;
                }
            }
        }
    }
    for (float& l : levels) l = std::isfinite(l) ? std::clamp(l, 0.0f, 1.0f) : 0.0f;
}

bool hud_effects_start(being& b) {
    hud_effects& h = b.condition;
    if (h.running[0]) return false;
    condition_reset(h);
    if (player_record* r = being_record(b)) {
        float sum = 0.0f;
        for (int32_t i = 0; i < kConditionLevels; ++i) sum += level_of(r, i);
        if (std::fabs(sum) <= 0.00001f) {
            float levels[kConditionLevels];
            condition_level_presets(levels, r->specialisation, levels_mode(b), r->id);
            being_set_record_levels(b, levels);
        }
    }
    being_update_load(b);
    timer_restart(h.timers[0]);
    h.running[0] = 1;
    return true;
}

bool hud_effects_stop(being& b) {
    if (!b.condition.running[0]) return false;
    condition_end_life(b.condition);
    return true;
}

void hud_effects_decay(being& b) {
    player_record* r = being_record(b);
    if (!r || !is_person(r->id) || !r->levels_changed || !levels_mode(b)) return;
    float levels[kConditionLevels];
    for (int32_t i = 0; i < kConditionLevels; ++i) levels[i] = level_of(r, i);
    const bool lost = b.srv->snapshot.winner != r->team;
    condition_level_update(levels, b.condition.gains, r->specialisation, r->health > 0, lost);
    being_set_record_levels(b, levels);
}

void hud_effects_accumulate(being& b, int32_t load) {
    condition_accumulate(b.condition, static_cast<float>(load));
}

void hud_effects_set_posture(being& b, int32_t movement_state) {
    condition_posture(b.condition, movement_state, (b.held & kHoldWalk) != 0);
}

void hud_effects_set_sights(being& b, bool on) {
    if (on) {
        condition_start_timer(b.condition, kSightsTimer);
    } else {
        condition_stop_timer(b.condition, kSightsTimer);
    }
}

void hud_effects_add_turn(being& b, float angle) {
    condition_add_turn(b.condition, angle);
}

float hud_effects_intensity(being& b) {
    const player_record* r = being_record(b);
    return condition_unsteadiness(b.condition, level_of(r, 4), level_of(r, 5));
}

bool hud_effects_can_run(being& b) {
    return condition_can_sprint(b.condition, levels_mode(b));
}

void hud_effects_add_pulse(being& b, float value) {
    condition_add_pulse(b.condition, value);
}

void hud_effects_sway(being& b, float pitch_change) {
    condition_add_turn(b.condition, pitch_change);
}

void hud_effects_set_state(being& b, int32_t code) {
    condition_set_state(b.condition, code);
}

void hud_effects_set_timer6(being& b, bool on) {
    if (!on) {
        condition_stop_timer(b.condition, kBreathTimer);
        return;
    }
    if (condition_breath_allowed(b.condition, level_of(being_record(b), 5)))
        condition_start_timer(b.condition, kBreathTimer);
}

float hud_effects_fade(being& b) {
    return condition_stamina(b.condition, levels_mode(b), level_of(being_record(b), 1));
}

}  // namespace kv
