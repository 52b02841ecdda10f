#pragma once
// The statistics line of the HUD (`rti_dispmode` chooses it) and the counters it shows. The draw
// lists count shaders, elements and texture memory, the frame times its passes, the network layer
// its packets and bytes; the world frame's times are the real-time statistics of `gfx`.
//
//   2: world frame  "%02ldST(%02ldCD %02d/%02ld//%02d/%02ldRAY %02ldLT %02ldMD %02ldBOT) %02ldCL"
//   3: renderer     "%03dSH %03dEL %.02fTM %02ldTL %02ldST %02ldR %02ldSW"
//   4: network      "%02ldNT(%04dIN %04dOUT) BIN %02.2f kB/s BOUT %02.2f kB/s"
//
// The bot host's display text, when it has one, is shown instead.

#include <cstdint>
#include <string>

namespace kv {

struct gfx;

struct gfx_rti_block {
    int32_t shaders = 0;        // shader layers applied in the view
    int32_t elements = 0;       // items handed to the draw lists in the view
    int32_t world_pass_ms = 0;  // the portal walk and sector drawing of the view
    int32_t view_ms = 0;        // the draw-list passes of the view
    int32_t swap_ms = 0;        // the buffer swap of the frame
    int32_t net_counter = 0;    // NT
    int32_t interval_ms = 0;    // time counted towards the next rates
    int32_t packets_in = 0;     // IN
    int32_t packets_out = 0;    // OUT
    int32_t bytes_in = 0;       // received in the interval
    int32_t bytes_out = 0;      // sent in the interval
    // The client's byte totals when the interval's bytes were last counted.
    uint32_t counted_bytes_in = 0;
    uint32_t counted_bytes_out = 0;
    // The last rates in kB/s, kept until more than a second has been counted.
    float received_rate = 0.0f;
    float sent_rate = 0.0f;
};

// Milliseconds counted before mode 4 takes new rates.
inline constexpr int32_t kRtiRateIntervalMs = 1000;

// The line for the current mode; empty for a mode without one.
std::string gfx_rti_text(gfx& g);

}  // namespace kv
