// Arbitrary bytes as the settings script "mp.cfg" read by the server service (whose "start" may serve
// in this process and whose relaunch rewrites the script), and as the "net.cfg" the session reads.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "game/server.h"
#include "net/server_session.h"
#include "net/service.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path folder = [] {
        const auto path =
            std::filesystem::temp_directory_path() / ("service_script_fuzz." + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    server& srv = server_get();
    srv.data_dir = folder.string() + "/";
    srv.write_dir = srv.data_dir;
    srv.dedicated = 1;  // no relaunch from here: "start" serves in this process
    {
        std::ofstream script(folder / "mp.cfg", std::ios::binary | std::ios::trunc);
        script.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::filesystem::copy_file(folder / "mp.cfg", folder / "net.cfg",
                               std::filesystem::copy_options::overwrite_existing);

    service_settings settings;
    service_settings_init(settings);
    // A script may set team sizes after its "start": they wait in the settings, clamped at the next
    // start, so only the loader's answer is checked here.
    if (!service_load_config(settings)) std::abort();
    service_command(settings, "stop");
    server_session_destroy();

    server_session s;
    s.network = std::make_unique<net_server>(s, srv.log_level);
    if (!server_session_read_net_config(s, (folder / "net.cfg").string())) std::abort();
    return 0;
}
