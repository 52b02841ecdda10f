#include "game/arty_factory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/package.h"
#include "game/kvlevel.h"
#include "game/kvspawn_point.h"
#include "tests/data/data_test_support.h"
#include "tests/game/arty_test_support.h"
#include "tools/package_writer.h"
#include "tools/token_writer.h"

namespace kv {
namespace {

using tools::token_writer;

// What the probe arties saw, in order.
struct probe_journal {
    std::vector<std::string> events;
    int destroyed = 0;
};
probe_journal* g_journal = nullptr;

// An arty that writes down its ticks and messages; it names itself input target and game arty
// when its description holds "target:".
class probe : public arty {
public:
    probe(arty_factory& f, const arty_description& d) : arty(f, d), name_(d.instance_name) {
        bool target = false;
        arty_read_keys(d, {{"target:", 0, [&](const token_list&, int) { target = true; }}});
        if (target) {
            arty_factory_set_input_target(f);
            arty_factory_set_game_arty(f);
        }
    }
    ~probe() override { ++g_journal->destroyed; }
    void tick(int32_t elapsed) override { record("tick " + std::to_string(elapsed)); }
    int32_t message(arty_message kind, uintptr_t argument) override {
        if (kind == kArtyCommand) {
            arty_command& c = arty_message_command(argument);
            record("command " + std::to_string(c.code) + " " + std::to_string(c.integer) + " " + c.first +
                   "/" + c.second);
            return c.code + 1000;
        }
        record("message " + std::to_string(kind) + " " + std::to_string(static_cast<int32_t>(argument)));
        return 7;
    }

private:
    void record(const std::string& what) { g_journal->events.push_back(name_ + " " + what); }
    std::string name_;
};

std::unique_ptr<arty> make_probe(arty_factory& f, const arty_description& d) {
    return std::make_unique<probe>(f, d);
}

class ArtyFactory : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        g_journal = &journal_;
        for (arty_class& c : factory_->classes) {
            if (c.name == "kvgame") c.make = make_probe;
        }
    }
    void TearDown() override {
        factory_.reset();
        g_journal = nullptr;
        data_test::TearDown();
    }

    arty_description* describe(const std::string& class_name, const std::string& instance,
                               const token_writer& parameters = token_writer()) {
        return descriptions_.add(class_name, instance, parameters);
    }

    uint32_t spawn(std::vector<arty_description*> batch) {
        return arty_factory_spawn_group(*factory_, batch.data(), static_cast<int32_t>(batch.size()));
    }

    std::vector<arty_id> ids() const {
        std::vector<arty_id> out;
        for (const auto& [id, entry] : factory_->registry.entries) out.push_back(id);
        return out;
    }

    probe_journal journal_;
    description_holder descriptions_;
    std::unique_ptr<arty_factory> factory_ = std::make_unique<arty_factory>();
};

TEST_F(ArtyFactory, NumbersGroupsAndArtiesAcrossBatches) {
    EXPECT_EQ(spawn({describe("kvgame", "a"), describe("kvgame", "b")}), 0x00010000u);
    EXPECT_EQ(spawn({describe("kvgame", "c"), describe("kvgame", "d"), describe("kvgame", "e")}),
              0x00020000u);
    EXPECT_EQ(ids(), (std::vector<arty_id>{0x00010000, 0x00010001, 0x00020002, 0x00020003, 0x00020004}));
    EXPECT_EQ(factory_->current_id, 0x00020004u);
    EXPECT_EQ(spawn({}), 0x00030000u);  // an empty batch still takes a group
    EXPECT_EQ(log(), "");

    // The group base wraps after its last value, through 0.
    factory_->last_group = 0x3FFF0000;
    EXPECT_EQ(spawn({describe("kvgame", "f")}), 0u);
    EXPECT_EQ(spawn({describe("kvgame", "g")}), 0x00010000u);
    EXPECT_EQ(arty_factory_find_id_by_name(*factory_, "f"), 0x00000005u);
    EXPECT_EQ(arty_factory_find_id_by_name(*factory_, "g"), 0x00010006u);
}

TEST_F(ArtyFactory, UnknownAndUnbuiltClassesMakeNothingButUseTheirNumber) {
    const uint32_t group =
        spawn({describe("kvgame", "a"), describe("kvnothing", "b"), describe("kvgame", "c"),
               describe("KVGAME", "d"), describe("kvspawn_point", "e")});
    EXPECT_EQ(group, 0x00010000u);
    EXPECT_EQ(ids(), (std::vector<arty_id>{0x00010000, 0x00010002, 0x00010004}));
    EXPECT_EQ(log(), "factory: *WARNING* Not all arties were spawned.\n");

    // A screen is made from its description.
    clear_log();
    factory_->classes = arty_class_table();
    spawn({describe("kvscreen", "f")});
    EXPECT_EQ(log(), "");
    EXPECT_NE(arty_factory_find_id_by_name(*factory_, "f"), kNoArty);
}

