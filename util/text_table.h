#pragma once
// Numbered texts read from a sectioned text file: each line "<...>" starts a new entry, and the
// lines after it, joined by line feeds, are its text.

#include <string>
#include <vector>

namespace kv {

struct file_stream;

struct text_table {
    std::vector<std::string> entries;  // numbered from 0 in file order
};

// Replaces the table's entries with the sections of the stream. False only when the stream is not
// open (the table is then empty). Lines before the first section are ignored.
bool text_table_read(text_table& table, file_stream& stream);

}  // namespace kv
