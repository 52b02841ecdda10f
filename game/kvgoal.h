#pragma once
// Goals: the team objectives of a level (plant a bomb in a zone, take an item, deliver it to a
// zone, rescue, download data at a point). The game object collects them ("g-" names), ticks them
// while a round runs, resets them at a new round and answers the beings' and bots' questions about
// them. A reached goal posts a HUD message, tells the bot host and, where this process hosts the game,
// tells the game server.

#include <cstdint>
#include <string>
#include <vector>

#include "bots/goal_record.h"
#include "game/arty.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

class kvgame;
class sector;
struct being;

inline constexpr int32_t kGoalNone = -1;
inline constexpr int32_t kGoalBomb = 0;
inline constexpr int32_t kGoalDelivery = 1;
inline constexpr int32_t kGoalTake = 2;
inline constexpr int32_t kGoalRescue = 3;
inline constexpr int32_t kGoalDownload = 4;

// The message kind of goal-item take and drop.
inline constexpr int32_t kGoalItemMessage = 62;

// HUD message codes.
inline constexpr int32_t kHudGoalBlueTransfer = 113;
inline constexpr int32_t kHudGoalBombPlanted = 116;
inline constexpr int32_t kHudGoalBlueTake = 117;
inline constexpr int32_t kHudGoalItemDropped = 120;
inline constexpr int32_t kHudGoalBlueBomb = 121;
inline constexpr int32_t kHudGoalBlueDelivery = 124;
inline constexpr int32_t kHudGoalBombDefused = 130;

struct goal_team {
    uint8_t team = 0;
    uint8_t active = 1;  // cleared when the team's bomb was defused
};

class kvgoal : public arty {
public:
    // Keys: "sector:", "type:", "model:" strings; "team:" integer (repeatable, listed once); "cond:" and
    // "deliver:" strings (repeatable); "key:" integer; "pos:", "min:", "max:" three numbers each;
    // "angley:" number (degrees). The number is the integer after the name's first two characters.
    kvgoal(arty_factory& factory, const arty_description& description);

    // Goals are ticked by the game object's goal tick only.
    void tick(int32_t elapsed) override;
    virtual void goal_tick(kvgame& game, int32_t elapsed, int32_t pending_player);

    int32_t kind = kGoalNone;
    std::string sector_name;
    sector* goal_sector = nullptr;  // resolved on the first goal tick after a reset
    std::string hud_icon;
    std::string model_name;
    std::vector<goal_team> teams;
    std::vector<std::string> condition_names;
    std::vector<std::string> delivery_names;
    uint8_t done = 0;
    uint8_t key = 0;  // a reached key goal wins the round
    vec3 position;
    box3 box;
    box3 zone;         // the working copy the zone tests use
    float yaw = 0.0f;  // radians
    int32_t time = 0;  // ms of goal ticks since the reset
    std::vector<kvgoal*> condition_goals;
    std::vector<kvgoal*> delivery_goals;
    int32_t number = 0;
    std::vector<int32_t> holders;  // player ids carrying this goal's item (delivery goals)
    int32_t winning_team = -1;
    int32_t winning_player = -1;
    uint8_t victory_sent = 0;
    uint8_t done_sent = 0;
    std::vector<int32_t> charges;      // ids of bombs planted in the zone
    std::vector<int32_t> downloaders;  // player ids that have downloaded here
    uint8_t started = 0;               // the first goal tick after a reset has run
};

// Resets the goal for a new round.
void kvgoal_reset(kvgoal& goal);
// Done := flag, the winners recorded (-1 both when the flag is 0); a reach posts the HUD message of the
// kind and team.
void kvgoal_reach(kvgoal& goal, kvgame& game, uint8_t flag, int32_t team, int32_t player);
// Whether the team is one of the goal's active teams.
bool kvgoal_has_team(const kvgoal& goal, int32_t team);
// Whether every condition goal is done.
bool kvgoal_conditions_done(const kvgoal& goal);
// The HUD message code of a reach by that team; 0 for none.
int32_t kvgoal_hud_code(int32_t kind, int32_t team);
// The program-wide name of a goal HUD message code; empty for others.
const std::string& kvgoal_hud_name(int32_t code);
// The number written after a name's first two characters ("g-7" gives 7); 0 when none.
int32_t kvgoal_number_of(const std::string& name);

// The game object's goal list.
void kvgame_collect_goals(kvgame& game);
void kvgame_tick_goals(kvgame& game, int32_t elapsed);
void kvgame_goals_reset(kvgame& game);
int32_t kvgame_goal_take(kvgame& game, int32_t message_kind, int32_t goal_number, being& b);
void kvgame_goal_release(kvgame& game, int32_t message_kind, being& b);
bool kvgame_goal_can_take(kvgame& game, int32_t goal_number, being& b);
bool kvgame_find_download_goal(kvgame& game, being& b, vec3& point);
int32_t kvgame_goal_count(const kvgame& game);
// Fills the record (zeroed first) of the goal at that list index; nothing when out of range.
void kvgame_goal_info(const kvgame& game, int32_t index, goal_record& record);
void kvgame_goals_forget_being(kvgame& game, being& b);

}  // namespace kv
