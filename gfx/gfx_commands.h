#pragma once
// The renderer's "g_" console commands. The kernel's console hands every line that begins with "g_"
// here. Each command of the table matches a line that begins with its name, so a first word that
// only begins with a name ("g_lodx") still is that command; the first match of the table wins.
// Arguments are the blank-separated words after the first one, converted as C's atoi and atof do
// in the "C" locale; a missing one reads as 0. Commands that change what a player sees of the world
// (wireframe, fog, lighting, debug drawing, the crosshair) do nothing while the client is logged in
// to a server. No command answers anything.
//
//   g_varrays n       vertex arrays on when n != 0       g_occmark n       occmark := n / 1000
//   g_rti n           the statistics line's mode         g_debug n         debug switch (locked)
//   g_crosshair n     game event 2048 + n (locked)       g_wireframe n     wireframe (locked)
//   g_rpath n         render path                        g_vsync n         the driver's vsync
//   g_portals n       portal walk on                     g_lighting n      lighting (locked)
//   g_lod n           detail levels on                   g_dlights n       dynamic lights
//   g_showportals n   portals drawn in red               g_fog d r g b     fog (locked)
//   g_occluders n     occluders collected                g_minfps n        minfps
//   g_showoccluders n occluders drawn                    g_minarea f       minarea
//                                                        g_helpers n       debug drawing (locked)

#include <cstdint>
#include <string>

namespace kv {

struct gfx;

// Game event that the crosshair command adds its argument to.
inline constexpr int32_t kGameEventCrosshair = 2048;

// -1 for every line, whether a command matched or not.
int32_t gfx_console_command(gfx& g, const std::string& line);
// True while the world server's client session is logged in to a server.
bool gfx_net_locked();

}  // namespace kv
