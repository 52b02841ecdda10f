#include "net/dedicated_start.h"

#include "bots/bot_central.h"
#include "game/server.h"
#include "kernel/log.h"
#include "net/net_client.h"
#include "net/server_session.h"
#include "net/service.h"

namespace kv {
namespace {

constexpr int32_t kHostingNetSpeed = 1048576;
constexpr const char* kMasterBusy = "FLD 9";

}  // namespace

dedicated_start& dedicated_start_get() {
    static dedicated_start instance;
    return instance;
}

void dedicated_start_step(dedicated_start& start, server& srv) {
    net_client& client = srv.client;
    switch (start.state) {
        case kDedicatedReadScript:
            if (!service_load_config(srv.service)) {
                log_write("[game] *ERROR* Settings script `%s' could not be read: no server started\n",
                          service_config_path().c_str());
                start.state = kDedicatedAwaitBots;
                return;
            }
            if (srv.bots) botc_enable(*srv.bots, true);
            start.state = kDedicatedLogin;
            return;
        case kDedicatedLogin:
            client_set_mode(client, 0);
            client_set_net_speed(client, kHostingNetSpeed, kHostingNetSpeed);
            client_login(client, 0, kHostNick, false);
            srv.connecting = 1;
            start.state = kDedicatedAwaitLogin;
            return;
        case kDedicatedAwaitLogin: {
            const int32_t result = client_pending_result(client);
            if (result < 0) return;
            if (result > 0) {
                srv.connecting = 0;
                // The host is in: the world follows the session's map from here on.
                srv.map_follow_latch = 0;
                start.state = kDedicatedAwaitLevel;
                return;
            }
            if (client_take_status_text(client) == kMasterBusy) {
                if (!start.retry_timer) start.retry_timer = std::make_unique<timer>();
                timer_restart(*start.retry_timer);
                start.state = kDedicatedRetry;
                return;
            }
            start.state = kDedicatedDone;
            return;
        }
        case kDedicatedAwaitLevel:
            if (!server_game_package_loaded(srv)) return;
            if (srv.service.bots_setup.empty()) {
                start.state = kDedicatedDone;
                return;
            }
            client_send_blogin(client, srv.service.bots_setup);
            start.state = kDedicatedAwaitBots;
            return;
        case kDedicatedAwaitBots:
            if (client_pending_result(client) >= 0) start.state = kDedicatedDone;
            return;
        case kDedicatedRetry:
            if (start.retry_timer && timer_elapsed_ms(*start.retry_timer) >= 1000)
                start.state = kDedicatedLogin;
            return;
        default:
            return;
    }
}

}  // namespace kv
