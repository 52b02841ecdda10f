#pragma once
// The game object: the one arty of a level that runs the game's rules on the client side. Its tick
// opens the screen, the view and the cameras, then loads the level (screens, level settings, arty
// lists, first camera, local player), and from then on runs the game frame. It owns the beings of all
// players, keeping one for each active player record, and takes the player's actions, the game
// events and the commands that the factory routes to it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/arty.h"
#include "game/game_players.h"
#include "game/kvgame_chat.h"
#include "gfx/gfx.h"
#include "kernel/timer.h"
#include "ui/gui_state.h"
#include "ui/hud_state.h"

namespace kv {

class kvbound_camera;
class kvcable_camera;
class kvdoor;
class kvgoal;
class kvlevel;
class kvloose_camera;
class kvscreen;
class kvspawn_point;
class kvstatic_camera;
struct being;
struct player_record;
struct player_state;
struct server;

// Game object states.
inline constexpr int32_t kGameObjectOpening = 0;
inline constexpr int32_t kGameObjectLoading = 1;
inline constexpr int32_t kGameObjectRunning = 2;

inline constexpr int32_t kNoSavedScreen = -1;

// The local test game's player.
inline constexpr uint32_t kLocalTestPlayer = 100;

struct hud_event {
    int32_t code = 0;
    std::string name;
};

class kvgame : public arty, public game_players {
public:
    // Makes itself the factory's input target and game arty.
    kvgame(arty_factory& factory, const arty_description& description);
    ~kvgame() override;

    void tick(int32_t elapsed) override;
    int32_t message(arty_message kind, uintptr_t argument) override;
    // The beings of the players, for the level objects (`kvgame_player_at`).
    being* player_at(int32_t index) const override;

    int32_t state = kGameObjectOpening;
    kvlevel* level = nullptr;
    kvcable_camera* cable_camera = nullptr;
    kvbound_camera* bound_camera = nullptr;
    kvstatic_camera* static_camera = nullptr;
    kvloose_camera* current_camera = nullptr;
    gui_state gui;           // the screen slots and the screens' state
    uint8_t game_level = 0;  // playing: the loaded level is not the menu level
    uint8_t dedicated = 0;
    int32_t weapon_view = 0;
    std::vector<hud_event> hud_events;
    timer hud_timer;
    std::string hud_text;
    kvgame_messages messages;  // the message lines, chat entry and radio menu
    timer chase_timer;
    kvspawn_point* found_spawn_point = nullptr;
    being* found_being = nullptr;
    being* local_being = nullptr;
    std::optional<uint32_t> followed_player;  // the id of the player the spectator follows
    int32_t saved_screen = kNoSavedScreen;
    std::vector<std::unique_ptr<being>> players;
    std::vector<arty*> active_arties;
    std::vector<kvgoal*> goals;
    std::vector<kvdoor*> doors;
    uint32_t local_player_id = 0;
    std::unique_ptr<timer> tick_timer;  // started by the first tick
    gfx_fog fog{};                      // the level's fog while the renderer uses it
    uint8_t halted = 0;                 // a fatal failure while opening: nothing more is done
    hud_state hud;                      // the HUD's switches and samples (ui/hud.h)
    briefing_state briefing;            // the side and pictures the briefing chose
};

// The world server that holds the game object's factory.
server& kvgame_server(const kvgame& game);

int32_t kvgame_get_toggle(const kvgame& game, int32_t which);
being* kvgame_local_being(const kvgame& game);
being* kvgame_player_at(const kvgame& game, int32_t index);
being* kvgame_find_player(const kvgame& game, uint32_t player_id);
being* kvgame_find_player_by_record(const kvgame& game, const player_record* record);
bool kvgame_spec_allows_weapon(int32_t team, int32_t specialisation, int32_t weapon);
bool kvgame_spec_kit_has_weapon(int32_t team, int32_t specialisation, int32_t weapon);
// The allowed-weapons row up to its end; empty for a team or specialisation out of range.
std::vector<int32_t> kvgame_spec_allowed_weapons(int32_t team, int32_t specialisation);
// The kit-counts row; null for a team or specialisation out of range.
const uint8_t* kvgame_spec_kit_counts(int32_t team, int32_t specialisation);

void kvgame_select_camera(kvgame& game, bool menu);
// Index < 0: a random static camera whose mode is the team (any static camera when none has it); false
// when there is none.
bool kvgame_pick_static_camera(kvgame& game, int32_t index, int32_t team);
void kvgame_place_flying_camera(kvgame& game);
void kvgame_update_hud_effects(kvgame& game);

// Messages.
int32_t kvgame_key(kvgame& game, bool down, int32_t code);
// The "Show weaponry" action's work: opens the weaponry when the game state allows it, closes it always.
void kvgame_toggle_weaponry(kvgame& game);
int32_t kvgame_game_event(kvgame& game, int32_t event);
int32_t kvgame_command(kvgame& game, arty_command& command);
void kvgame_sync_beings(kvgame& game);
being* kvgame_find_being_by_name(kvgame& game, const std::string& name);
void kvgame_init_player(kvgame& game, const std::string& name, int32_t specialisation, int32_t team,
                        int32_t skin, int32_t spawn_point, uint32_t player_id);
// What `kvgame_init_player` dresses a soldier of the team (0-2), specialisation (0-3) and skin (0-4)
// in: the body model, its skin and the first-person hands' skin; empty out of range.
std::string kvgame_body_model(int32_t team, int32_t specialisation);
std::string kvgame_body_skin(int32_t team, int32_t specialisation, int32_t skin);
std::string kvgame_hands_skin(int32_t team, int32_t skin);
// False when the spawn point is missing.
bool kvgame_spawn_player(kvgame& game, int32_t index);
bool kvgame_find_spawn_point(kvgame& game, int32_t index);
void kvgame_player_killed(kvgame& game, const std::string& name);
void kvgame_apply_player_update(kvgame& game, const std::string& name, const player_state& update);
void kvgame_bind_local_player(kvgame& game, const std::string& name);
void kvgame_follow_next_player(kvgame& game, bool same_team);
void kvgame_chase_view(kvgame& game, being& b);
void kvgame_change_level(kvgame& game, const std::string& package_name, bool leaving);
// The interface's disconnect: only on a game level of a client that draws.
void kvgame_leave_level(kvgame& game);

// Arty lists.
void kvgame_collect_active_arties(kvgame& game);
void kvgame_collect_doors(kvgame& game);
void kvgame_tick_active_arties(kvgame& game, int32_t elapsed);
void kvgame_tick_doors(kvgame& game, int32_t elapsed);
void kvgame_doors_reset(kvgame& game);

// Game commands and screenshots (kvgame_commands.cpp).
int32_t kvgame_run_game_command(kvgame& game, const std::string& text);
void kvgame_take_screenshot(kvgame& game);

// The message panel of the game object (kvgame_chat.cpp), with what it reaches of the game: the
// world server, the kernel's input, the current screen, the screens' widgets and the local player.
kvgame_chat_env kvgame_message_env(kvgame& game);
void kvgame_message_list_init(kvgame& game);
void kvgame_message_list_refresh(kvgame& game);
void kvgame_comhud_key(kvgame& game, bool down);
void kvgame_radio_key(kvgame& game, bool down);
void kvgame_chat_key(kvgame& game, bool down);
void kvgame_message_input(kvgame& game);
void kvgame_chat_line(kvgame& game, const std::string& name, const std::string& text);
void kvgame_radio_line(kvgame& game, int32_t number, const std::string& name);
void kvgame_messages_reset(kvgame& game);
void kvgame_messages_close(kvgame& game);

}  // namespace kv
