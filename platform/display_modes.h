#pragma once
// The display's modes and the change to one for a full-screen window. Windowed changes leave the
// desktop as it is; a full-screen change needs a mode the display reports at that size (under Xvfb
// only the screen's own size). Tests put a fake list in place of the display's.

#include <cstdint>
#include <vector>

namespace kv {

struct sys_display_mode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits_per_pixel = 0;
    int32_t refresh_rate = 0;  // Hz, 0 when unknown
};

// Mode `index` of the display (0 upward); false past the last one or without a display.
bool sys_display_mode_at(int32_t index, sys_display_mode& out);
// The desktop's mode; false without a display.
bool sys_current_display_mode(sys_display_mode& out);
// Makes the display ready for a window of the mode's size: windowed always succeeds; full screen
// succeeds when a mode of that size is reported and is then the one kept for full-screen windows.
bool sys_change_display_mode(const sys_display_mode& mode, bool full_screen);
// Back to the desktop's mode.
void sys_restore_display_mode();
// The mode the last successful full-screen change chose (size 0 when none).
sys_display_mode sys_full_screen_mode();

// Test seam: the modes and the desktop the functions above report from now on, and whether
// changes fail.
void sys_fake_display_modes(const std::vector<sys_display_mode>& modes, const sys_display_mode& desktop,
                            bool changes_fail);
// Back to the real display.
void sys_real_display_modes();
// Changes asked for since the fake was set (full-screen ones and restores), for tests.
int32_t sys_fake_display_changes();

}  // namespace kv
