#include "data/file_stream.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/file_io.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// An archive chunk held in memory; it counts the reads that reach it.
class memory_chunk : public chunk_reader {
public:
    explicit memory_chunk(std::string bytes) : bytes_(std::move(bytes)) {}

    int64_t read(void* buffer, std::size_t n) override {
        ++reads;
        if (position_ >= static_cast<int64_t>(bytes_.size())) return 0;
        const std::size_t take = std::min(n, bytes_.size() - static_cast<std::size_t>(position_));
        std::memcpy(buffer, bytes_.data() + position_, take);
        position_ += static_cast<int64_t>(take);
        return static_cast<int64_t>(take);
    }
    bool seek(int64_t position) override {
        if (position < 0) return false;
        position_ = position;
        return true;
    }
    int64_t tell() const override { return position_; }
    int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
    std::unique_ptr<chunk_reader> clone() const override { return std::make_unique<memory_chunk>(*this); }

    int reads = 0;

private:
    std::string bytes_;
    int64_t position_ = 0;
};

// Bytes whose every position can be recognised: byte i holds a different value than its neighbours,
// and no stretch repeats one read-ahead further on.
std::string counting_bytes(std::size_t n) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256 + i / kFileStreamBufferSize * 13) & 0xFF);
    return bytes;
}

uint32_t be_u32_at(const std::string& bytes, std::size_t at) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

std::string raw(std::initializer_list<int> bytes) {
    std::string text;
    for (int b : bytes) text.push_back(static_cast<char>(b));
    return text;
}

std::string letters(std::size_t n, char first = 'a') {
    std::string text(n, ' ');
    for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>(first + i % 26);
    return text;
}

enum class source { disk, chunk };

// Reading behaves alike whether the stream reads a disk file or an archive chunk.
class FileStreamSource : public ::testing::TestWithParam<source> {
protected:
    // A stream positioned at the start of `bytes`.
    void open(const std::string& bytes) {
        if (GetParam() == source::disk) {
            ASSERT_TRUE(file_stream_open(stream_, folder_.write("data.bin", bytes), kFileRead));
        } else {
            file_stream_open_chunk(stream_, memory_chunk(bytes));
        }
        ASSERT_TRUE(file_stream_is_open(stream_));
    }

    std::vector<std::string> all_lines() {
        std::vector<std::string> lines;
        std::string line;
        while (file_stream_read_line(stream_, line)) lines.push_back(line);
        EXPECT_TRUE(line.empty());
        EXPECT_FALSE(stream_.ok);
        return lines;
    }

    temp_folder folder_;
    file_stream stream_;
};

INSTANTIATE_TEST_SUITE_P(DiskAndChunk, FileStreamSource, ::testing::Values(source::disk, source::chunk),
                         [](const auto& info) { return info.param == source::disk ? "Disk" : "Chunk"; });

TEST_P(FileStreamSource, ReadsLinesWithoutLosingAByte) {
    const std::string long_line = letters(300);
    const std::string full_line = letters(256, 'A');
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"line feeds", "one\ntwo\n", {"one", "two"}},
        {"carriage return and line feed", "one\r\ntwo\r\n", {"one", "two"}},
        {"last line without a line feed", "one\r\ntwo", {"one", "two"}},
        {"empty file", "", {}},
        {"empty lines", "\n\r\n\n", {"", "", ""}},
        {"carriage returns inside a line", "a\rb\r\r\n", {"ab"}},
        {"300 characters", long_line + "\nnext\n", {long_line.substr(0, 256), long_line.substr(256), "next"}},
        {"exactly 256 characters", full_line + "\r\nnext", {full_line, "next"}},
        {"512 characters", full_line + full_line, {full_line, full_line}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.bytes);
        EXPECT_EQ(all_lines(), c.lines);
    }
}

