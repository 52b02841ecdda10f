#pragma once
// The desktop's task bar, which a full-screen display hides. Linux desktops bring their panels back
// themselves: showing it again does nothing.

namespace kv {

void sys_show_task_bar();

}  // namespace kv
