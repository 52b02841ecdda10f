// Reads arbitrary bytes as a QXPS file. Each chunk is walked by operations that its own bytes
// choose (typed reads, strings, counts, references to sub-chunks of two object kinds), so every
// path of the stream is driven by the input. Damage must end in `read_error`, never a crash.

#include <cstdint>
#include <memory>
#include <vector>

#include "data/file_stream.h"
#include "data/qxps_stream.h"
#include "fuzz/memory_chunk_reader.h"

namespace {

using namespace kv;

struct blob {
    std::vector<blob*> children;
};
struct other_blob {};

struct walker {
    qxps_stream& in;
    std::vector<std::unique_ptr<blob>> blobs;
    std::vector<std::unique_ptr<other_blob>> others;

    void walk_chunk(blob* b) {
        const int ops = qxps_stream_read_u8(in) % 16;
        for (int i = 0; i < ops; ++i) {
            switch (qxps_stream_read_u8(in) % 8) {
                case 0:
                    qxps_stream_read_u16(in);
                    break;
                case 1:
                    qxps_stream_read_u32(in);
                    break;
                case 2:
                    qxps_stream_read_float(in);
                    break;
                case 3:
                    qxps_stream_read_string(in);
                    break;
                case 4: {
                    uint8_t bytes[255];
                    qxps_stream_read_bytes(in, bytes, qxps_stream_read_u8(in));
                    break;
                }
                case 5: {
                    const uint32_t count = qxps_stream_read_count(in);
                    for (uint32_t c = 0; c < count; ++c) b->children.push_back(read_blob());
                    break;
                }
                case 6:
                    read_other();
                    break;
                default:
                    qxps_stream_read_id(in);
                    qxps_stream_object(in);
                    break;
            }
        }
    }

    blob* read_blob() {
        if (qxps_stream_read_ref(in)) return qxps_stream_object_as<blob>(in);
        blobs.push_back(std::make_unique<blob>());
        blob* b = blobs.back().get();
        qxps_stream_enter_chunk(in, b);
        walk_chunk(b);
        qxps_stream_leave_chunk(in);
        return b;
    }

    void read_other() {
        if (qxps_stream_read_ref(in)) {
            qxps_stream_object_as<other_blob>(in);
            return;
        }
        others.push_back(std::make_unique<other_blob>());
        qxps_stream_enter_chunk(in, others.back().get());
        qxps_stream_read_u8(in);
        qxps_stream_leave_chunk(in);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Through a file stream, as packages are read.
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    try {
        qxps_stream in(stream);
        walker w{in, {}, {}};
        blob root;
        qxps_stream_enter_chunk(in, &root);
        w.walk_chunk(&root);
        qxps_stream_leave_chunk(in);
    } catch (const read_error&) {
    }
    return 0;
}
