#include "beings/anim_tables.h"

#include "beings/soldier_slots.h"
#include "beings/weapon_table.h"

namespace kv {
namespace {

// The legs of each row: movement rows their own word, action rows the stance's legs.
constexpr const char* kLowerWords[kAnimRows] = {
    "idle",     "walk",     "run",      "lstrafe",  "rstrafe",  "jump",     "idle",      "idle",
    "lstrafe",  "rstrafe",  "idle",     "idle",     "lstrafe",  "rstrafe",  "idle",      "idle",
    "idle",     "idle",     "cidle",    "cwalk",    "clstrafe", "crstrafe", "clleanout", "crleanout",
    "cidle_ll", "cidle_rl", "cidle_ll", "cidle_rl", "cidle",    "cidle",    "cidle",     "cidle",
    "cidle",    "cidle",    "cidle",    "pidle",    "pcrawl",   "plstrafe", "prstrafe",  "pidle",
    "pidle",    "pidle",    "pidle",    "pidle",    "swim",     "idle_cr",  "idle_pidl", "cidle_pid",
};

// The upper body's word of each row in a weapon family.
constexpr const char* kUpperWords[kAnimRows] = {
    "idle",     "walk",     "run",      "lstrafe",  "rstrafe",  "jump",     "shoot",     "shoot",
    "lsshoot",  "rsshoot",  "reload",   "reload2",  "lsreload", "rsreload", "reload",    "reload",
    "reload",   "reload",   "cidle",    "cwalk",    "clstrafe", "crstrafe", "clleanout", "crleanout",
    "cidle_ll", "cidle_rl", "clshoot",  "crshoot",  "cshoot",   "cshoot",   "creload",   "creload2",
    "creload",  "creload",  "creload",  "pidle",    "pcrawl",   "plstrafe", "prstrafe",  "pwshoot",
    "pwreload", "pwreload", "pwreload", "pwreload", "swim",     "idle_cr",  "idle_pidl", "cidle_pid",
};

// What the first-person model does in each row.
enum first_action : uint8_t {
    still,
    moving,
    shot,
    alt_shot,
    reload,
    launcher_reload,
    round_start,
    round_one,
    round_end,
    round_loop
};
constexpr first_action kFirstActions[kAnimRows] = {
    still,  moving, moving,          moving, moving,          still,       shot,      alt_shot,  shot,
    shot,   reload, launcher_reload, reload, reload,          round_start, round_one, round_end, round_loop,
    still,  moving, moving,          moving, still,           still,       still,     still,     shot,
    shot,   shot,   alt_shot,        reload, launcher_reload, round_start, round_one, round_end, still,
    moving, moving, moving,          shot,   reload,          round_start, round_one, round_end, moving,
    still,  still,  still,
};

// The first-person word of each weapon kind; empty: its group's.
constexpr const char* kFirstWords[kAnimColumns] = {
    "m4a1",    "m203",       "aug",    "g3",     "g3l",    "g36",   "",      "g51o",    "ak47",   "ak74",
    "ak74l",   "microgalil", "famas",  "groza",  "vz58",   "mp5k",  "mp5k",  "mp5a4",   "ump",    "miniuzi",
    "miniuzi", "microuzi",   "aek919", "aek919", "vz61",   "rpk47", "rpk74", "m249",    "psg1",   "svd",
    "g3sg1",   "sr25",       "aws",    "vss",    "m24",    "mk23",  "mk23",  "sigp226", "",       "",
    "",        "",           "",       "",       "",       "mr73",  "mr73",  "",        "spas12", "spas15",
    "ks23m",   "saiga12",    "kabar",  "tanto",  "shovel", "stun",  "stun",  "stun",    "stun",   "hands",
    "c4",      "handheld",   "hands",  "hands",
};

const char* family_of(int32_t weapon) {
    if (weapon <= 14 || (weapon >= 48 && weapon <= 51)) return "m4a1";
    if (weapon <= 24) return "vz61";
    if (weapon <= 27) return "rpk74";
    if (weapon <= 34) return "psg1";
    if (weapon <= 47) return "apb";
    if (weapon <= 54) return "shovel";
    if (weapon <= 58) return "stun";
    if (weapon == 59) return "binocular";
    if (weapon == 61) return "handheld";
    return "c4";
}

// The family whose reloads a weapon borrows, or null.
const char* reload_family_of(int32_t weapon) {
    if (weapon == 22 || weapon == 23) return "aek919";
    if (weapon == 12) return "famas";
    if (weapon == 50) return "ks23";
    if (weapon == 45 || weapon == 46) return "mr73";
    if (weapon == 34) return "m24";
    if (weapon == 25) return "rpk47";
    if (weapon_has_launcher(weapon)) return "g3l";
    return nullptr;
}

const char* group_word_of(int32_t weapon) {
    if (weapon <= 14) return "m4a1";
    if (weapon <= 24) return "mp5a4";
    if (weapon <= 27) return "m249";
    if (weapon <= 34) return "psg1";
    if (weapon <= 47) return "mk23";
    if (weapon <= 51) return "spas12";
    return "hands";
}

// The families' own words for the shot rows.
const char* own_word(const std::string& family, int32_t row) {
    struct own {
        const char* family;
        int32_t row;
        const char* word;
    };
    static constexpr own kOwn[] = {
        {"stun", 6, "throw1"},     {"stun", 7, "throw2"},    {"stun", 8, "lsthrow1"},
        {"stun", 9, "rsthrow1"},   {"stun", 28, "cthrow1"},  {"stun", 29, "cthrow2"},
        {"stun", 39, "pthrow1"},   {"shovel", 6, "slash"},   {"shovel", 7, "throw"},
        {"shovel", 8, "lsslash"},  {"shovel", 9, "rsslash"}, {"shovel", 26, "clslash"},
        {"shovel", 27, "crslash"}, {"shovel", 28, "cslash"}, {"shovel", 29, "cthrow"},
        {"shovel", 39, "pslash"},
    };
    static constexpr own kUse[] = {
        {"", 6, "use"}, {"", 26, "clluse"}, {"", 27, "crluse"}, {"", 28, "cuse"}, {"", 39, "piduse"}};
    for (const own& o : kOwn) {
        if (family == o.family && row == o.row) return o.word;
    }
    if (family == "c4" || family == "binocular" || family == "handheld") {
        for (const own& o : kUse) {
            if (row == o.row) return o.word;
        }
    }
    return kUpperWords[row];
}

const char* stance_idle(int32_t row) {
    if (row >= 18 && row <= 34) return "cidle";
    if (row >= 35 && row <= 43) return "pidle";
    return "idle";
}

int32_t family_slot(const std::string& family, const std::string& word) {
    int32_t slot = soldier_slot_of("a-" + family + "-" + word);
    // The m4a1 family numbers its leaning shots.
    if (slot < 0 && (word == "lsshoot" || word == "rsshoot"))
        slot = soldier_slot_of("a-" + family + "-" + word + "1");
    return slot;
}

int32_t upper_slot(int32_t row, int32_t weapon) {
    const std::string family = family_of(weapon);
    const std::string word = own_word(family, row);
    const bool reload_row = word.find("reload") != std::string::npos;
    if (const char* borrowed = reload_family_of(weapon); borrowed && reload_row) {
        const int32_t slot = family_slot(borrowed, word);
        if (slot >= 0) return slot;
    }
    int32_t slot = family_slot(family, word);
    if (slot < 0) slot = family_slot(family, stance_idle(row));
    if (slot < 0) slot = family_slot("c4", word);
    return slot;
}

std::string first_action_word(int32_t row, int32_t weapon) {
    switch (kFirstActions[row]) {
        case still:
            return "idle";
        case moving:
            return "run";
        case shot:
            if (weapon_is_melee(weapon)) return "slash";
            if (weapon_is_hand_grenade(weapon)) return "throw1";
            if (weapon_is_charge(weapon) || weapon_is_handheld(weapon)) return "use";
            return "shoot";
        case alt_shot:
            if (weapon_has_launcher(weapon)) return "gshoot";
            if (weapon_is_melee(weapon)) return "throw";
            if (weapon_is_hand_grenade(weapon)) return "throw2";
            if (weapon_is_charge(weapon) || weapon_is_handheld(weapon)) return "use";
            return "shoot";
        case reload:
            return "reload";
        case launcher_reload:
            return weapon_has_launcher(weapon) ? "greload" : "reload";
        case round_start:
            return "reload01";
        case round_one:
            return "reload02";
        case round_end:
            return "reload03";
        case round_loop:
            return "reloadPP";
    }
    return "idle";
}

int32_t first_slot(int32_t row, int32_t weapon) {
    const std::string own = kFirstWords[weapon];
    const std::string group = group_word_of(weapon);
    const std::string action = first_action_word(row, weapon);
    for (const std::string& name :
         {own + "-" + action, group + "-" + action, own + "-idle", group + "-idle"}) {
        const int32_t slot = soldier_first_slot_of("a-" + name + "-1st");
        if (slot >= 0) return slot;
    }
    return soldier_first_slot_of("a-hands-idle-1st");
}

}  // namespace

bool anim_cell_in_range(int32_t row, int32_t weapon) {
    return row >= 0 && row < kAnimRows && weapon >= 0 && weapon < kAnimColumns;
}

void anim_tables_build(anim_tables& t) {
    for (int32_t row = 0; row < kAnimRows; ++row) {
        const int32_t lower = soldier_slot_of(std::string("a-") + kLowerWords[row]);
        for (int32_t weapon = 0; weapon < kAnimColumns; ++weapon) {
            t.lower[row][weapon] = static_cast<int16_t>(lower);
            t.upper[row][weapon] = static_cast<int16_t>(upper_slot(row, weapon));
            t.first[row][weapon] = static_cast<int16_t>(first_slot(row, weapon));
            t.lower_speed[row][weapon] = kAnimSpeed;
            t.upper_speed[row][weapon] = kAnimSpeed;
            t.first_speed[row][weapon] = kAnimSpeed;
        }
    }
}

anim_tables& anim_tables_get() {
    static anim_tables tables = [] {
        anim_tables t{};
        anim_tables_build(t);
        return t;
    }();
    return tables;
}

death_slots being_death_slots(int32_t movement_state, int32_t cause) {
    constexpr int32_t kStanding = 2;
    constexpr int32_t kCrouched = 4;
    constexpr int32_t kProne = 6;
    int32_t index = kStanding;
    if ((movement_state >= 7 && movement_state <= 13) || movement_state == 15) index = kCrouched;
    if (movement_state >= 16 && movement_state <= 19) index = kProne;
    switch (cause) {
        case 0:
            if (index == kStanding) index = 0;
            break;
        case 2:
            index += 1;
            break;
        case 3:
            index = 8;
            break;
        case 4:
            index = 10;
            break;
        case 5:
            index = 6;
            break;
        case 6:
            index = 12;
            break;
        default:
            break;
    }
    constexpr int32_t kLowerOfIndex[13] = {190, 190, 191, 192, 193, 194, 195, 195, 196, 196, 197, 197, 198};
    death_slots out;
    out.lower = kLowerOfIndex[index];
    out.upper = out.lower + 10;
    return out;
}

}  // namespace kv
