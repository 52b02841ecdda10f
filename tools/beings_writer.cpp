#include "tools/beings_writer.h"

#include <cmath>
#include <sstream>

#include "beings/soldier_slots.h"
#include "tools/world_writer.h"
#include "util/box3.h"

namespace kv::tools {
namespace {

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
bone_key_desc key(int bone, const vec3& offset, float angle = 0.0f) {
    return {static_cast<uint8_t>(bone), offset, {1.0f, 0.0f, 0.0f}, angle};
}

vec3 rest_offset(int bone) {
    const bone_place p = body_bone(bone);
    return p.parent < 0 ? p.at : p.at - body_bone(p.parent).at;
}

// The split bone 5 is turned a quarter about the body's forward axis, so that its z axis, about which
// the aim angle turns the upper body, points to the body's left: a soldier looking up or down bends
// his upper body up or down. The head 6 keeps that turn: its x axis points up the neck, the eye's
// frame that the view turns back a quarter about the forward axis to stand upright. The other
// children of the two turn back, so that every other bone keeps the skeleton's axes.
constexpr int kSplitBone = 5;
constexpr int kHeadBone = 6;
constexpr float kSplitTurn = 1.5707963f;

bool turned(int bone) {
    return bone == kSplitBone || bone == kHeadBone;
}

// A key of the body skeleton: the bone moved from its parent by `offset` (in the skeleton's axes) and
// turned about x by `angle`.
bone_key_desc body_key(int bone, const vec3& offset, float angle = 0.0f) {
    const bool parent_turned = turned(body_bone(bone).parent);
    // In a turned parent's axes the offset reads the inverse quarter turn about y.
    const vec3 local = parent_turned ? vec3{offset.z, offset.y, -offset.x} : offset;
    if (turned(bone) == parent_turned) {
        return parent_turned ? bone_key_desc{static_cast<uint8_t>(bone), local, {0.0f, 1.0f, 0.0f}, 0.0f}
                             : key(bone, offset, angle);
    }
    return {static_cast<uint8_t>(bone), local, {0.0f, 1.0f, 0.0f}, turned(bone) ? kSplitTurn : -kSplitTurn};
}

// The lower body's keys of one frame: the spine and the legs, lowered for crouched and prone words.
std::vector<bone_key_desc> lower_keys(const std::string& action, int frame, int frames) {
    const bool prone = starts_with(action, "p") || action.find("prone") != std::string::npos;
    const bool crouched = !prone && (starts_with(action, "c") || action.find("_cr_") != std::string::npos);
    const float drop = prone ? 75.0f : crouched ? kSoldierCrouchDrop : 0.0f;
    const float swing = is_moving(action) ? 0.3f * std::sin(6.2831853f * frame / frames) : 0.0f;
    std::vector<bone_key_desc> keys;
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
        keys.push_back(body_key(bone, offset, angle));
    }
    return keys;
}

// The upper body's keys of one frame: the bind pose, the right arm kicked back by shots.
std::vector<bone_key_desc> upper_keys(const std::string& action, int frame) {
    std::vector<bone_key_desc> keys;
    const float kick = is_shot(action) && frame == 1 ? 0.2f : 0.0f;
    for (int bone = 6; bone < kSoldierBones; ++bone) {
        if (below_split(bone)) keys.push_back(body_key(bone, rest_offset(bone), bone == 13 ? kick : 0.0f));
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

std::vector<bone_key_desc> first_keys(const std::string& name, int frame) {
    std::vector<bone_key_desc> keys;
    const float kick = is_shot(name) && frame == 1 ? 0.1f : 0.0f;
    for (int bone = 1; bone < kFirstBoneCount; ++bone) {
        const bone_place& p = kFirstBones[bone];
        keys.push_back(key(bone, p.at - kFirstBones[p.parent].at, bone == 1 ? kick : 0.0f));
    }
    return keys;
}

// The body: a quad of side 12 facing along x at every bone but the root, skinned to it.
mesh_desc body_mesh() {
    mesh_desc m;
    constexpr float kHalf = 6.0f;
    box3_init(m.box, {1e9f, 1e9f, 1e9f}, {-1e9f, -1e9f, -1e9f});
    mesh_desc::part part;
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

void add_box(mesh_desc& m, const vec3& lo, const vec3& hi, uint8_t bone, float u, float v) {
    if (m.parts.empty()) m.parts.emplace_back();
    const auto base = static_cast<uint16_t>(m.vertices.size());
    for (int i = 0; i < 8; ++i) {
        m.vertices.push_back({(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z, u, v});
        m.bones.push_back(bone);
    }
    static const uint16_t kFaces[] = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                                      2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    for (const uint16_t index : kFaces) m.parts[0].indices.push_back(static_cast<uint16_t>(base + index));
}

mesh_desc hands_mesh() {
    mesh_desc m;
    // Upper arm and forearm on each side, between the arm bones' bind places (model frame: the
    // skeleton's with y and z swapped).
    add_box(m, {10.0f, -20.0f, 10.0f}, {16.0f, -8.0f, 25.0f}, 1, 0.5f, 0.5f);
    add_box(m, {8.0f, -20.0f, 25.0f}, {16.0f, -13.0f, 37.0f}, 2, 0.5f, 0.5f);
    add_box(m, {-14.0f, -20.0f, 10.0f}, {-8.0f, -8.0f, 30.0f}, 6, 0.5f, 0.5f);
    add_box(m, {-12.0f, -20.0f, 30.0f}, {6.0f, -10.0f, 55.0f}, 7, 0.5f, 0.5f);
    box3_init(m.box, {-14.0f, -20.0f, 10.0f}, {16.0f, -8.0f, 55.0f});
    m.parts[0].draws = {{0, static_cast<uint16_t>(m.parts[0].indices.size() / 3), 0}};
    m.tree = {{m.box, static_cast<uint16_t>(m.vertices.size()), 0}};
    return m;
}

std::vector<std::string> hands_skin_names() {
    return {"hands-socom", "hands-bwehr",  "hands-uk",    "hands-fr",    "hands-usdes",
            "hands-spetz", "hands-spetz2", "hands-merc1", "hands-merc2", "hands-merc3"};
}

std::vector<std::string> soldier_animation_names() {
    return soldier_slot_names();
}

std::vector<std::string> soldier_first_animation_names() {
    return soldier_first_slot_names();
}

vec3 soldier_bone_position(int bone) {
    return body_bone(bone).at;
}

skeleton_desc soldier_skeleton() {
    skeleton_desc s;
    s.name = "sk-soldier";
    s.reference_bone = 0;
    s.attachment_bones[0] = 15;
    s.attachment_bones[2] = 55;
    s.attachment_bones[3] = 16;
    std::vector<int> parents;
    for (int b = 0; b < kSoldierBones; ++b) parents.push_back(body_bone(b).parent);
    s.nodes = node_lists(kSoldierBones, parents);
    for (int b = 1; b < kSoldierBones; ++b) s.bind_keys.push_back(body_key(b, rest_offset(b)));
    return s;
}

skeleton_desc soldier_first_skeleton() {
    skeleton_desc s;
    s.name = "sk-soldier-1st";
    s.attachment_bones[2] = 5;
    s.attachment_bones[3] = 9;
    std::vector<int> parents;
    for (const bone_place& p : kFirstBones) parents.push_back(p.parent);
    s.nodes = node_lists(kFirstBoneCount, parents);
    s.bind_keys = first_keys("", 0);
    return s;
}

animation_desc soldier_animation(const std::string& name, int frames) {
    const std::string action = name.substr(name.rfind('-') + 1);
    const bool lower = name.find('-', 2) == std::string::npos && !starts_with(action, "udeath");
    animation_desc a{.name = name};
    for (int f = 0; f < frames; ++f)
        a.frames.push_back(lower ? lower_keys(action, f, frames) : upper_keys(action, f));
    return a;
}

animation_desc soldier_first_animation(const std::string& name, int frames) {
    animation_desc a{.name = name};
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
    const mesh_desc body = body_mesh();
    auto& q = w.qxps();
    w.add_surface("s-soldier");
    add_geometry(w, {"g-soldier", body.box, {}, {add_skinned_mesh(q, body)}});
    add_entity_def(
        w, {"soldier", body.box, {}, {add_mesh_instance(q, {{}, "g-soldier", "s-soldier", "flesh", 0})}});
    // The first-person arms and their skins (without layers: this package has no shader to paint them).
    for (const std::string& skin : hands_skin_names()) w.add_surface(skin);
    const mesh_desc hands = hands_mesh();
    add_geometry(w, {"g-hands-1st", hands.box, {}, {add_skinned_mesh(q, hands)}});
    add_entity_def(w, {"hands-1st",
                       hands.box,
                       {},
                       {add_mesh_instance(q, {{}, "g-hands-1st", hands_skin_names()[0], "flesh", 0})}});
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
