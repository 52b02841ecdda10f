// Reads arbitrary bytes through a disk stream and a chunk stream side by side: lines, characters,
// typed values, counted strings, plain reads and seeks driven by the input itself. Both streams
// must agree on every result, and the line reader must keep every byte.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/file_stream.h"
#include "fuzz/memory_chunk_reader.h"

namespace {

using namespace kv;

struct scratch_file {
    scratch_file() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder = base / ("kv_line_reader_fuzz_" + std::to_string(n));
            if (std::filesystem::create_directory(folder)) break;
        }
        path = (folder / "input").string();
    }
    ~scratch_file() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::filesystem::path folder;
    std::string path;
};

void check(bool condition) {
    if (!condition) std::abort();
}

// One operation on a stream, summed up so two streams can be compared.
std::string apply(file_stream& s, uint8_t op, uint8_t arg, std::size_t size) {
    std::string result;
    switch (op % 11) {
        case 0: {
            std::string line;
            file_stream_read_line(s, line);
            check(line.size() <= kMaxLineLength && line.find('\n') == std::string::npos);
            result = line;
            break;
        }
        case 1:
            result = std::to_string(file_stream_read_char(s));
            break;
        case 2:
            result = std::to_string(file_stream_read_u16(s));
            break;
        case 3:
            result = std::to_string(file_stream_read_u32(s));
            break;
        case 4: {
            const float f = file_stream_read_float(s);
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            result = std::to_string(bits);
            break;
        }
        case 5: {
            vec3 v{};
            file_stream_read_vec3(s, v);
            result.assign(reinterpret_cast<const char*>(&v), sizeof v);
            break;
        }
        case 6: {
            float v[2] = {};
            file_stream_read_vec2(s, v);
            result.assign(reinterpret_cast<const char*>(v), sizeof v);
            break;
        }
        case 7:
            file_stream_read_string(s, result);
            break;
        case 8: {
            std::string bytes(arg * 37u, '\0');
            std::size_t count = 0;
            file_stream_read(s, bytes.data(), bytes.size(), &count);
            check(count <= bytes.size());
            result = bytes.substr(0, count);
            break;
        }
        case 9:
            file_stream_seek(s, static_cast<int64_t>(size * arg / 255));
            break;
        case 10:
            result = std::to_string(file_stream_size(s));
            break;
    }
    return result + "|" + std::to_string(s.ok) + "|" + std::to_string(file_stream_tell(s));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static scratch_file file;
    // An input starting with 0xFF is repeated past the read-ahead's edge.
    std::string content(reinterpret_cast<const char*>(data), size);
    if (size > 1 && data[0] == 0xFF) {
        while (content.size() <= kFileStreamBufferSize)
            content.append(reinterpret_cast<const char*>(data), size);
    }
    {
        std::ofstream out(file.path, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    file_stream disk;
    check(file_stream_open(disk, file.path, kFileRead));
    file_stream chunk;
    file_stream_open_chunk(
        chunk, memory_chunk_reader(reinterpret_cast<const uint8_t*>(content.data()), content.size()));

    // Every line: the two sources agree, and only carriage returns and line feeds go missing.
    std::size_t kept = 0;
    std::string a, b;
    while (file_stream_read_line(disk, a)) {
        check(file_stream_read_line(chunk, b) && a == b);
        kept += a.size();
    }
    check(!file_stream_read_line(chunk, b) && b.empty());
    check(kept == static_cast<std::size_t>(std::count_if(content.begin(), content.end(),
                                                         [](char c) { return c != '\r' && c != '\n'; })));

    // Mixed operations from the input's own bytes, read backwards.
    file_stream_seek(disk, 0);
    file_stream_seek(chunk, 0);
    const std::size_t steps = std::min<std::size_t>(size, 4096);
    for (std::size_t i = 0; i + 1 < steps; i += 2) {
        const uint8_t op = data[size - 1 - i];
        const uint8_t arg = data[size - 2 - i];
        check(apply(disk, op, arg, content.size()) == apply(chunk, op, arg, content.size()));
    }
    return 0;
}
