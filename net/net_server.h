#pragma once
// The game server's side of the transport. It binds the game port, keeps the master-server
// conversation alive in internet mode, turns every received COMMAND and ASYNC-COMMAND into a call of
// the server session through the command table and sends back the session's reply, queues logins,
// registrations and profile uploads that take several ticks, keeps players' links alive, drops remotes
// that fall silent and, at the end of each tick, lets the session send snapshots and profiles. In
// internet mode it also answers the game-listing service's queries on the same socket.

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "net/listing.h"
#include "net/net_peer.h"
#include "net/server_session_interface.h"

namespace kv {

inline constexpr uint16_t kMasterServerPort = 57776;
inline constexpr int32_t kModeInternet = 1;
inline constexpr int32_t kModeSilentLocal = 2;  // local, and "hello" goes unanswered

inline constexpr int32_t kServerNotStarted = 0;
inline constexpr int32_t kServerFailed = 1;
inline constexpr int32_t kServerStopping = 2;
inline constexpr int32_t kServerRunning = 3;

// Remotes that are neither players nor the master: further new addresses are dropped until one of
// them times out.
inline constexpr std::size_t kMaxStrayRemotes = 64;
inline constexpr int32_t kLocalDispatchPort = 65535;

inline constexpr int32_t kPendingRegistration = 0;
inline constexpr int32_t kPendingLogin = 2;
inline constexpr int32_t kPendingUpload = 3;
inline constexpr int32_t kPendingDone = 4;

struct pending_entry {
    int32_t state = kPendingLogin;
    int32_t request_id = -1;
    uint32_t address = 0;
    uint16_t port = 0;
    login_request login;
    // Profile uploads.
    int32_t step = 0;
    int32_t player_id = 0;
    uint8_t upload_request_id = 0;
    int32_t retries = 0;
    int32_t send_time = 0;  // timer seconds
};

using command_handler = void (*)(net_server& server, int32_t request_id, const std::string& text,
                                 const command_origin& origin);

struct net_command {
    const char* word;
    command_handler handler;
    bool needs_master;  // refused in internet mode while the master is not ok
    bool admin;         // local dispatch appends the administrator password
};

class net_server : public net_peer {
public:
    net_server(server_session_interface& session, const int& log_level,
               std::unique_ptr<datagram_socket> socket = nullptr);
    ~net_server() override;

    void set_mode_and_port(int32_t mode, uint16_t port);
    // The master server's host name or dotted address ("net.cfg": "master").
    void set_master_name(const std::string& name) { master_name = name; }
    void set_listing(const listing_settings& settings);

    // The per-tick step; `keeps_running` then tells whether the server runs on.
    void tick(int32_t elapsed_ms) override;
    bool keeps_running() const { return keeps_running_; }
    // State 2 when the state was not 0; the previous state.
    int32_t begin_stop();
    // State 2; every pending entry but the profile uploads is dropped.
    void stop();
    bool master_ok() const;
    // Runs one command text; the index of the table row that ran it, -1 when none matched or the
    // master refused it.
    int32_t dispatch(int32_t request_id, const std::string& text, uint32_t address, uint16_t port);
    int32_t dispatch_local(const std::string& text);
    // A COMMAND-RESULT to that remote, unless the request id is -1.
    void reply(uint32_t address, uint16_t port, int32_t request_id, const std::string& text, bool reliable);
    bool is_pending(uint32_t address, uint16_t port) const;

    server_session_interface& session;
    int32_t state = kServerNotStarted;
    int32_t mode = 0;
    uint16_t game_port = 0;
    bool master_is_ok = false;
    int32_t last_master_hello = 0;
    std::string master_name;
    uint32_t master_address = 0;
    uint16_t master_port = kMasterServerPort;
    uint8_t upload_counter = 0;
    std::list<pending_entry> pending;
    int32_t last_ping_round = 0;
    int32_t last_stats = 0;
    int32_t ping_stamp_ms = 0;
    listing_reporter listing;

    // The master hello exchange.
    bool hello_outstanding = false;
    int32_t hello_sent_at = 0;
    int32_t hello_retries = 0;

protected:
    bool admit(uint32_t address, uint16_t port, const packet& p) override;

private:
    bool start();
    bool step_running();
    void step_pending();
    // 1 finished with the master ok, -1 gave up, 0 still waiting.
    int master_hello_exchange();
    bool upload_exchange(pending_entry& entry);
    void serve_remote(bool ping_round);
    void answer_pings(bool is_player, int32_t player_id);
    bool is_master(uint32_t address, uint16_t port) const;
    std::size_t stray_count();

    const int& log_level_;
    bool keeps_running_ = true;
};

// The command table in its order.
const net_command* net_command_table(std::size_t& count);

}  // namespace kv
