#pragma once
// The program's main routine: start-up, the main loop, the run-time statistics and shutdown; the
// splitting of the command line into argument words; and the relaunch as dedicated server.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kernel/timer.h"

namespace kv {

struct gfx;
class net_client;

inline constexpr const char* kEngineName = "Quellix";
inline constexpr const char* kEngineVersion = "1.0";
inline constexpr int kBuildNumber = 182;

// Argument 0 (always null) and at most 31 words.
inline constexpr int kMaxArguments = 32;

// Results of `engine_main`.
inline constexpr int kEngineDone = 0;
inline constexpr int kEngineRelaunch = 1;
inline constexpr int kEngineHelp = -1;
// Start-up or the world failed: the process ends with a failure status.
inline constexpr int kEngineFailed = 2;

inline constexpr const char* kDedicatedOption = "--dedicated=yes";

// The argument vector of the main routine: entry 0 null, entries 1 to 31 point at private copies of
// the program's words. argc is `argv.size()`.
struct command_line {
    std::vector<std::unique_ptr<char[]>> words;
    std::vector<char*> argv;
    int dropped = 0;  // words past the 31st, not taken
};

// The program's words after its name, each kept whole (the shell has split them already: a word may
// hold blanks, such as a folder name), at most 31.
command_line command_line_from_words(int argc, const char* const* argv);

// What the main routine keeps between start-up, the loop passes and shutdown.
struct engine_session {
    timer frame_timer;
    // Set once the owners have bound their options: only then does shutdown save "options-c", so an
    // early failure never replaces the stored settings with an empty file.
    bool save_options = false;
    // The world frame failed (the boot-strap package could not be loaded): the run ends as a failure.
    bool failed = false;
};

enum class start_up_result {
    run,        // the main loop follows
    shut_down,  // a driver or the display failed: shutdown follows
    help,       // `--help` was answered: nothing follows
    no_directx  // the log is closed: nothing follows
};

// Start-up, main loop and shutdown. 1 asks for the relaunch as dedicated server, -1 follows `--help`,
// 2 a failed start-up (no display driver, no display) or a world that could not load its boot-strap
// package, 0 every other end.
int engine_main(int argc, char** argv);

// The parts of `engine_main`, in their order.
start_up_result engine_start_up(engine_session& session, int argc, char** argv);
// One pass of the main loop; false ends the loop.
bool engine_main_pass(engine_session& session);
void engine_write_statistics();
// 1 when the server service asks for the relaunch, else 0.
int engine_shut_down(engine_session& session);

// The main-loop steps, each with its own timer.
// The network's part of the renderer's statistics block after a client tick of `tick_ms` that took
// `elapsed_ms` of the interval: the tick's time (NT, and CL of the world line), the client's packet
// counts (IN, OUT) and the bytes it received and sent since the last count.
void engine_count_network(gfx& g, const net_client& client, int32_t elapsed_ms, int32_t tick_ms);
bool engine_tick_network();
bool engine_tick_service();
bool engine_tick_world();

// The singletons, created in the order that makes them go at exit as they must: the world server
// first, then the kernel, then the list of pending references.
void engine_create_singletons();

struct display_size {
    int32_t width;
    int32_t height;
};
// From the first character of `--resolution`; the null driver (kind 0) always gets 640x480.
display_size engine_display_size(const char* resolution, int32_t driver_kind);
// "low", "medium", "high" (exactly) give 0, 1, 2; anything else keeps `current`.
int32_t engine_detail_level(const char* details, int32_t current);
// What a dedicated server sleeps after a frame of `frame_ms`: the rest of its minimum frame time.
int32_t engine_dedicated_sleep_ms(int32_t min_frame_ms, int32_t frame_ms);
// Days, hours, minutes and seconds of a running time in milliseconds.
struct running_time {
    int32_t days;
    int32_t hours;
    int32_t minutes;
    int32_t seconds;
};
running_time engine_running_time(int64_t total_ms);

// The words of the relaunched process: this process's words followed by "--dedicated=yes".
std::vector<std::string> engine_relaunch_words(int argc, const char* const* argv);
// Starts the program again as dedicated server; false when it could not be started.
bool engine_relaunch(int argc, const char* const* argv);

}  // namespace kv
