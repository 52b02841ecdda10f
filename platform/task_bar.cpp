#include "platform/task_bar.h"

namespace kv {

void sys_hide_task_bar() {}

void sys_show_task_bar() {}

}  // namespace kv
