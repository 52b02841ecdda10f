#pragma once
// The default key bindings, installed at the end of start-up once the display is open.

namespace kv {

struct kernel;

// Binds the defaults through `kernel_bind_key`, in a fixed order: later pairs win.
void bind_default_keys(kernel& k);

}  // namespace kv
