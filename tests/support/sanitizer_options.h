#pragma once
// The leak checker's options for the `kv` programs a test starts.

#include <string>

namespace kv {

// LSAN_OPTIONS for a program the test starts: the test's own, then the suppressions of what the
// desktop libraries keep until exit (tools/lsan.supp), which the program of the sanitizer build reads.
std::string child_leak_options();

}  // namespace kv
