// Stand-in readers for the kinds whose subsystems do not read their objects yet: each keeps the
// object's name (every such record begins with it) and skips the rest of the chunk. The first
// object of each kind says so in the log. A subsystem that brings its reader removes its stand-in
// from this file.

#include "data/package_readers.h"
#include "data/qxps_stream.h"
#include "kernel/log.h"

namespace kv {
namespace {

template <class T>
std::unique_ptr<T> read_name_only(package_read_context& ctx, const char* kind) {
    static bool reported = false;
    if (!reported) {
        reported = true;
        log_write("[PS] Objects of kind `%s' are not read yet: only their names are kept.\n", kind);
    }
    auto object = std::make_unique<T>();
    qxps_stream_enter_chunk(ctx.stream, object.get());
    object->name = qxps_stream_read_string(ctx.stream);
    qxps_stream_leave_chunk(ctx.stream);
    return object;
}

}  // namespace

std::unique_ptr<view> view_read(package_read_context& ctx) {
    return read_name_only<view>(ctx, "view");
}
std::unique_ptr<shader> shader_read(package_read_context& ctx) {
    return read_name_only<shader>(ctx, "shader");
}
std::unique_ptr<surface> surface_read(package_read_context& ctx) {
    return read_name_only<surface>(ctx, "surface");
}

}  // namespace kv
