#include "tests/support/file_size_limit.h"

namespace kv {

file_size_limit::file_size_limit(uint64_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &old_action_);
    getrlimit(RLIMIT_FSIZE, &old_limit_);
    rlimit limit = old_limit_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

file_size_limit::~file_size_limit() {
    setrlimit(RLIMIT_FSIZE, &old_limit_);
    sigaction(SIGXFSZ, &old_action_, nullptr);
}

}  // namespace kv
