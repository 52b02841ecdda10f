#pragma once
// The dedicated server's console on the terminal it was started from: console lines go to standard
// output, one a line, flushed; typed lines are read from standard input (a terminal, a pipe or a
// file) without ever blocking, polled once per main-loop pass.
//
// Reading stops for good at the end of input or on a read error (a terminal gone away); the server
// runs on. A process in the background of its terminal does not read it, so it is never stopped by
// the terminal. Output that cannot be written (a closed pipe, a terminal gone) is dropped.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace kv {

// The longest typed line handed on; a longer one is refused whole.
inline constexpr std::size_t kConsoleLineMax = 253;

// One result of the line reader: a typed line, or the length of a refused one.
struct console_line {
    bool refused = false;
    std::string text;        // without its line feed and a carriage return before it
    std::size_t length = 0;  // the refused line's length
};

// Cuts the bytes typed into lines. Control characters other than tab are dropped from a line; a line
// longer than `kConsoleLineMax` is refused whole (and nothing of it is kept past that length), and
// the reading goes on after its line feed. A partial line waits for the rest.
struct console_line_reader {
    std::string partial;
    std::size_t partial_length = 0;  // bytes of the partial line so far, kept or not
    bool partial_cr = false;         // the partial line's last byte was a carriage return
    std::deque<console_line> ready;
};

void console_line_reader_feed(console_line_reader& reader, const char* data, std::size_t size);
// The end of input: a partial line is taken as a whole line.
void console_line_reader_finish(console_line_reader& reader);
// The next finished line or refusal; false when none is ready.
bool console_line_reader_next(console_line_reader& reader, console_line& out);

struct terminal_console {
    int input_fd = 0;
    int output_fd = 1;
    bool reading = true;  // false after the end of input or a read error
    console_line_reader reader;
};

// A console on these descriptors (standard input and output by default); a descriptor that is not
// open ends the reading at once.
void terminal_console_open(terminal_console& console, int input_fd = 0, int output_fd = 1);
// Reads what is waiting, without blocking, and gives the next line or refusal; false when there is
// none this pass. Bytes are read only while no finished line waits, so nothing piles up.
bool terminal_console_poll(terminal_console& console, console_line& out);
// Writes the line and a line feed; control characters other than tab show as '?'.
void terminal_console_write_line(terminal_console& console, const std::string& line);
// True when the descriptor is a terminal whose foreground is another process group.
bool terminal_in_background(int fd);

}  // namespace kv
