#include "game/server_entities.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/game/game_test_support.h"
#include "world/sector.h"

namespace kv {
namespace {

class ServerEntities : public game_test {
protected:
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : srv_.entities) out.push_back(e->name);
        return out;
    }
    int32_t current_step_result() { return server_entity_step_result(srv_); }
};

TEST_F(ServerEntities, SelectingCreatesOnceByExactName) {
    EXPECT_FALSE(server_entity_select(srv_, "pid1"));
    EXPECT_TRUE(server_entity_select(srv_, "pid1"));
    EXPECT_FALSE(server_entity_select(srv_, "PID1"));
    EXPECT_FALSE(server_entity_select(srv_, "pid"));
    EXPECT_EQ(names(), (std::vector<std::string>{"pid1", "PID1", "pid"}));
    EXPECT_TRUE(server_entity_select(srv_, "pid1"));
    EXPECT_EQ(server_entity_current(srv_), srv_.entities.front().get());
    server_entity_deselect(srv_);
    EXPECT_EQ(server_entity_current(srv_), nullptr);
}

TEST_F(ServerEntities, LookupNeitherCreatesNorMovesTheCursor) {
    server_entity_select(srv_, "door");
    server_entity_select(srv_, "pid2");
    EXPECT_EQ(server_entity_find(srv_, "door"), srv_.entities.front().get());
    EXPECT_EQ(server_entity_find(srv_, "window"), nullptr);
    EXPECT_EQ(server_entity_current(srv_)->name, "pid2");
    EXPECT_EQ(srv_.entities.size(), 2u);
}

TEST_F(ServerEntities, DeletingLeavesNoCursorAndNoLinksBehind) {
    server_entity_select(srv_, "body");
    server_entity_select(srv_, "weapon");
    EXPECT_TRUE(server_entity_set_parent(srv_, "body"));
    server_entity_select(srv_, "sight");
    EXPECT_TRUE(server_entity_set_parent(srv_, "body"));
    entity* weapon = server_entity_find(srv_, "weapon");
    ASSERT_EQ(weapon->parent, server_entity_find(srv_, "body"));

    server_entity_select(srv_, "body");
    sector yard;
    entity* body = server_entity_current(srv_);
    body->in_sector = &yard;
    entity_set_active(*body, true);
    ASSERT_EQ(yard.entities, (std::vector<entity*>{body}));
    server_entity_delete(srv_);
    EXPECT_TRUE(yard.entities.empty());
    EXPECT_EQ(server_entity_current(srv_), nullptr);
    EXPECT_EQ(weapon->parent, nullptr);
    EXPECT_EQ(server_entity_find(srv_, "sight")->parent, nullptr);

    // Without a current entity the operations do nothing.
    server_entity_delete(srv_);
    EXPECT_FALSE(server_entity_set_parent(srv_, "weapon"));
    server_entity_set_thrown(srv_, true);
    server_entity_set_blast_value(srv_, 5);
    EXPECT_FALSE(server_entity_has_thrown(srv_));
    EXPECT_EQ(current_step_result(), 0);
    EXPECT_EQ(server_entity_apply(
                  srv_, +[](entity&, int v) { return v + 1; }, 41),
              0);
    EXPECT_EQ(names(), (std::vector<std::string>{"weapon", "sight"}));
    EXPECT_TRUE(take_calls().empty());

    // Selecting the name again makes a new entity at the end.
    EXPECT_FALSE(server_entity_select(srv_, "body"));
    EXPECT_EQ(names(), (std::vector<std::string>{"weapon", "sight", "body"}));
}

TEST_F(ServerEntities, SetParentNeedsAnEntityOfThatName) {
    server_entity_select(srv_, "weapon");
    EXPECT_FALSE(server_entity_set_parent(srv_, "nobody"));
    EXPECT_EQ(server_entity_current(srv_)->parent, nullptr);
    EXPECT_EQ(srv_.entities.size(), 1u);
}

TEST_F(ServerEntities, OperationsApplyToTheCurrentEntity) {
    server_entity_select(srv_, "pid1");
    server_entity_select(srv_, "pid2");
    server_entity_set_thrown(srv_, true);
    server_entity_set_blast_value(srv_, 9);
    server_entity_current(srv_)->step_result = 4;
    EXPECT_TRUE(server_entity_has_thrown(srv_));
    EXPECT_EQ(current_step_result(), 4);
    EXPECT_EQ(server_entity_apply(
                  srv_, +[](entity& e, int v) { return e.blast_value + v; }, 1),
              10);
    server_entity_select(srv_, "pid1");
    EXPECT_FALSE(server_entity_has_thrown(srv_));
    EXPECT_EQ(server_entity_find(srv_, "pid2")->blast_value, 9);
}

TEST_F(ServerEntities, TheServerDestroysWhatIsLeft) {
    sector yard;
    {
        server other;
        for (const char* name : {"a", "b"}) {
            server_entity_select(other, name);
            entity* e = server_entity_current(other);
            e->in_sector = &yard;
            entity_set_active(*e, true);
        }
        EXPECT_EQ(yard.entities.size(), 2u);
    }
    EXPECT_TRUE(yard.entities.empty());
}

}  // namespace
}  // namespace kv
