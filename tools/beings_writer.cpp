#include "tools/beings_writer.h"

#include <cmath>
#include <sstream>

#include "tools/world_writer.h"
#include "util/box3.h"

namespace kv::tools {
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

struct bone_place {
    int parent;
    vec3 at;
};

// The body at the bind pose; the hand chains run forward one unit a bone.
bone_place body_bone(int bone) {
    static const bone_place fixed[] = {
        {-1, {0, 0, 0}},  {0, {0, 0, 10}},   {1, {0, 0, 20}},    {2, {0, 0, 30}},
        {3, {0, 0, 40}},  {4, {0, 0, 45}},   {5, {0, 0, 60}},    {6, {0, 0, 76}},
        {5, {0, 0, 50}},  {8, {0, 0, 52}},   {9, {0, 0, 54}},    {5, {0, 25, 40}},
        {5, {18, 0, 50}}, {12, {25, 0, 35}}, {13, {25, 15, 25}}, {14, {20, 30, 25}},
    };
    if (bone < 16) return fixed[bone];
    if (bone < 30) return {bone - 1, {20, static_cast<float>(bone + 15), 25}};
    if (bone == 30) return {5, {-18, 0, 50}};
    if (bone == 31) return {30, {-25, 0, 35}};
    if (bone == 32) return {31, {-20, 25, 25}};
    if (bone == 33) return {32, {-10, 40, 28}};
    if (bone < 45) return {bone - 1, {-10, static_cast<float>(bone + 7), 28}};
    if (bone == 55) return {15, {20, 80, 30}};
    // The legs: hip, knee, ankle, heel, sole on each side.
    const bool right = bone < 50;
    const float x = right ? 10.0f : -10.0f;
    static const vec3 leg[] = {{0, 0, 0}, {0, 0, -45}, {0, 0, -85}, {0, -8, -92}, {0, 10, -95}};
    const int k = (bone - 45) % 5;
    return {k == 0 ? 0 : bone - 1, {x, leg[k].y, leg[k].z}};
}

bool below_split(int bone) {
    for (int b = bone; b > 0; b = body_bone(b).parent) {
        if (body_bone(b).parent == 5) return true;
    }
    return false;
}

std::vector<std::string> words(const char* text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool starts_with(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool is_shot(const std::string& name) {
    return name.find("shoot") != std::string::npos;
}

bool is_moving(const std::string& action) {
    for (const char* w : {"walk", "run", "strafe", "crawl"}) {
        if (action.find(w) != std::string::npos) return true;
    }
    return false;
}

// A key moving the bone from its parent by `offset`, turned about x by `angle`.
bone_key_spec key(int bone, const vec3& offset, float angle = 0.0f) {
    return {static_cast<uint8_t>(bone), offset, {1.0f, 0.0f, 0.0f}, angle};
}

vec3 rest_offset(int bone) {
    const bone_place p = body_bone(bone);
    return p.parent < 0 ? p.at : p.at - body_bone(p.parent).at;
}

// The lower body's keys of one frame: the spine and the legs, lowered for crouched and prone words.
std::vector<bone_key_spec> lower_keys(const std::string& action, int frame, int frames) {
    const bool prone = starts_with(action, "p") || action.find("prone") != std::string::npos;
    const bool crouched = !prone && (starts_with(action, "c") || action.find("_cr_") != std::string::npos);
    const float drop = prone ? 75.0f : crouched ? kSoldierCrouchDrop : 0.0f;
    const float swing = is_moving(action) ? 0.3f * std::sin(6.2831853f * frame / frames) : 0.0f;
    std::vector<bone_key_spec> keys;
    for (int bone = 1; bone < kSoldierBones; ++bone) {
        if (below_split(bone)) continue;
        vec3 offset = rest_offset(bone);
        float angle = 0.0f;
        const int k = bone >= 45 ? (bone - 45) % 5 : -1;
        if (bone == 1) offset.z -= drop;
        if (k == 0) {
            offset.z -= drop;
            angle = bone < 50 ? swing : -swing;
        }
        if (crouched && k == 1) offset = {0.0f, 30.0f, -22.0f};
        if (crouched && k == 2) offset = {0.0f, -30.0f, -23.0f};
        if (prone && k == 1) offset = {0.0f, -40.0f, -8.0f};
        if (prone && k == 2) offset = {0.0f, -40.0f, -2.0f};
        keys.push_back(key(bone, offset, angle));
    }
    return keys;
}

// The upper body's keys of one frame: the bind pose, the right arm kicked back by shots.
std::vector<bone_key_spec> upper_keys(const std::string& action, int frame) {
    std::vector<bone_key_spec> keys;
    const float kick = is_shot(action) && frame == 1 ? 0.2f : 0.0f;
    for (int bone = 6; bone < kSoldierBones; ++bone) {
        if (below_split(bone)) keys.push_back(key(bone, rest_offset(bone), bone == 13 ? kick : 0.0f));
    }
    return keys;
}

// The first-person skeleton: 0 the view, right arm 1-3, the weapon 4 with its muzzle 5 and shell port
// 9, left arm 6-8.
const bone_place kFirstBones[] = {
    {-1, {0, 0, 0}},  {0, {12, 10, -10}},  {1, {14, 25, -18}},  {2, {10, 35, -15}}, {3, {8, 40, -12}},
    {4, {8, 90, -8}}, {0, {-12, 10, -10}}, {6, {-10, 30, -18}}, {7, {4, 55, -12}},  {4, {10, 50, -6}},
};
constexpr int kFirstBoneCount = static_cast<int>(std::size(kFirstBones));

std::vector<bone_key_spec> first_keys(const std::string& name, int frame) {
    std::vector<bone_key_spec> keys;
    const float kick = is_shot(name) && frame == 1 ? 0.1f : 0.0f;
    for (int bone = 1; bone < kFirstBoneCount; ++bone) {
        const bone_place& p = kFirstBones[bone];
        keys.push_back(key(bone, p.at - kFirstBones[p.parent].at, bone == 1 ? kick : 0.0f));
    }
    return keys;
}

// The body: a quad of side 12 facing along x at every bone but the root, skinned to it.
mesh_spec body_mesh() {
    mesh_spec m;
    constexpr float kHalf = 6.0f;
    box3_init(m.box, {1e9f, 1e9f, 1e9f}, {-1e9f, -1e9f, -1e9f});
    mesh_spec::part part;
    for (int bone = 1; bone < kSoldierBones; ++bone) {
        const vec3 s = body_bone(bone).at;
        const vec3 at{s.x, s.z, s.y};  // the model's y is the skeleton's z
        const auto first = static_cast<uint16_t>(m.vertices.size());
        for (const auto& [dy, dz] :
             {std::pair{-kHalf, -kHalf}, {-kHalf, kHalf}, {kHalf, kHalf}, {kHalf, -kHalf}}) {
            m.vertices.push_back({at.x, at.y + dy, at.z + dz, 0.5f, 0.5f});
            m.bones.push_back(static_cast<uint8_t>(bone));
            box3 point;
            box3_init(point, {at.x, at.y + dy, at.z + dz}, {at.x, at.y + dy, at.z + dz});
            box3_add_box(m.box, point);
        }
        for (const int i : {0, 1, 2, 0, 2, 3}) part.indices.push_back(static_cast<uint16_t>(first + i));
    }
    part.draws = {{0, static_cast<uint16_t>(part.indices.size() / 3), 0}};
    m.parts = {part};
    m.tree = {{m.box, static_cast<uint16_t>(m.vertices.size()), 0}};
    return m;
}

std::vector<std::vector<uint8_t>> node_lists(int count, const std::vector<int>& parents) {
    std::vector<std::vector<uint8_t>> nodes(static_cast<std::size_t>(count));
    for (int b = 0; b < count; ++b) nodes[static_cast<std::size_t>(b)].push_back(static_cast<uint8_t>(b));
    for (int b = 1; b < count; ++b)
        nodes[static_cast<std::size_t>(parents[static_cast<std::size_t>(b)])].push_back(
            static_cast<uint8_t>(b));
    return nodes;
}

}  // namespace

std::vector<std::string> soldier_animation_names() {
    std::vector<std::string> names(kSoldierSlots);
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

std::vector<std::string> soldier_first_animation_names() {
    std::vector<std::string> names(kSoldierFirstSlots);
    int slot = 0;
    for (const char* name : kFirstPersonNames) {
        if (slot == 23) ++slot;
        names[static_cast<std::size_t>(slot++)] = std::string("a-") + name;
    }
    return names;
}

vec3 soldier_bone_position(int bone) {
    return body_bone(bone).at;
}

skeleton_spec soldier_skeleton() {
    skeleton_spec s;
    s.name = "sk-soldier";
    s.reference_bone = 0;
    s.attachment_bones[0] = 15;
    s.attachment_bones[2] = 55;
    s.attachment_bones[3] = 16;
    std::vector<int> parents;
    for (int b = 0; b < kSoldierBones; ++b) parents.push_back(body_bone(b).parent);
    s.nodes = node_lists(kSoldierBones, parents);
    for (int b = 1; b < kSoldierBones; ++b) s.bind_keys.push_back(key(b, rest_offset(b)));
    return s;
}

skeleton_spec soldier_first_skeleton() {
    skeleton_spec s;
    s.name = "sk-soldier-1st";
    s.attachment_bones[2] = 5;
    s.attachment_bones[3] = 9;
    std::vector<int> parents;
    for (const bone_place& p : kFirstBones) parents.push_back(p.parent);
    s.nodes = node_lists(kFirstBoneCount, parents);
    s.bind_keys = first_keys("", 0);
    return s;
}

animation_spec soldier_animation(const std::string& name, int frames) {
    const std::string action = name.substr(name.rfind('-') + 1);
    const bool lower = name.find('-', 2) == std::string::npos && !starts_with(action, "udeath");
    animation_spec a{.name = name};
    for (int f = 0; f < frames; ++f)
        a.frames.push_back(lower ? lower_keys(action, f, frames) : upper_keys(action, f));
    return a;
}

animation_spec soldier_first_animation(const std::string& name, int frames) {
    animation_spec a{.name = name};
    for (int f = 0; f < frames; ++f) a.frames.push_back(first_keys(name, f));
    return a;
}

namespace {

// Both skeletons and the body model, then what `animations` adds.
template <class Animations>
std::vector<uint8_t> soldier_package(Animations animations) {
    package_writer w;
    add_skeleton(w, soldier_skeleton());
    add_skeleton(w, soldier_first_skeleton());
    animations(w);
    const mesh_spec body = body_mesh();
    auto& q = w.qxps();
    w.add_named_object(package_table::surfaces, "s-soldier");
    add_geometry(w, {"g-soldier", body.box, {}, {add_skinned_mesh(q, body)}});
    add_entity_def(
        w, {"soldier", body.box, {}, {add_mesh_instance(q, {{}, "g-soldier", "s-soldier", "flesh", 0})}});
    return w.finish();
}

}  // namespace

std::vector<uint8_t> beings_package() {
    return soldier_package([](package_writer& w) {
        for (const std::string& name : soldier_animation_names()) {
            if (!name.empty())
                add_animation(w,
                              soldier_animation(name, is_shot(name) ? kSoldierShotFrames : kSoldierFrames));
        }
        for (const std::string& name : soldier_first_animation_names()) {
            if (!name.empty())
                add_animation(w, soldier_first_animation(
                                     name, is_shot(name) ? kSoldierShotFrames : kSoldierFrames / 2));
        }
    });
}

std::vector<uint8_t> beings_sample_package(int frames) {
    return soldier_package([frames](package_writer& w) {
        for (const char* name : {"a-idle", "a-cidle", "a-walk", "a-m4a1-idle", "a-m4a1-shoot"})
            add_animation(w, soldier_animation(name, frames));
        add_animation(w, soldier_first_animation("a-m4a1-idle-1st", frames));
    });
}

}  // namespace kv::tools
