#include "tools/qxps_writer.h"

#include <gtest/gtest.h>

namespace kv::tools {
namespace {

using bytes = std::vector<uint8_t>;

TEST(QxpsWriter, WritesHeaderDirectoryAndChunksInOrder) {
    qxps_writer w(2, "10");
    const int32_t root = w.add_chunk();
    const int32_t child = w.add_chunk();
    w.put_id(w.data(root), child);
    put_u16(w.data(child), 0xABCD);
    put_u8(w.data(child), 1);
    EXPECT_EQ(w.finish(), (bytes{'Q',  'X',  'P', 'S', '1', '0', 2, 0, 1,  // magic, version, width, root
                                 0,    0,    0,   2,                       // chunk count
                                 0,    1,    0,   0,   0,   0,             // root at 0
                                 0,    2,    0,   0,   0,   2,             // child at 2
                                 0,    2,                                  // root: the child's id
                                 0xAB, 0xCD, 1}));
}

TEST(QxpsWriter, IdsTakeTheHeadersWidth) {
    struct {
        uint8_t width;
        bytes id;
    } const cases[] = {{2, {0xFF, 0xFE}}, {4, {0xFF, 0xFF, 0xFF, 0xFE}}, {1, {0xFE}}, {9, {0xFE}}};
    for (const auto& c : cases) {
        qxps_writer w(c.width);
        byte_writer out;
        w.put_id(out, -2);
        EXPECT_EQ(out.bytes, c.id) << static_cast<int>(c.width);
    }
}

}  // namespace
}  // namespace kv::tools
