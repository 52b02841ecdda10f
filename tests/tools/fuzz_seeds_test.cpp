#include "tools/fuzz_seeds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/byte_writer.h"

namespace kv::tools {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The committed seeds are exactly what the writers make today.
TEST(FuzzSeeds, CommittedSeedsMatchTheWriters) {
    const fs::path corpus = fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" / "corpus";
    const bool rewrite = std::getenv("KV_WRITE_FUZZ_SEEDS") != nullptr;
    for (const std::string& target : fuzz_seed_targets()) {
        const auto seeds = fuzz_seeds(target);
        EXPECT_FALSE(seeds.empty()) << target;
        for (const auto& [name, bytes] : seeds) {
            const fs::path path = corpus / target / name;
            if (rewrite) {
                ASSERT_TRUE(write_file(path, bytes)) << path;
            }
            EXPECT_EQ(read_file(path), bytes) << path << " differs: run the tests with KV_WRITE_FUZZ_SEEDS=1";
        }
    }
}

}  // namespace
}  // namespace kv::tools
