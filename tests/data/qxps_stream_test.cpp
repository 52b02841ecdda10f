#include "data/qxps_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/qxps_writer.h"

namespace kv {
namespace {

using tools::qxps_writer;

// A test object: a value, child objects and a trailing value read after the children, so that
// every read shows whether the stream came back to the right place.
struct node {
    int32_t id = 0;
    uint16_t value = 0;
    std::vector<node*> children;
    uint16_t trailer = 0;
};

struct other {};

struct node_reader {
    qxps_stream& in;
    std::vector<std::unique_ptr<node>> built;

    node* build() {
        built.push_back(std::make_unique<node>());
        node* n = built.back().get();
        n->id = qxps_stream_enter_chunk(in, n);
        n->value = qxps_stream_read_u16(in);
        const uint32_t count = qxps_stream_read_count(in);
        for (uint32_t i = 0; i < count; ++i) n->children.push_back(read());
        n->trailer = qxps_stream_read_u16(in);
        qxps_stream_leave_chunk(in);
        return n;
    }
    node* read() { return qxps_stream_read_ref(in) ? qxps_stream_object_as<node>(in) : build(); }
};

// Writes a node chunk: value, child ids, trailer (value + 1).
void put_node(qxps_writer& w, int32_t id, uint16_t value, const std::vector<int32_t>& children) {
    tools::byte_writer& out = w.data(id);
    tools::put_u16(out, value);
    tools::put_u16(out, static_cast<uint16_t>(children.size()));
    for (int32_t child : children) w.put_id(out, child);
    tools::put_u16(out, static_cast<uint16_t>(value + 1));
}

// Root 1 holds children 2, 3, 2; chunk 3 holds 2 again.
std::vector<uint8_t> shared_tree(qxps_writer w = qxps_writer()) {
    w.add_chunk(1);
    w.add_chunk(2);
    w.add_chunk(3);
    put_node(w, 1, 100, {2, 3, 2});
    put_node(w, 2, 200, {});
    put_node(w, 3, 300, {2});
    return w.finish();
}

std::string error_of(const std::vector<uint8_t>& bytes) {
    try {
        qxps_stream in(bytes);
        node_reader reader{in, {}};
        reader.build();
    } catch (const read_error& e) {
        return e.what();
    }
    return "";
}

TEST(QxpsStream, SharedChunksAreReadOnceAndReadingGoesOnInTheParent) {
    qxps_stream in(shared_tree());
    node_reader reader{in, {}};
    node* root = reader.build();
    EXPECT_EQ(in.version, 11);
    ASSERT_EQ(reader.built.size(), 3u);
    ASSERT_EQ(root->children.size(), 3u);
    EXPECT_EQ(root->children[0], root->children[2]);
    EXPECT_EQ(root->children[1]->children[0], root->children[0]);
    EXPECT_EQ(root->value, 100);
    EXPECT_EQ(root->trailer, 101);
    EXPECT_EQ(root->children[0]->value, 200);
    EXPECT_EQ(root->children[1]->trailer, 301);
    EXPECT_TRUE(in.chunk_stack.empty());
}

TEST(QxpsStream, VersionsUpToElevenAreRead) {
    struct {
        const char* digits;
        const char* error;
        int version;
    } const cases[] = {
        {"00", "", 0},
        {"10", "", 10},
        {"11", "", 11},
        {"12", "[PS] Unsupported (future) version found", 0},
        {"20", "[PS] Unsupported (future) version found", 0},
        {"1:", "[PS] Unsupported (future) version found", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digits);
        const auto bytes = shared_tree(qxps_writer(2, c.digits));
        EXPECT_EQ(error_of(bytes), c.error);
        if (*c.error == 0) {
            EXPECT_EQ(qxps_stream(bytes).version, c.version);
        }
    }
}

TEST(QxpsStream, BadHeadersAreRefused) {
    qxps_writer bad_magic;
    bad_magic.magic = "QXPZ";
    EXPECT_EQ(error_of(shared_tree(bad_magic)), "[PS] Invalid header found");
    // A chunk count the file cannot hold is refused before anything is allocated for it.
    qxps_writer huge_count;
    huge_count.count_override = 0xFFFFFFFF;
    EXPECT_EQ(error_of(shared_tree(huge_count)), "[PS] Invalid header found");
    EXPECT_EQ(error_of({}), "[PS] Invalid header found");
    EXPECT_EQ(error_of({'Q', 'X', 'P', 'S', '1', '1', 2, 0}), "[PS] Invalid header found");
}

TEST(QxpsStream, IdsFollowTheHeaderWidth) {
    struct {
        uint8_t width;
        int32_t written;
        int32_t read;
    } const cases[] = {
        {2, -2, -2},  // 16-bit ids are sign-extended (bytes FF FE)
        {2, 0x7FFF, 0x7FFF},
        {4, -5, -5},  // 32-bit ids are taken as they are
        {4, 0x12345678, 0x12345678},
        {1, 254, 254},  // 8-bit ids are unsigned
        {0, 200, 200},  // any width other than 2 and 4 means 8-bit ids
        {7, 200, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.width));
        qxps_writer w(c.width);
        w.add_chunk(c.written);
        w.set_root(c.written);
        w.put_id(w.data(c.written), c.written);
        qxps_stream in(w.finish());
        EXPECT_EQ(in.current_id, c.read);
        node n;
        EXPECT_EQ(qxps_stream_enter_chunk(in, &n), c.read);
        // The root refers to itself: the object recorded for it comes back.
        EXPECT_TRUE(qxps_stream_read_ref(in));
        EXPECT_EQ(qxps_stream_object_as<node>(in), &n);
    }
}

TEST(QxpsStream, TheLaterOfTwoDirectoryEntriesWins) {
    qxps_writer w;
    w.add_chunk(1);
    w.add_chunk(2);
    w.add_chunk(3);
    put_node(w, 1, 100, {2});  // 8 bytes
    put_node(w, 2, 200, {});   // 6 bytes
    put_node(w, 3, 300, {});
    w.extra_entries.push_back({2, 8 + 6});
    qxps_stream in(w.finish());
    node_reader reader{in, {}};
    EXPECT_EQ(reader.build()->children[0]->value, 300);
}

TEST(QxpsStream, CountedStringsStopAtAZeroByte) {
    qxps_writer w;
    w.add_chunk(1);
    tools::put_string(w.data(1), std::string("a\0b", 3));
    tools::put_u16(w.data(1), 0xBEEF);
    qxps_stream in(w.finish());
    node n;
    qxps_stream_enter_chunk(in, &n);
    EXPECT_EQ(qxps_stream_read_string(in), "a");
    EXPECT_EQ(qxps_stream_read_u16(in), 0xBEEF);
}

TEST(QxpsStream, DamagedChunksRaiseTheReadersError) {
    struct {
        const char* label;
        std::vector<uint8_t> bytes;
        const char* error;
    } cases[] = {
        {"child id missing from the directory",
         [] {
             qxps_writer w;
             w.add_chunk(1);
             put_node(w, 1, 100, {99});
             return w.finish();
         }(),
         "[PS] Chunk 99 is not in the directory"},
        {"chunk shorter than its object: the next chunk is not read",
         [] {
             qxps_writer w;
             w.add_chunk(1);
             w.add_chunk(2);
             w.add_chunk(3);
             put_node(w, 1, 100, {2});
             tools::put_u16(w.data(2), 200);  // no count, no trailer
             put_node(w, 3, 300, {});
             return w.finish();
         }(),
         "[PS] Read past the end of chunk 2"},
        {"last chunk cut short by the end of the file",
         [] {
             qxps_writer w;
             w.add_chunk(1);
             tools::put_u16(w.data(1), 100);
             tools::put_u16(w.data(1), 0);
             return w.finish();
         }(),
         "[PS] Read past the end of chunk 1"},
        {"chunk offset beyond the end of the file",
         [] {
             qxps_writer w;
             w.add_chunk(1);
             put_node(w, 1, 100, {5});
             w.extra_entries.push_back({5, 100000});
             return w.finish();
         }(),
         "[PS] Chunk 5 lies beyond the end of the file"},
        {"count of 32768",
         [] {
             qxps_writer w;
             w.add_chunk(1);
             tools::put_u16(w.data(1), 100);
             tools::put_u16(w.data(1), 0x8000);
             return w.finish();
         }(),
         "[PS] Count 32768 out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(error_of(c.bytes), c.error);
    }
}

TEST(QxpsStream, AChunkSharedBetweenKindsIsRefused) {
    qxps_writer w;
    w.add_chunk(1);
    w.put_id(w.data(1), 1);
    qxps_stream in(w.finish());
    node n;
    qxps_stream_enter_chunk(in, &n);
    ASSERT_TRUE(qxps_stream_read_ref(in));
    EXPECT_THROW(qxps_stream_object_as<other>(in), read_error);
}

TEST(QxpsStream, StringsOf32768BytesAreRefused) {
    qxps_writer w;
    w.add_chunk(1);
    tools::put_string(w.data(1), std::string(0x8000, 'x'));
    qxps_stream in(w.finish());
    node n;
    qxps_stream_enter_chunk(in, &n);
    EXPECT_THROW(qxps_stream_read_string(in), read_error);
}

TEST(QxpsStream, DeeplyNestedChunksAreRefused) {
    // A chain of chunks, each holding the next: fine up to the depth limit, refused beyond it.
    const auto chain = [](int32_t length) {
        qxps_writer w(4);
        for (int32_t id = 1; id <= length; ++id)
            put_node(w, id, 7, id < length ? std::vector<int32_t>{id + 1} : std::vector<int32_t>{});
        return w.finish();
    };
    EXPECT_EQ(error_of(chain(static_cast<int32_t>(kQxpsMaxDepth))), "");
    EXPECT_EQ(error_of(chain(static_cast<int32_t>(kQxpsMaxDepth) + 1)), "[PS] Chunk 257 nested too deeply");
}

TEST(QxpsStream, EveryTruncationFailsCleanly) {
    const auto whole = shared_tree();
    EXPECT_EQ(error_of(whole), "");
    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_NE(error_of(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size))), "");
    }
}

}  // namespace
}  // namespace kv
