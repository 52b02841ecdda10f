#include "util/text_table.h"

#include <gtest/gtest.h>

#include "data/file_stream.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

TEST(TextTable, ReadsOneEntryPerSection) {
    const std::string long_line(300, 'x');
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> entries;
    } cases[] = {
        {"two sections", "<1>\none\ntwo\n<2>\nthree\n", {"one\ntwo", "three"}},
        {"carriage returns", "<1>\r\none\r\ntwo\r\n<2>\r\nthree", {"one\ntwo", "three"}},
        {"empty lines after a bracket line drop out", "<1>\n\n\none\n", {"one"}},
        {"empty line inside an entry is kept", "<1>\none\n\ntwo\n", {"one\n\ntwo"}},
        {"empty lines at an entry's end stay", "<1>\none\n\n<2>\n", {"one\n", ""}},
        {"lines before the first section are ignored", "title\n<1>\nx\n", {"x"}},
        {"what stands between the brackets is not kept", "<menu 3>\nx\n<>\ny\n", {"x", "y"}},
        {"half brackets are text", "<1>\n<a\nb>\n", {"<a\nb>"}},
        {"no sections", "just text\n", {}},
        {"empty file", "", {}},
        {"a line longer than the line reader's piece",
         "<1>\n" + long_line + "\n",
         {long_line.substr(0, 256) + "\n" + long_line.substr(256)}},
    };
    temp_folder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        file_stream stream;
        ASSERT_TRUE(file_stream_open(stream, folder.write("table", c.text), kFileRead));
        text_table table;
        table.entries = {"left over"};
        EXPECT_TRUE(text_table_read(table, stream));
        EXPECT_EQ(table.entries, c.entries);
    }
}

TEST(TextTable, StreamThatDidNotOpenEmptiesTheTable) {
    temp_folder folder;
    file_stream stream;
    EXPECT_FALSE(file_stream_open(stream, folder.file("missing"), kFileRead));
    text_table table;
    table.entries = {"old"};
    EXPECT_FALSE(text_table_read(table, stream));
    EXPECT_TRUE(table.entries.empty());
}

}  // namespace
}  // namespace kv
