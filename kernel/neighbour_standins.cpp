// Do-nothing bodies of the services the kernel calls in the subsystems not built yet (see
// neighbour_standins.h). Each section goes when its subsystem arrives.

#include "kernel/neighbour_standins.h"

#include <algorithm>
#include <cstdarg>
#include <numbers>

#include "beings/being.h"
#include "beings/being_commands.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/blast.h"
#include "beings/entity.h"
#include "bots/bot_central.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "game/server_world.h"
#include "gfx/gfx.h"
#include "gfx/gfx_camera.h"
#include "gfx/texture.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/dedicated_start.h"
#include "net/net_client.h"
#include "net/service.h"
#include "net/player_state.h"
#include "ui/console_view.h"
#include "ui/gui.h"
#include "ui/hud.h"
#include "ui/screens.h"
#include "ui/widgets.h"
#include "util/text.h"
#include "world/sector.h"
#include "world/trace.h"

namespace kv {

neighbour_standins& standins() {
    // Never destroyed: the singletons' destructors still call stand-ins at exit.
    static neighbour_standins* instance = new neighbour_standins();
    return *instance;
}

void standins_reset() {
    standins() = neighbour_standins();
    // Textures earlier tests loaded into the front end's list go with them.
    gfx_texture_list_clear(kernel_get().graphics);
}

}  // namespace kv
