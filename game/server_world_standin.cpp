// Until the light-map preparation is built, a freshly loaded level is left as it is.

#include "game/server_world.h"

namespace kv {

void server_prepare_world(server&, package*) {}

}  // namespace kv
