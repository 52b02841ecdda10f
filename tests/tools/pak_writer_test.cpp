#include "tools/pak_writer.h"

#include <gtest/gtest.h>

namespace kv::tools {
namespace {

using bytes = std::vector<uint8_t>;

TEST(PakWriter, WritesDirectoryThenData) {
    pak_writer w;
    w.add("a", {1, 2});
    w.add("bc", {3});
    EXPECT_EQ(w.finish(), (bytes{'K', 'P', 'A', 'K', 0, 1, 0, 0, 0, 2,        // magic, version, count
                                 0,   1,   'a', 0,   0, 0, 0, 0, 0, 0, 2,     // "a" at 0, 2 bytes
                                 0,   2,   'b', 'c', 0, 0, 0, 2, 0, 0, 0, 1,  // "bc" at 2, 1 byte
                                 1,   2,   3}));
}

}  // namespace
}  // namespace kv::tools
