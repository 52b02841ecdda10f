#pragma once
// Seed files for the fuzz targets of the data readers, made with the writers so that every seed
// is a well-formed file. They are kept in fuzz/corpus/<target>/; a test checks that the files
// there are the ones this code makes (KV_WRITE_FUZZ_SEEDS=1 rewrites them).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kv::tools {

using seed_file = std::pair<std::string, std::vector<uint8_t>>;

// The targets that take seeds from here.
std::vector<std::string> fuzz_seed_targets();
// The seeds of one target, by file name; none for an unknown target.
std::vector<seed_file> fuzz_seeds(const std::string& target);

}  // namespace kv::tools