TEST_F(ArtyFactory, TicksEveryCallbackPairWithTheTimeSinceTheLastTick) {
    struct {
        const char* name;
        token_writer parameters;
        int ticks;
    } const cases[] = {
        {"twice", token_writer().key("cb:").integer(100).key("x:").integer(1).key("cb:").integer(5), 2},
        {"string-after-cb", token_writer().key("cb:").key("cb:").integer(3), 0},
        {"float-after-cb", token_writer().key("cb:").number(3.0f), 0},
        {"cb-last", token_writer().integer(4).key("cb:"), 0},
        {"none", token_writer(), 0},
        {"wide", token_writer().key("cb:").int32(100000), 1},
    };
    std::vector<arty_description*> batch;
    for (const auto& c : cases) batch.push_back(describe("kvgame", c.name, c.parameters));
    spawn(batch);
    ASSERT_EQ(factory_->registry.callbacks.size(), 3u);
    EXPECT_EQ(factory_->registry.callbacks[0].period, 100);
    EXPECT_EQ(factory_->registry.callbacks[1].period, 5);
    EXPECT_EQ(factory_->registry.callbacks[2].period, 100000);
    EXPECT_EQ(factory_->registry.callbacks[2].id, 0x00010005u);

    arty_factory_tick(*factory_, 0);  // starts the tick timer
    clock_.advance_ms(40);
    arty_factory_tick(*factory_, 12345);
    clock_.advance_ms(7);
    arty_factory_tick(*factory_, 0);
    EXPECT_EQ(journal_.events, (std::vector<std::string>{
                                   "twice tick 0",
                                   "twice tick 0",
                                   "wide tick 0",  // the first tick
                                   "twice tick 40",
                                   "twice tick 40",
                                   "wide tick 40",  //
                                   "twice tick 7",
                                   "twice tick 7",
                                   "wide tick 7",
                               }));
}

TEST_F(ArtyFactory, ReleasedArtiesStayUntilCollectedAndTheirCallbacksGoWithThem) {
    const uint32_t first = spawn({describe("kvgame", "a", token_writer().key("cb:").integer(1)),
                                  describe("kvgame", "b"), describe("kvspawn_point", "c")});
    spawn({describe("kvgame", "other", token_writer().key("cb:").integer(1))});

    EXPECT_EQ(arty_factory_erase_group(*factory_, first), 3);
    EXPECT_EQ(arty_factory_erase_group(*factory_, first), 0);  // already at 0: not released again
    EXPECT_NE(arty_factory_find(*factory_, 0x00010000), nullptr);
    EXPECT_EQ(arty_factory_find_id_by_name(*factory_, "c"), 0x00010002u);
    EXPECT_EQ(journal_.destroyed, 0);

    EXPECT_EQ(arty_factory_collect(*factory_), 3);
    EXPECT_EQ(journal_.destroyed, 2);
    EXPECT_EQ(ids(), (std::vector<arty_id>{0x00020003}));
    EXPECT_EQ(arty_factory_collect(*factory_), 0);

    // The callback of "a" outlived it: the tick passes over it and drops it.
    ASSERT_EQ(factory_->registry.callbacks.size(), 2u);
    arty_factory_tick(*factory_, 0);
    EXPECT_EQ(journal_.events, (std::vector<std::string>{"other tick 0"}));
    EXPECT_EQ(factory_->registry.callbacks.size(), 1u);
    EXPECT_FALSE(arty_registry_release(factory_->registry, 0x00010000));
}

TEST_F(ArtyFactory, FindsByNameAndPrefixInIdOrder) {
    spawn({describe("kvgame", "sp0"), describe("kvgame", "d-door"), describe("kvgame", "sp0"),
           describe("kvgame", "gold-d-"), describe("kvgame", "d-")});
    EXPECT_EQ(arty_factory_find_id_by_name(*factory_, "sp0"), 0x00010000u);
    EXPECT_EQ(arty_factory_find_id_by_name(*factory_, "SP0"), kNoArty);
    EXPECT_EQ(arty_factory_find_id_by_name(*factory_, "d"), kNoArty);  // whole names only
    EXPECT_EQ(arty_factory_list_ids_by_prefix(*factory_, "d-"),
              (std::vector<arty_id>{0x00010001, 0x00010004}));
    EXPECT_EQ(arty_factory_list_ids_by_prefix(*factory_, "").size(), 5u);
    EXPECT_EQ(arty_factory_find(*factory_, 0x00010005), nullptr);
    EXPECT_EQ(arty_factory_find(*factory_, kNoArty), nullptr);
}

