#include "beings/soldier_slots.h"

#include <sstream>

namespace kv {
namespace {

struct third_person_run {
    int first_slot;
    const char* family;
    const char* actions;
};

// The third-person slot table: each run of slots with its family word (empty for none) and its actions in
// slot order. Slots 188, 189 and 199 stay unbound.
const third_person_run kThirdPersonRuns[] = {
    {0, "",
     "idle walk run lstrafe rstrafe jump cidle cwalk clstrafe crstrafe cidle_ll cidle_rl clleanout crleanout "
     "pidle pcrawl plstrafe prstrafe swim idle_cr idle_pidl cidle_pid"},
    {22, "m4a1",
     "idle walk run lstrafe rstrafe jump shoot lsshoot1 rsshoot1 reload cidle cwalk clstrafe crstrafe "
     "cidle_ll cidle_rl clleanout crleanout clshoot crshoot cshoot creload pidle pcrawl plstrafe prstrafe "
     "pwshoot pwreload swim idle_cr idle_pidl cidle_pid"},
    {54, "g3l", "reload2 creload2"},
    {56, "vz61",
     "idle walk run lstrafe rstrafe jump shoot lsshoot rsshoot reload cidle cwalk clstrafe crstrafe cidle_ll "
     "cidle_rl clleanout crleanout clshoot crshoot cshoot creload pidle pwshoot pwreload idle_cr idle_pidl "
     "cidle_pid"},
    {84, "aek919", "reload creload pwreload"},
    {87, "famas", "reload creload pwreload"},
    {90, "ks23", "reload creload pwreload"},
    {93, "apb",
     "idle walk run lstrafe rstrafe jump shoot lsshoot rsshoot reload cidle cwalk clstrafe crstrafe cidle_ll "
     "cidle_rl clleanout crleanout clshoot crshoot cshoot creload pidle pwshoot pwreload idle_cr idle_pidl "
     "cidle_pid"},
    {121, "mr73", "reload creload pwreload"},
    {124, "psg1",
     "idle walk run lstrafe rstrafe jump shoot lsshoot rsshoot reload cidle cwalk clstrafe crstrafe cidle_ll "
     "cidle_rl clleanout crleanout clshoot crshoot cshoot creload pidle pwshoot pwreload idle_cr idle_pidl "
     "cidle_pid"},
    {152, "m24", "reload creload pwreload"},
    {155, "rpk74",
     "idle walk run lstrafe rstrafe jump shoot lsshoot rsshoot reload cidle cwalk clstrafe crstrafe cidle_ll "
     "cidle_rl clleanout crleanout clshoot crshoot cshoot creload pidle pwshoot pwreload idle_cr idle_pidl "
     "cidle_pid"},
    {183, "rpk47", "reload creload pwreload"},
    {186, "m4a1", "lsreload rsreload"},
    {190, "",
     "ldeath_hd ldeath_st_fr ldeath_st_re ldeath_cr_fr ldeath_cr_re ldeath_prone ldeath_expl ldeath_fall "
     "ldeath_slash"},
    {200, "",
     "udeath_hd udeath_st_fr udeath_st_re udeath_cr_fr udeath_cr_re udeath_prone udeath_expl udeath_fall "
     "udeath_slash"},
    {209, "c4",
     "idle walk run lstrafe rstrafe jump use cidle cwalk clstrafe crstrafe cidle_ll cidle_rl clleanout "
     "crleanout cuse pidle piduse idle_cr idle_pidl cidle_pid"},
    {230, "shovel",
     "idle walk run lstrafe rstrafe jump slash throw lsslash rsslash cidle cwalk clstrafe crstrafe cidle_ll "
     "cidle_rl clleanout crleanout clslash crslash cslash cthrow pidle pslash idle_cr idle_pidl cidle_pid"},
    {257, "stun",
     "idle walk run lstrafe rstrafe jump throw1 throw2 lsthrow1 rsthrow1 cidle cwalk clstrafe crstrafe "
     "cidle_ll cidle_rl clleanout crleanout cthrow1 cthrow2 pidle pthrow1 idle_cr idle_pidl cidle_pid"},
    {282, "binocular", "use clluse crluse cuse piduse"},
    {287, "handheld", "use cuse piduse"},
    {290, "apb", "lsreload rsreload"},
    {292, "psg1", "lsreload rsreload"},
    {294, "rpk74", "lsreload rsreload"},
    {296, "vz61", "lsreload rsreload"},
};

// The first-person animations in slot order (slot 23 stays unbound).
const char* const kFirstPersonNames[] = {
    "m4a1-idle-1st",        "m4a1-run-1st",        "m4a1-reload-1st",
    "g3-reload-1st",        "g36-reload-1st",      "g51o-idle-1st",
    "g51o-run-1st",         "g51o-reload-1st",     "ak47-reload-1st",
    "ak74-idle-1st",        "ak74-run-1st",        "ak74-reload-1st",
    "microgalil-idle-1st",  "microgalil-run-1st",  "microgalil-reload-1st",
    "mp5a4-idle-1st",       "mp5a4-run-1st",       "mp5a4-reload-1st",
    "rpk74-reload-1st",     "g3sg1-idle-1st",      "g3sg1-run-1st",
    "g3sg1-reload-1st",     "psg1-reload-1st",     "svd-idle-1st",
    "svd-run-1st",          "svd-reload-1st",      "sr25-reload-1st",
    "m249-idle-1st",        "m249-run-1st",        "m249-reload-1st",
    "m249-shoot-1st",       "aws-idle-1st",        "aws-run-1st",
    "aws-reload-1st",       "g3launch-shoot-1st",  "g36-shoot-1st",
    "ak47-shoot-1st",       "aws-shoot-1st",       "g51o-shoot-1st",
    "rpk74-shoot-1st",      "sr25-shoot-1st",      "spas15-idle-1st",
    "spas15-reload-1st",    "spas15-run-1st",      "spas15-shoot-1st",
    "aek919-idle-1st",      "aek919-run-1st",      "aek919-reload-1st",
    "famas-idle-1st",       "famas-run-1st",       "famas-shoot-1st",
    "famas-reload-1st",     "groza-idle-1st",      "groza-run-1st",
    "groza-reload-1st",     "m203-idle-1st",       "m203-run-1st",
    "m203-shoot-1st",       "m203-reload-1st",     "miniuzi-idle-1st",
    "miniuzi-run-1st",      "miniuzi-reload-1st",  "microuzi-idle-1st",
    "microuzi-run-1st",     "microuzi-shoot-1st",  "microuzi-reload-1st",
    "vz61-idle-1st",        "vz61-run-1st",        "vz61-shoot-1st",
    "vz61-reload-1st",      "saiga12-idle-1st",    "saiga12-run-1st",
    "saiga12-shoot-1st",    "saiga12-reload-1st",  "vz58-idle-1st",
    "vz58-run-1st",         "vz58-reload-1st",     "vss-idle-1st",
    "vss-run-1st",          "vss-reload-1st",      "ump-idle-1st",
    "ump-run-1st",          "ump-reload-1st",      "ak74l-idle-1st",
    "ak74l-run-1st",        "ak74l-shoot-1st",     "ak74l-reload-1st",
    "stun-throw1-1st",      "stun-throw2-1st",     "handheld-idle-1st",
    "handheld-run-1st",     "handheld-use-1st",    "hands-idle-1st",
    "ks23m-idle-1st",       "ks23m-run-1st",       "ks23m-shoot-1st",
    "ks23m-reload01-1st",   "ks23m-reload02-1st",  "ks23m-reload03-1st",
    "mk23-idle-1st",        "mk23-run-1st",        "mk23-shoot-1st",
    "mk23-reload-1st",      "mr73-idle-1st",       "mr73-run-1st",
    "mr73-shoot-1st",       "mr73-reload-1st",     "sigp226-idle-1st",
    "sigp226-run-1st",      "sigp226-shoot-1st",   "sigp226-reload-1st",
    "m24-idle-1st",         "m24-run-1st",         "m24-shoot-1st",
    "m24-reload01-1st",     "m24-reload02-1st",    "m24-reload03-1st",
    "rpk47-reload-1st",     "spas12-idle-1st",     "spas12-run-1st",
    "spas12-shoot-1st",     "spas12-reload01-1st", "spas12-reload02-1st",
    "spas12-reload03-1st",  "mp5k-idle-1st",       "mp5k-run-1st",
    "mp5k-shoot-1st",       "mp5k-reload-1st",     "aug-idle-1st",
    "aug-run-1st",          "aug-reload-1st",      "shovel-idle-1st",
    "shovel-run-1st",       "shovel-slash-1st",    "shovel-throw-1st",
    "kabar-idle-1st",       "kabar-run-1st",       "kabar-slash-1st",
    "kabar-throw-1st",      "tanto-idle-1st",      "tanto-run-1st",
    "tanto-slash-1st",      "tanto-throw-1st",     "g3sg1-shoot-1st",
    "m4a1-shoot-1st",       "m203-gshoot-1st",     "m203-greload-1st",
    "g3l-gshoot-1st",       "g3l-greload-1st",     "ak74l-gshoot-1st",
    "ak74l-greload-1st",    "aug-shoot-1st",       "groza-shoot-1st",
    "microgalil-shoot-1st", "miniuzi-shoot-1st",   "svd-shoot-1st",
    "aek919-shoot-1st",     "ak74-shoot-1st",      "g3-shoot-1st",
    "mp5a4-shoot-1st",      "ump-shoot-1st",       "vz58-shoot-1st",
    "g3l-reload-1st",       "vss-shoot-1st",       "spas12-reloadPP-1st",
    "m24-reloadPP-1st",     "ks23m-reloadPP-1st",  "stun-idle-1st",
    "stun-run-1st",         "c4-idle-1st",         "c4-run-1st",
    "c4-use-1st",
};

// The first-person slot left unbound.
constexpr int32_t kFirstGap = 23;

std::vector<std::string> words(const char* text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

int32_t find(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return static_cast<int32_t>(i);
    }
    return -1;
}

}  // namespace

std::vector<std::string> soldier_slot_names() {
    std::vector<std::string> names(kSoldierSlotCount);
    for (const third_person_run& run : kThirdPersonRuns) {
        int slot = run.first_slot;
        for (const std::string& action : words(run.actions)) {
            const std::string family = run.family;
            names[static_cast<std::size_t>(slot++)] =
                "a-" + (family.empty() ? action : family + "-" + action);
        }
    }
    return names;
}

std::vector<std::string> soldier_first_slot_names() {
    std::vector<std::string> names(kSoldierFirstSlotCount);
    int slot = 0;
    for (const char* name : kFirstPersonNames) {
        if (slot == kFirstGap) ++slot;
        names[static_cast<std::size_t>(slot++)] = std::string("a-") + name;
    }
    return names;
}

int32_t soldier_slot_of(const std::string& name) {
    static const std::vector<std::string> names = soldier_slot_names();
    return find(names, name);
}

int32_t soldier_first_slot_of(const std::string& name) {
    static const std::vector<std::string> names = soldier_first_slot_names();
    return find(names, name);
}

}  // namespace kv
