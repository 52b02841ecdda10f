#pragma once
// The desktop's task bar, which a full-screen display hides. Linux desktops keep their panels
// themselves: hiding it and showing it again do nothing.

namespace kv {

void sys_hide_task_bar();
void sys_show_task_bar();

}  // namespace kv
