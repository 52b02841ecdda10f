#include "tools/fuzz_seeds.h"

#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "tools/token_writer.h"

namespace kv::tools {
namespace {

// A package with something in every table: imports, a screen naming one view twice, named objects
// of every kind, a sector listed twice and two arty descriptions.
std::vector<uint8_t> full_package(uint8_t id_width, const std::string& version) {
    package_writer w(id_width, version);
    w.add_import("kvbase");
    w.add_import("sky");
    const int32_t view = w.add_view("main", {0, 1, 2, 3});
    w.add_screen("menu", {view, view});
    w.add_named_object(package_table::shaders, "basic", {0, 1});
    w.add_named_object(package_table::surfaces, "s-wall");
    w.add_named_object(package_table::geometry, "g-box", {1, 2, 3, 4});
    w.add_named_object(package_table::entities, "e-crate");
    const int32_t hall = w.add_named_object(package_table::sectors, "hall");
    w.list(package_table::sectors, hall);
    w.add_arty("kvgame", "game", token_writer().key("cb:").integer(100).key("mode:").str("team").bytes());
    w.add_arty("kvdoor", "d-gate",
               token_writer().key("speed:").number(90.0f).key("gi:").str("hall:gate").bytes());
    w.add_named_object(package_table::skeletons, "body");
    w.add_named_object(package_table::animations, "walk", {0, 0, 0, 1});
    return w.finish();
}

std::vector<uint8_t> small_package() {
    package_writer w;
    w.add_arty("kvlevel", "level", {});
    return w.finish();
}

std::vector<uint8_t> archive() {
    pak_writer w;
    w.add("controls.cfg", {'b', 'i', 'n', 'd', '\n'});
    w.add("level", small_package());
    w.add("empty", {});
    w.add("controls.cfg", {'x'});
    return w.finish();
}

}  // namespace

std::vector<std::string> fuzz_seed_targets() {
    return {"qxps_stream_fuzz", "pak_archive_fuzz", "package_fuzz"};
}

std::vector<seed_file> fuzz_seeds(const std::string& target) {
    if (target == "qxps_stream_fuzz" || target == "package_fuzz") {
        return {{"full-16bit-ids", full_package(2, "11")},
                {"full-32bit-ids", full_package(4, "10")},
                {"full-8bit-ids", full_package(1, "11")},
                {"small", small_package()}};
    }
    if (target == "pak_archive_fuzz") return {{"archive", archive()}, {"empty", pak_writer().finish()}};
    return {};
}

}  // namespace kv::tools
