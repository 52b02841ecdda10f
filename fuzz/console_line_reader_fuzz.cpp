// Feeds arbitrary bytes, as a terminal or a pipe would deliver them, to the dedicated server's console
// line reader: in one piece and in pieces whose sizes the input chooses. Both must give the same lines;
// no line handed on is longer than the longest taken or holds a control character other than tab, a
// refused line is longer than that, and a line being refused keeps nothing past the limit.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/terminal_console.h"

namespace {

using namespace kv;

void check(bool condition) {
    if (!condition) std::abort();
}

std::vector<std::string> drain(console_line_reader& reader) {
    std::vector<std::string> lines;
    console_line line;
    while (console_line_reader_next(reader, line)) {
        if (line.refused) {
            check(line.length > kConsoleLineMax);
            check(line.text.empty());
            lines.push_back("refused " + std::to_string(line.length));
            continue;
        }
        check(line.text.size() <= kConsoleLineMax);
        for (const char c : line.text) {
            const auto u = static_cast<unsigned char>(c);
            check(u == '\t' || (u >= 0x20 && u != 0x7F));
        }
        lines.push_back(line.text);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);

    console_line_reader whole;
    console_line_reader_feed(whole, text, size);
    check(whole.partial.size() <= kConsoleLineMax);
    std::vector<std::string> whole_lines = drain(whole);
    console_line_reader_finish(whole);
    for (std::string& line : drain(whole)) whole_lines.push_back(std::move(line));

    // Pieces of 1 to 16 bytes, the sizes taken from the input's own bytes.
    console_line_reader pieces;
    std::vector<std::string> piece_lines;
    std::size_t at = 0;
    std::size_t turn = 0;
    while (at < size) {
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + data[turn++ % size] % 16);
        console_line_reader_feed(pieces, text + at, piece);
        check(pieces.partial.size() <= kConsoleLineMax);
        at += piece;
        for (std::string& line : drain(pieces)) piece_lines.push_back(std::move(line));
    }
    console_line_reader_finish(pieces);
    for (std::string& line : drain(pieces)) piece_lines.push_back(std::move(line));
    check(piece_lines == whole_lines);
    return 0;
}
