#include "tools/package_writer.h"

#include <gtest/gtest.h>

namespace kv::tools {
namespace {

using bytes = std::vector<uint8_t>;

TEST(PackageWriter, RootChunkHoldsImportsAndNineTables) {
    package_writer w(1);
    w.add_import("kvbase");
    const int32_t arty = w.add_arty("kvgame", "game", {0, 0});
    w.list(package_table::arties, arty);
    const int32_t sector = w.add_named_object(package_table::sectors, "hall", {7});
    const bytes file = w.finish();
    const bytes root = {0,
                        1,
                        0,
                        6,
                        'k',
                        'v',
                        'b',
                        'a',
                        's',
                        'e',  // imports
                        0,
                        0,
                        0,
                        0,
                        0,
                        0,
                        0,
                        0,
                        0,
                        0,  // screens to entities
                        0,
                        1,
                        static_cast<uint8_t>(sector),  // sectors
                        0,
                        2,
                        static_cast<uint8_t>(arty),
                        static_cast<uint8_t>(arty),
                        0,
                        0,
                        0,
                        0};  // skeletons, animations
    const bytes arty_chunk = {0, 6, 'k', 'v', 'g', 'a', 'm', 'e', 0, 4, 'g', 'a', 'm', 'e', 0, 0, 0, 2, 0, 0};
    const bytes sector_chunk = {0, 4, 'h', 'a', 'l', 'l', 7};
    // Header (12 bytes with 8-bit ids), three directory entries of 5 bytes, then the chunks in order.
    ASSERT_EQ(file.size(), 12 + 3 * 5 + root.size() + arty_chunk.size() + sector_chunk.size());
    const auto data = file.begin() + 12 + 3 * 5;
    EXPECT_EQ(bytes(data, data + static_cast<long>(root.size())), root);
    EXPECT_EQ(bytes(data + static_cast<long>(root.size()),
                    data + static_cast<long>(root.size() + arty_chunk.size())),
              arty_chunk);
    EXPECT_EQ(bytes(file.end() - static_cast<long>(sector_chunk.size()), file.end()), sector_chunk);
}

}  // namespace
}  // namespace kv::tools
