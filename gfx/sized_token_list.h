#pragma once
// Token lists stored in renderer records as a 32-bit byte size followed by the list: shader
// commands and surface layer descriptions.

#include <memory>
#include <string>

#include "util/token_list.h"

namespace kv {

struct qxps_stream;

// Reads the size and the list. A size past the end of the chunk or a damaged list raises
// `read_error` naming `what` (such as "command 2 of shader `wall'").
std::unique_ptr<token_list> read_sized_token_list(qxps_stream& in, const std::string& what);

}  // namespace kv
