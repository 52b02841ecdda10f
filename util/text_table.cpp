#include "util/text_table.h"

#include "data/file_stream.h"

namespace kv {

bool text_table_read(text_table& table, file_stream& stream) {
    table.entries.clear();
    if (!file_stream_is_open(stream)) return false;
    std::string line;
    while (file_stream_read_line(stream, line)) {
        if (!line.empty() && line.front() == '<' && line.back() == '>') {
            table.entries.emplace_back();
        } else if (!table.entries.empty()) {
            std::string& entry = table.entries.back();
            if (!entry.empty()) entry += '\n';
            entry += line;
        }
    }
    return true;
}

}  // namespace kv
