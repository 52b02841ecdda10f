#include "data/pak_archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/read_error.h"
#include "tests/data/data_test_support.h"
#include "tools/pak_writer.h"

namespace kv {
namespace {

using tools::pak_writer;

std::vector<uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string read_n(file_stream& s, std::size_t n) {
    std::string out(n, '\0');
    std::size_t count = 0;
    file_stream_read(s, out.data(), n, &count);
    out.resize(count);
    return out;
}

class PakArchive : public data_test {
protected:
    std::unique_ptr<pak_archive> open(const pak_writer& w) {
        return pak_archive_open(folder_.write("game.pak", as_text(w.finish())));
    }
};

TEST_F(PakArchive, ChunksAreFoundByExactName) {
    pak_writer w;
    w.add("controls.cfg", bytes_of("bind a"));
    w.add("Controls.cfg", bytes_of("upper"));
    w.add("controls.cfg", bytes_of("second of that name"));
    auto archive = open(w);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->entry_count, 3u);
    EXPECT_TRUE(pak_archive_has_chunk(*archive, "controls.cfg"));
    EXPECT_TRUE(pak_archive_has_chunk(*archive, "Controls.cfg"));
    EXPECT_FALSE(pak_archive_has_chunk(*archive, "CONTROLS.CFG"));
    EXPECT_FALSE(pak_archive_has_chunk(*archive, "controls"));

    file_stream s;
    file_stream_open_chunk(s, pak_archive_find_chunk(*archive, "controls.cfg"));
    EXPECT_EQ(s.name, "<PAK file>");
    EXPECT_EQ(file_stream_tell(s), 0);
    EXPECT_EQ(file_stream_size(s), 6);
    EXPECT_EQ(read_n(s, 100), "bind a");  // the first entry of the name; the read stops at its end

    try {
        pak_archive_find_chunk(*archive, "missing.cfg");
        ADD_FAILURE() << "no error raised";
    } catch (const read_error& e) {
        EXPECT_STREQ(e.what(), "[PAK] Can't find chunk `missing.cfg'");
    }
}

TEST_F(PakArchive, ChunkStreamsOfOneArchiveKeepTheirOwnPositions) {
    pak_writer w;
    w.add("a", bytes_of("0123456789"));
    w.add("b", bytes_of("abcdefghij"));
    auto archive = open(w);
    ASSERT_TRUE(archive);
    // The readers share the archive's stream; each goes on where it stopped.
    pak_chunk_reader a = pak_archive_find_chunk(*archive, "a");
    pak_chunk_reader b = pak_archive_find_chunk(*archive, "b");
    std::string got;
    for (int i = 0; i < 10; ++i) {
        char c[2];
        ASSERT_EQ(a.read(&c[0], 1), 1);
        ASSERT_EQ(b.read(&c[1], 1), 1);
        got.append(c, 2);
    }
    EXPECT_EQ(got, "0a1b2c3d4e5f6g7h8i9j");
    char c;
    EXPECT_EQ(a.read(&c, 1), 0);  // at the chunk's end, not in the next chunk

    // The same through streams, each over its own copy of a reader.
    file_stream sa;
    file_stream sb;
    file_stream_open_chunk(sa, pak_archive_find_chunk(*archive, "a"));
    file_stream_open_chunk(sb, pak_archive_find_chunk(*archive, "b"));
    EXPECT_EQ(read_n(sa, 4), "0123");
    EXPECT_TRUE(file_stream_seek(sb, 4));
    EXPECT_EQ(read_n(sb, 3), "efg");
    EXPECT_EQ(read_n(sa, 100), "456789");
    EXPECT_EQ(file_stream_tell(sb), 7);
    EXPECT_EQ(read_n(sb, 100), "hij");
}

TEST_F(PakArchive, SeeksStayInsideTheChunk) {
    pak_writer w;
    w.add("a", bytes_of("0123"));
    w.add("b", bytes_of("abcd"));
    auto archive = open(w);
    ASSERT_TRUE(archive);
    pak_chunk_reader reader = pak_archive_find_chunk(*archive, "a");
    EXPECT_TRUE(reader.seek(4));
    char c;
    EXPECT_EQ(reader.read(&c, 1), 0);
    EXPECT_FALSE(reader.seek(5));
    EXPECT_FALSE(reader.seek(-1));
    EXPECT_EQ(reader.tell(), 4);
    EXPECT_TRUE(reader.seek(1));
    char two[2];
    EXPECT_EQ(reader.read(two, 2), 2);
    EXPECT_EQ(std::string(two, 2), "12");
}

TEST_F(PakArchive, DamagedArchivesAreRefusedWithALogLine) {
    struct damage {
        const char* label;
        std::vector<uint8_t> bytes;
        const char* line;
    };
    const auto archive_with = [](auto change) {
        pak_writer w;
        w.add("one", bytes_of("1111"));
        change(w);
        return w.finish();
    };
    const std::vector<uint8_t> good = archive_with([](pak_writer&) {});
    std::vector<damage> cases = {
        {"bad magic", archive_with([](pak_writer& w) { w.magic = "PACK"; }),
         "[PAK] Invalid header in archive"},
        {"future version", archive_with([](pak_writer& w) { w.version = 2; }),
         "[PAK] Unsupported version in archive"},
        {"count beyond the file", archive_with([](pak_writer& w) { w.count_override = 100000000; }),
         "[PAK] Damaged directory in archive"},
        {"offset beyond the file",
         archive_with([](pak_writer& w) { w.add("two", bytes_of("2")).offset_override = 0xFFFFFFF0; }),
         "[PAK] Chunk beyond the end of the file in archive"},
        {"size beyond the file",
         archive_with([](pak_writer& w) { w.add("two", bytes_of("2")).size_override = 6; }),
         "[PAK] Chunk beyond the end of the file in archive"},
        {"empty file", {}, "[PAK] Invalid header in archive"},
    };
    // Every cut of a good archive.
    for (std::size_t size = 0; size + 4 < good.size(); ++size) {
        cases.push_back(
            {"cut", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(size)), "[PAK] "});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label + std::string(" ") + std::to_string(c.bytes.size()));
        clear_log();
        const std::string path = folder_.write("bad.pak", as_text(c.bytes));
        EXPECT_FALSE(pak_archive_open(path));
        EXPECT_EQ(log().rfind(c.line, 0), 0u) << log();
        EXPECT_NE(log().find("`" + path + "'\n"), std::string::npos) << log();
    }
    clear_log();
    EXPECT_FALSE(pak_archive_open(folder_.file("none.pak")));
    EXPECT_EQ(log(), "[PAK] Can't open archive `" + folder_.file("none.pak") + "'\n");
}

TEST_F(PakArchive, AnEmptyArchiveHasNoChunks) {
    auto archive = open(pak_writer());
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->entry_count, 0u);
    EXPECT_FALSE(pak_archive_has_chunk(*archive, ""));
}

}  // namespace
}  // namespace kv