TEST_P(FileStreamSource, TypedReadsAreBigEndian) {
    const std::string bytes = raw({0x01, 0x02})                                              // 258
                              + raw({0x3F, 0x80, 0x00, 0x00})                                // 1.0
                              + raw({0xC0, 0x20, 0x00, 0x00})                                // -2.5
                              + raw({0xDE, 0xAD, 0xBE, 0xEF})                                // u32
                              + raw({0x3F, 0x80, 0, 0, 0x40, 0x00, 0, 0, 0xC0, 0x40, 0, 0})  // 1 2 -3
                              + raw({0x40, 0x80, 0, 0, 0xBF, 0x00, 0, 0})                    // 4 -0.5
                              + raw({0x00, 0x03, 'a', 0, 'b'})  // a counted string with a zero inside
                              + raw({0x00, 0x00})               // an empty one
                              + "Z";
    open(bytes);
    EXPECT_EQ(file_stream_read_u16(stream_), 258);
    EXPECT_EQ(file_stream_read_float(stream_), 1.0f);
    EXPECT_EQ(file_stream_read_float(stream_), -2.5f);
    EXPECT_EQ(file_stream_read_u32(stream_), 0xDEADBEEFu);
    vec3 v3{9, 9, 9, 9};
    ASSERT_TRUE(file_stream_read_vec3(stream_, v3));
    EXPECT_EQ(std::vector<float>({v3.x, v3.y, v3.z, v3.w}), (std::vector<float>{1.0f, 2.0f, -3.0f, 0.0f}));
    float v2[2] = {};
    ASSERT_TRUE(file_stream_read_vec2(stream_, v2));
    EXPECT_EQ(std::vector<float>(v2, v2 + 2), (std::vector<float>{4.0f, -0.5f}));
    std::string text = "old";
    ASSERT_TRUE(file_stream_read_string(stream_, text));
    EXPECT_EQ(text, "a");
    EXPECT_EQ(file_stream_tell(stream_), 39);  // all three stored bytes consumed
    ASSERT_TRUE(file_stream_read_string(stream_, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(file_stream_read_char(stream_), 'Z');
    EXPECT_TRUE(stream_.ok);
    file_stream_read_char(stream_);
    EXPECT_FALSE(stream_.ok);
}

TEST_P(FileStreamSource, TypedReadsShortOfBytesFail) {
    using reader = bool (*)(file_stream&);
    const struct {
        const char* what;
        std::string bytes;
        reader read;
    } cases[] = {
        {"u16", raw({0x01}), [](file_stream& s) { return file_stream_read_u16(s), s.ok; }},
        {"u32", raw({0x01, 0x02, 0x03}), [](file_stream& s) { return file_stream_read_u32(s), s.ok; }},
        {"float", raw({0x3F, 0x80, 0x00}), [](file_stream& s) { return file_stream_read_float(s), s.ok; }},
        {"char", "", [](file_stream& s) { return file_stream_read_char(s), s.ok; }},
        {"vec3", std::string(11, '\x3F'),
         [](file_stream& s) {
             vec3 v;
             return file_stream_read_vec3(s, v);
         }},
        {"vec2", std::string(7, '\x3F'),
         [](file_stream& s) {
             float v[2];
             return file_stream_read_vec2(s, v);
         }},
        {"string length", raw({0x00}),
         [](file_stream& s) {
             std::string t;
             return file_stream_read_string(s, t);
         }},
        {"string text", raw({0x00, 0x05, 'a', 'b'}),
         [](file_stream& s) {
             std::string t = "old";
             return file_stream_read_string(s, t) || !t.empty();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.bytes);
        EXPECT_FALSE(c.read(stream_));
        EXPECT_FALSE(stream_.ok);
    }
}

TEST_P(FileStreamSource, CountedStringOfNegativeLengthFailsWithoutReadingOn) {
    for (const std::string& length : {raw({0x80, 0x00}), raw({0xFF, 0xFF})}) {
        open(length + std::string(40000, 'x'));
        std::string text = "old";
        EXPECT_FALSE(file_stream_read_string(stream_, text));
        EXPECT_FALSE(stream_.ok);
        EXPECT_TRUE(text.empty());
        EXPECT_EQ(file_stream_tell(stream_), 2);
    }
}

TEST_P(FileStreamSource, PlainReadTakesWhatIsThereAndCountsIt) {
    open("abc");
    char buffer[10] = {};
    std::size_t count = 99;
    EXPECT_TRUE(file_stream_read(stream_, buffer, sizeof buffer, &count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_FALSE(file_stream_read(stream_, buffer, sizeof buffer, &count));
    EXPECT_EQ(count, 0u);
}

TEST_P(FileStreamSource, SeeksTellsAndSizesAcrossTheReadAhead) {
    // Larger than the read-ahead, so reads and seeks cross its edges.
    const std::size_t size = 3 * kFileStreamBufferSize + 123;
    const std::string bytes = counting_bytes(size);
    open(bytes);
    EXPECT_EQ(file_stream_tell(stream_), 0);
    EXPECT_EQ(file_stream_size(stream_), static_cast<int64_t>(size));

    const std::size_t edge = kFileStreamBufferSize;
    for (std::size_t at : {std::size_t{10}, edge - 2, edge, edge + 1, std::size_t{5}, size - 4, edge * 2 - 3,
                           std::size_t{0}}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(file_stream_seek(stream_, static_cast<int64_t>(at)));
        EXPECT_EQ(file_stream_tell(stream_), static_cast<int64_t>(at));
        EXPECT_EQ(file_stream_read_u32(stream_), be_u32_at(bytes, at));
        EXPECT_TRUE(stream_.ok);
        EXPECT_EQ(file_stream_tell(stream_), static_cast<int64_t>(at + 4));
    }

    // A large plain read continues exactly where the typed reads stopped.
    ASSERT_TRUE(file_stream_seek(stream_, 3));
    file_stream_read_u16(stream_);
    std::string rest(size, '\0');
    std::size_t count = 0;
    EXPECT_TRUE(file_stream_read(stream_, rest.data(), rest.size(), &count));
    EXPECT_EQ(count, size - 5);
    EXPECT_EQ(rest.substr(0, count), bytes.substr(5));
    EXPECT_EQ(file_stream_tell(stream_), static_cast<int64_t>(size));
    EXPECT_EQ(file_stream_size(stream_), static_cast<int64_t>(size));

    // After a read larger than the read-ahead, a seek back lands on the file's own bytes.
    ASSERT_TRUE(file_stream_seek(stream_, 0));
    std::string skipped(kFileStreamBufferSize + 7, '\0');
    ASSERT_TRUE(file_stream_read(stream_, skipped.data(), 10, &count));
    ASSERT_TRUE(file_stream_read(stream_, skipped.data(), kFileStreamBufferSize - 10, &count));
    ASSERT_TRUE(file_stream_read(stream_, skipped.data(), skipped.size(), &count));
    for (std::size_t at : {kFileStreamBufferSize + 100, kFileStreamBufferSize * 2 - 50}) {
        ASSERT_TRUE(file_stream_seek(stream_, static_cast<int64_t>(at)));
        EXPECT_EQ(file_stream_read_u32(stream_), be_u32_at(bytes, at)) << at;
    }

    EXPECT_FALSE(file_stream_seek(stream_, -1));
    ASSERT_TRUE(file_stream_seek(stream_, static_cast<int64_t>(size) + 10));
    file_stream_read_char(stream_);
    EXPECT_FALSE(stream_.ok);
}

TEST(FileStream, SmallReadsOnAChunkReachItRarely) {
    const std::string bytes = counting_bytes(2 * kFileStreamBufferSize);
    memory_chunk chunk(bytes);
    file_stream stream;
    file_stream_open_chunk(stream, chunk);
    for (std::size_t i = 0; i < bytes.size() / 4; ++i)
        ASSERT_EQ(file_stream_read_u32(stream), be_u32_at(bytes, i * 4));
    const auto* own = static_cast<const memory_chunk*>(stream.chunk.get());
    EXPECT_LE(own->reads, 3);
    EXPECT_EQ(chunk.reads, 0);  // the stream reads its own copy
    EXPECT_EQ(chunk.tell(), 0);
}

TEST(FileStream, ChunkStreamIsNamedAndRefusesWrites) {
    memory_chunk chunk("abcdef");
    ASSERT_TRUE(chunk.seek(2));
    file_stream stream;
    file_stream_open_chunk(stream, chunk);
    EXPECT_EQ(stream.name, "<PAK file>");
    EXPECT_EQ(file_stream_tell(stream), 2);  // the copy starts where the reader stood
    EXPECT_EQ(file_stream_read_char(stream), 'c');
    EXPECT_FALSE(file_stream_write(stream, "x", 1));
    EXPECT_FALSE(stream.ok);
    EXPECT_FALSE(file_stream_write_line(stream, "x"));
    EXPECT_FALSE(file_stream_write_u32(stream, 1));
    EXPECT_EQ(file_stream_read_char(stream), 'd');
    file_stream_close(stream);
    EXPECT_FALSE(file_stream_is_open(stream));
    EXPECT_TRUE(stream.name.empty());
}

TEST(FileStream, MissingFileDoesNotOpen) {
    temp_folder folder;
    file_stream stream;
    EXPECT_FALSE(file_stream_open(stream, folder.file("missing.cfg"), kFileRead));
    EXPECT_FALSE(stream.ok);
    EXPECT_FALSE(file_stream_is_open(stream));
    std::string line;
    EXPECT_FALSE(file_stream_read_line(stream, line));
    EXPECT_EQ(file_stream_tell(stream), -1);
    EXPECT_FALSE(stream.ok);
    EXPECT_FALSE(file_stream_write(stream, "x", 1));
    // A folder is not a file.
    EXPECT_FALSE(file_stream_open(stream, folder.path().string(), kFileRead));
}

TEST(FileStream, InterleavedReadsSeeksAndWritesStayCoherent) {
    temp_folder folder;
    const std::string path = folder.write("mixed.bin", "0123456789");
    file_stream stream;
    ASSERT_TRUE(file_stream_open(stream, path, kFileRead | kFileWrite));

    char two[3] = {};
    ASSERT_TRUE(file_stream_read(stream, two, 2));
    EXPECT_STREQ(two, "01");
    // The read-ahead holds the whole file, yet the write lands at the stream's position.
    ASSERT_TRUE(file_stream_write(stream, "ab", 2));
    EXPECT_EQ(file_stream_tell(stream), 4);
    ASSERT_TRUE(file_stream_read(stream, two, 2));
    EXPECT_STREQ(two, "45");
    // A seek back inside the read-ahead, then a write there.
    ASSERT_TRUE(file_stream_seek(stream, 1));
    EXPECT_EQ(file_stream_read_char(stream), '1');
    ASSERT_TRUE(file_stream_write(stream, "X", 1));
    EXPECT_EQ(file_stream_read_char(stream), 'b');
    ASSERT_TRUE(file_stream_seek(stream, 2));
    EXPECT_EQ(file_stream_read_char(stream), 'X');
    ASSERT_TRUE(file_stream_seek(stream, 0));
    char all[11] = {};
    ASSERT_TRUE(file_stream_read(stream, all, 10));
    EXPECT_STREQ(all, "01Xb456789");
    // Writing at the end grows the file.
    ASSERT_TRUE(file_stream_write_line(stream, "end"));
    EXPECT_EQ(file_stream_size(stream), 14);
    EXPECT_EQ(file_stream_tell(stream), 14);
    ASSERT_TRUE(file_stream_seek(stream, 9));
    std::string line;
    ASSERT_TRUE(file_stream_read_line(stream, line));
    EXPECT_EQ(line, "9end");
    file_stream_close(stream);
    EXPECT_EQ(folder.read("mixed.bin"), "01Xb456789end\n");
}

TEST(FileStream, TypedWritersRoundTrip) {
    temp_folder folder;
    const std::string path = folder.file("options-c");
    file_stream out;
    ASSERT_TRUE(file_stream_open(out, path, kFileWrite | kFileCreate | kFileTruncate));
    EXPECT_TRUE(file_stream_write_u16(out, 258));
    EXPECT_TRUE(file_stream_write_u32(out, 0xDEADBEEF));
    EXPECT_TRUE(file_stream_write_string(out, "fov"));
    EXPECT_TRUE(file_stream_write_string(out, ""));
    // Longer than a counted string can say: refused, nothing written.
    EXPECT_FALSE(file_stream_write_string(out, std::string(32768, 'x')));
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(file_stream_write_string(out, std::string(32767, 'y')));
    file_stream_close(out);

    const std::string bytes = folder.read("options-c");
    EXPECT_EQ(bytes.substr(0, 13),
              raw({0x01, 0x02, 0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x03, 'f', 'o', 'v', 0x00, 0x00}));
    EXPECT_EQ(bytes.size(), 13u + 2 + 32767);

    file_stream in;
    ASSERT_TRUE(file_stream_open(in, path, kFileRead));
    EXPECT_EQ(file_stream_read_u16(in), 258);
    EXPECT_EQ(file_stream_read_u32(in), 0xDEADBEEFu);
    std::string text;
    EXPECT_TRUE(file_stream_read_string(in, text));
    EXPECT_EQ(text, "fov");
    EXPECT_TRUE(file_stream_read_string(in, text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(file_stream_read_string(in, text));
    EXPECT_EQ(text, std::string(32767, 'y'));
}

TEST(FileStream, OpenModesTruncateAppendAndCreate) {
    temp_folder folder;
    const std::string path = folder.write("settings", "old text\n");
    file_stream stream;
    ASSERT_TRUE(file_stream_open(stream, path, kFileWrite | kFileAppend));
    ASSERT_TRUE(file_stream_write_line(stream, "appended"));
    file_stream_close(stream);
    EXPECT_EQ(folder.read("settings"), "old text\nappended\n");

    ASSERT_TRUE(file_stream_open(stream, path, kFileWrite | kFileCreate | kFileTruncate));
    ASSERT_TRUE(file_stream_write_line(stream, "new"));
    file_stream_close(stream);
    EXPECT_EQ(folder.read("settings"), "new\n");

    // Without the create bit a missing file stays missing.
    EXPECT_FALSE(file_stream_open(stream, folder.file("absent"), kFileWrite));
    EXPECT_FALSE(fs::exists(folder.file("absent")));
    ASSERT_TRUE(file_stream_open(stream, folder.file("created"), kFileWrite | kFileCreate));
    const auto perms = fs::status(folder.file("created")).permissions();
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
}

// A file made read-only is left as it is: not written, its mode unchanged. Reading is not affected.
TEST(FileStream, ReadOnlyFileIsNotWritten) {
    temp_folder folder;
    const std::string path = folder.write("servers.cfg", "old\n");
    const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(path, read_only);
    file_stream stream;
    EXPECT_FALSE(file_stream_open(stream, path, kFileWrite | kFileCreate | kFileTruncate));
    EXPECT_EQ(stream.error, kSysReadOnlyFile);
    EXPECT_EQ(fs::status(path).permissions(), read_only);
    EXPECT_EQ(folder.read("servers.cfg"), "old\n");
    ASSERT_TRUE(file_stream_open(stream, path, kFileRead));
    EXPECT_EQ(fs::status(path).permissions(), read_only);
}

// Only regular files open, for reading and for writing; what stands in the place of one is neither
// opened (no hang on a FIFO, no endless read of a device) nor changed. A link to a regular file is
// followed; creating a file never goes through a link.
TEST(FileStream, OnlyRegularFilesOpen) {
    temp_folder folder;
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder.file("folder"));
    fs::create_symlink("/dev/zero", folder.file("zero"));
    fs::create_symlink(fifo, folder.file("to-fifo"));
    const std::string target = folder.write("target", "kept");
    fs::create_symlink(target, folder.file("to-target"));
    fs::create_symlink(folder.file("elsewhere"), folder.file("dangling"));
    for (const int mode : {kFileRead, kFileWrite | kFileCreate | kFileTruncate}) {
        for (const char* name : {"fifo", "folder", "zero", "to-fifo"}) {
            SCOPED_TRACE(std::string(name) + " mode " + std::to_string(mode));
            file_stream stream;
            EXPECT_FALSE(file_stream_open(stream, folder.file(name), mode));
            EXPECT_EQ(stream.error, kSysNotRegularFile);
        }
        file_stream stream;
        EXPECT_TRUE(file_stream_open(stream, folder.file("to-target"), mode));
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(folder.read("target"), "");  // truncated through its link, as the last open asked

    file_stream stream;
    EXPECT_FALSE(file_stream_open(stream, folder.file("dangling"), kFileWrite | kFileCreate));
    EXPECT_FALSE(fs::exists(folder.file("elsewhere")));
    // An exclusive open wants a new name.
    EXPECT_FALSE(
        file_stream_open(stream, folder.file("to-target"), kFileWrite | kFileCreate | kFileExclusive));
    EXPECT_EQ(stream.error, EEXIST);
    EXPECT_TRUE(file_stream_open(stream, folder.file("new"), kFileWrite | kFileCreate | kFileExclusive));
}

TEST(FileStream, NamesTakeBackslashesAndAnyLetterCase) {
    temp_folder folder;
    folder.write("Data/Maps/Level1.CFG", "level one\n");
    const std::string root = folder.path().string();
    file_stream stream;
    ASSERT_TRUE(file_stream_open(stream, root + "\\data\\maps\\level1.cfg", kFileRead));
    std::string line;
    ASSERT_TRUE(file_stream_read_line(stream, line));
    EXPECT_EQ(line, "level one");
    EXPECT_EQ(stream.name, root + "\\data\\maps\\level1.cfg");

    // A new file goes into the existing folders under the name as given.
    ASSERT_TRUE(file_stream_open(stream, root + "\\DATA\\maps\\New.txt", kFileWrite | kFileCreate));
    ASSERT_TRUE(file_stream_write_line(stream, "x"));
    file_stream_close(stream);
    EXPECT_EQ(folder.read("Data/Maps/New.txt"), "x\n");

    // An existing file in another letter case is the one written.
    ASSERT_TRUE(
        file_stream_open(stream, root + "/data/maps/LEVEL1.cfg", kFileWrite | kFileCreate | kFileTruncate));
    ASSERT_TRUE(file_stream_write_line(stream, "rewritten"));
    file_stream_close(stream);
    EXPECT_EQ(folder.read("Data/Maps/Level1.CFG"), "rewritten\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "Data/Maps"), fs::directory_iterator()),
              2);
}

}  // namespace
}  // namespace kv
