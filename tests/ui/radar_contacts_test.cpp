// Radar contacts: ranges, kinds, concealment, relays through team-mate scouts.

#include "ui/radar_contacts.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "beings/being.h"
#include "game/player_record.h"

namespace kv {
namespace {

constexpr int32_t kSoldier = 0;
constexpr int32_t kScout = 1;

// Soldiers standing on the ground plane, facing +z, without a world server.
class Radar : public ::testing::Test {
protected:
    being& add(int32_t team, int32_t specialisation, float x, float z, uint8_t detection = 255,
               uint8_t concealment = 0) {
        records_.emplace_back(static_cast<uint32_t>(100 + records_.size()));
        player_record& r = records_.back();
        r.team = team;
        r.specialisation = specialisation;
        r.levels[2] = concealment;
        r.levels[3] = detection;
        beings_.emplace_back();
        being& b = beings_.back();
        b.record = &r;
        mat4_set_row0(b.place.transform, 1.0f, 0.0f, 0.0f);
        mat4_set_row1(b.place.transform, 0.0f, 1.0f, 0.0f);
        mat4_set_row2(b.place.transform, 0.0f, 0.0f, 1.0f);
        mat4_set_row3(b.place.transform, x, 0.0f, z);
        return b;
    }
    std::vector<radar_contact> contacts(being& viewer) {
        std::vector<being*> all;
        for (being& b : beings_) all.push_back(&b);
        return radar_contacts(all, viewer, scale_);
    }

    std::deque<player_record> records_;
    std::deque<being> beings_;
    float scale_ = 0.0f;
};

TEST_F(Radar, DetectionTable) {
    struct detection_case {
        const char* what;
        int32_t viewer_specialisation;
        uint8_t detection;
        int32_t target_team;
        int32_t target_specialisation;
        uint8_t concealment;
        float distance;  // ahead of the viewer
        bool seen;
        int32_t kind;
    };
    const detection_case cases[] = {
        {"no detection, a mate 10 away", kSoldier, 0, 1, kSoldier, 0, 10.0f, false, 0},
        {"a mate at exactly 0.75 R", kSoldier, 255, 1, kSoldier, 0, 1500.0f, true, kContactTeamMate},
        {"a mate just beyond", kSoldier, 255, 1, kSoldier, 0, 1501.0f, true, kContactFaint},
        {"a mate scout", kSoldier, 255, 1, kScout, 0, 100.0f, true, kContactTeamScout},
        {"a mate out of range", kSoldier, 255, 1, kSoldier, 0, 2001.0f, false, 0},
        {"an enemy, viewer no scout", kSoldier, 255, 2, kSoldier, 0, 100.0f, false, 0},
        {"an enemy, viewer a scout", kScout, 255, 2, kSoldier, 0, 100.0f, true, kContactEnemy},
        {"a concealed enemy at half range", kScout, 255, 2, kSoldier, 255, 1000.0f, true, kContactFaint},
        {"a concealed enemy beyond half range", kScout, 255, 2, kSoldier, 255, 1001.0f, false, 0},
    };
    for (const detection_case& c : cases) {
        SCOPED_TRACE(c.what);
        beings_.clear();
        records_.clear();
        being& viewer = add(1, c.viewer_specialisation, 0.0f, 0.0f, c.detection);
        being& target = add(c.target_team, c.target_specialisation, 0.0f, c.distance, 255, c.concealment);
        radar_contact contact;
        contact.kind = -7;
        ASSERT_EQ(radar_contact_test(viewer, target, radar_view_matrix(viewer), contact), c.seen);
        if (!c.seen) {
            EXPECT_EQ(contact.kind, -7);  // nothing written
            continue;
        }
        EXPECT_EQ(contact.kind, c.kind);
        // Ahead of the viewer: straight up the radar's negative y.
        EXPECT_NEAR(contact.x, 0.0f, 1e-3f);
        EXPECT_NEAR(contact.y, -c.distance, 1e-2f);
    }
}

TEST_F(Radar, BehindIsFaintAndTheViewerIsNeverListed) {
    being& viewer = add(1, kSoldier, 0.0f, 0.0f);
    add(1, kSoldier, 0.0f, -100.0f);  // behind
    add(1, kSoldier, 300.0f, 100.0f);
    const std::vector<radar_contact> seen = contacts(viewer);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, kContactFaint);
    EXPECT_NEAR(seen[0].y, 100.0f, 1e-3f);
    EXPECT_EQ(seen[1].kind, kContactTeamMate);
    EXPECT_NEAR(seen[1].x, 300.0f, 1e-3f);
    EXPECT_FLOAT_EQ(scale_, 2000.0f * 2.25f);
}

TEST_F(Radar, ANonScoutSeesEnemiesOnlyThroughAScoutAndNoFartherThanItsOwnRange) {
    // The viewer detects to 1000; its scout, ahead at 500, detects to 2000.
    being& viewer = add(1, kSoldier, 0.0f, 0.0f, 127);
    add(1, kScout, 0.0f, 500.0f, 255);
    add(2, kSoldier, 0.0f, 2300.0f);   // 1800 from the scout, 2300 from the viewer
    add(2, kSoldier, 0.0f, -3000.0f);  // seen by nobody
    const std::vector<radar_contact> seen = contacts(viewer);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, kContactTeamScout);
    // The relayed enemy is drawn at the viewer's own range, in its direction.
    const float range = 127.0f / 255.0f * 2000.0f;
    EXPECT_NEAR(seen[1].x, 0.0f, 1e-3f);
    EXPECT_NEAR(seen[1].y, -range, 1e-2f);
    EXPECT_EQ(seen[1].kind, kContactFaint);  // at the edge of the scout's range
    // Without the scout nobody shows.
    records_[1].team = 2;
    records_[1].specialisation = kSoldier;
    EXPECT_TRUE(contacts(viewer).empty());
}

TEST_F(Radar, TheFrameTurnsWithTheHeadingOnly) {
    // Facing +x and looking down 45 degrees: a mate on the +x axis is straight ahead.
    being& viewer = add(1, kSoldier, 100.0f, 0.0f);
    const float d = 0.70710678f;
    mat4_set_row0(viewer.place.transform, 0.0f, 0.0f, -1.0f);
    mat4_set_row1(viewer.place.transform, d, d, 0.0f);
    mat4_set_row2(viewer.place.transform, d, -d, 0.0f);
    add(1, kSoldier, 600.0f, 0.0f);
    const std::vector<radar_contact> seen = contacts(viewer);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NEAR(seen[0].x, 0.0f, 1e-3f);
    EXPECT_NEAR(seen[0].y, -500.0f, 1e-2f);
}

}  // namespace
}  // namespace kv