TEST_F(ArtyFactory, LookupsThatCastCheckTheClass) {
    spawn({describe("kvspawn_point", "sp0"), describe("kvlevel", "level"), describe("kvgame", "game")});
    EXPECT_NE(arty_factory_find_by_name_as<kvspawn_point>(*factory_, "sp0"), nullptr);
    EXPECT_EQ(arty_factory_find_by_name_as<kvlevel>(*factory_, "sp0"), nullptr);
    EXPECT_EQ(arty_factory_find_by_name_as<kvspawn_point>(*factory_, "level"), nullptr);
    EXPECT_EQ(arty_factory_find_by_name_as<kvlevel>(*factory_, "missing"), nullptr);
    EXPECT_NE(arty_factory_find_as<kvlevel>(*factory_, 0x00010001), nullptr);
    EXPECT_EQ(arty_factory_find_as<kvlevel>(*factory_, 0x00010002), nullptr);
}

TEST_F(ArtyFactory, RoutesKeysToTheInputTargetAndEventsAndCommandsToTheGameArty) {
    // No target yet: nothing is sent and a command keeps the code its sender put there.
    EXPECT_EQ(arty_factory_post_key_down(*factory_, 21), 0);
    EXPECT_EQ(arty_factory_post_event(*factory_, 3), 0);
    EXPECT_EQ(arty_factory_post_command_text(*factory_, 3, "map"), 3);
    EXPECT_EQ(factory_->command.code, 3);
    EXPECT_TRUE(journal_.events.empty());

    spawn({describe("kvgame", "plain"), describe("kvgame", "game", token_writer().key("target:")),
           describe("kvgame", "late")});
    EXPECT_EQ(factory_->input_target, 0x00010001u);
    EXPECT_EQ(factory_->game_arty, 0x00010001u);

    EXPECT_EQ(arty_factory_post_key_down(*factory_, 0x10041), 7);
    EXPECT_EQ(arty_factory_post_key_up(*factory_, 37), 7);
    EXPECT_EQ(arty_factory_post_event(*factory_, 0x805), 7);
    EXPECT_EQ(arty_factory_post_command_int(*factory_, 4, 100), 1004);
    EXPECT_EQ(factory_->command.code, 1004);
    EXPECT_EQ(arty_factory_post_command_text(*factory_, 3, "dm1"), 1003);
    EXPECT_EQ(arty_factory_post_command_texts(*factory_, 5, "a", "b"), 1005);
    EXPECT_EQ(arty_factory_post_command_int_text(*factory_, 6, -2, "c"), 1006);
    EXPECT_EQ(journal_.events, (std::vector<std::string>{
                                   "game message 0 65601",
                                   "game message 1 37",
                                   "game message 2 2053",
                                   "game command 4 100 map/",  // earlier fields stay
                                   "game command 3 100 dm1/",
                                   "game command 5 100 a/b",
                                   "game command 6 -2 c/b",
                               }));
}

TEST_F(ArtyFactory, DestructionDestroysWhatIsLeftAndSaysHowMany) {
    spawn({describe("kvgame", "a"), describe("kvgame", "b"), describe("kvgame", "c")});
    factory_.reset();
    EXPECT_EQ(journal_.destroyed, 3);
    EXPECT_EQ(log(), "C++ Factory: 3 arties forcibly erased.\n");

    clear_log();
    factory_ = std::make_unique<arty_factory>();
    factory_.reset();
    EXPECT_EQ(log(), "C++ Factory: 0 arties forcibly erased.\n");
}

// The same on packages: each package's descriptions form a group that its unload releases.
TEST_F(ArtyFactory, PackagesSpawnTheirDescriptionsAsGroupsAndReleaseThemOnUnload) {
    tools::package_writer base;
    base.add_arty("kvspawn_point", "sp0", token_writer().key("cb:").integer(10).bytes());
    base.add_arty("kvspawn_point", "sp1", {});
    write_data("base", base.finish());
    tools::package_writer level;
    level.add_import("base");
    level.add_arty("kvlevel", "level", {});
    level.add_arty("kvnothing", "d-door", {});  // no such class
    write_data("maps/level", level.finish());

    ASSERT_TRUE(load_package(srv_, "level", true));
    arty_factory& f = srv_.factory;
    EXPECT_EQ(f.owner, &srv_);
    // "base", imported, finishes first and spawns first.
    EXPECT_EQ(arty_factory_find_id_by_name(f, "sp0"), 0x00010000u);
    EXPECT_EQ(arty_factory_find_id_by_name(f, "sp1"), 0x00010001u);
    EXPECT_EQ(arty_factory_find_id_by_name(f, "level"), 0x00020002u);
    EXPECT_EQ(package_list_find(srv_.packages, "level")->spawn_group, 0x00020000u);
    EXPECT_NE(log().find("factory: *WARNING* Not all arties were spawned.\n"), std::string::npos);
    EXPECT_EQ(f.registry.callbacks.size(), 1u);

    package_destroy(srv_, *package_list_find(srv_.packages, "level"));
    EXPECT_EQ(f.registry.entries.size(), 3u);  // released, not yet destroyed
    arty_factory_clear_callbacks(f);
    EXPECT_EQ(arty_factory_collect(f), 3);
    EXPECT_TRUE(f.registry.entries.empty());
}

}  // namespace
}  // namespace kv
