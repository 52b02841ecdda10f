#include "gfx/gfx_commands.h"

#include <string_view>
#include <vector>

#include "game/arty_factory.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "gfx/screen_image.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int32_t kUnanswered = -1;
constexpr float kOccmarkScale = 1000.0f;

// The arguments of one line: word k after the command's word, "" when missing.
class command_words {
public:
    explicit command_words(std::string_view line) {
        std::size_t at = 0;
        while (at < line.size()) {
            while (at < line.size() && is_blank(line[at])) ++at;
            const std::size_t start = at;
            while (at < line.size() && !is_blank(line[at])) ++at;
            if (at > start) words_.push_back(line.substr(start, at - start));
        }
    }
    std::string_view word(std::size_t k) const { return k < words_.size() ? words_[k] : std::string_view(); }
    int32_t integer(std::size_t k) const { return str_to_int(word(k)); }
    float real(std::size_t k) const { return str_to_float(word(k)); }
    bool flag(std::size_t k) const { return integer(k) != 0; }

private:
    static bool is_blank(char c) { return c == ' ' || c == '\t'; }
    std::vector<std::string_view> words_;
};

struct gfx_command {
    std::string_view name;
    bool locked;
    void (*run)(gfx& g, const command_words& args);
};

constexpr gfx_command kCommands[] = {
    {"g_varrays", false, [](gfx& g, const command_words& a) { g.options.gfx_varrays = a.flag(1); }},
    {"g_rti", false, [](gfx& g, const command_words& a) { g.options.rti_dispmode = a.integer(1); }},
    {"g_crosshair", true,
     [](gfx&, const command_words& a) {
         // Wraps as 32-bit arithmetic does, whatever the number typed.
         const uint32_t event =
             static_cast<uint32_t>(kGameEventCrosshair) + static_cast<uint32_t>(a.integer(1));
         arty_factory_post_event(server_get().factory, static_cast<int32_t>(event));
     }},
    {"g_rpath", false, [](gfx& g, const command_words& a) { g.options.gfx_rpath = a.integer(1); }},
    {"g_portals", false, [](gfx& g, const command_words& a) { g.options.portals_on = a.flag(1); }},
    {"g_lod", false, [](gfx& g, const command_words& a) { g.options.LOD_on = a.flag(1); }},
    {"g_showportals", false, [](gfx& g, const command_words& a) { g.options.show_portals = a.flag(1); }},
    {"g_occluders", false, [](gfx& g, const command_words& a) { g.options.occluders_on = a.flag(1); }},
    {"g_showoccluders", false, [](gfx& g, const command_words& a) { g.options.show_occluders = a.flag(1); }},
    {"g_occmark", false,
     [](gfx& g, const command_words& a) {
         g.options.occmark = static_cast<float>(a.integer(1)) / kOccmarkScale;
     }},
    {"g_debug", true, [](gfx& g, const command_words& a) { g.switches.debug = a.integer(1); }},
    {"g_wireframe", true, [](gfx& g, const command_words& a) { g.switches.wireframe = a.flag(1); }},
    {"g_vsync", false,
     [](gfx& g, const command_words& a) {
         if (g.driver) g.driver->set_vsync(a.flag(1));
     }},
    {"g_lighting", true, [](gfx& g, const command_words& a) { g.switches.lighting = a.flag(1); }},
    {"g_dlights", false, [](gfx& g, const command_words& a) { g.switches.dynamic_lights = a.integer(1); }},
    {"g_fog", true,
     [](gfx& g, const command_words& a) {
         const gfx_fog fog{a.real(1), a.real(2), a.real(3), a.real(4)};
         gfx_set_fog(g, &fog);
     }},
    {"g_minfps", false, [](gfx& g, const command_words& a) { g.options.minfps = a.integer(1); }},
    {"g_minarea", false, [](gfx& g, const command_words& a) { g.options.minarea = a.real(1); }},
    {"g_helpers", true, [](gfx& g, const command_words& a) { g.switches.helpers = a.flag(1); }},
};

}  // namespace

bool gfx_net_locked() {
    return server_get().client.connected;
}

int32_t gfx_console_command(gfx& g, const std::string& line) {
    for (const gfx_command& command : kCommands) {
        if (!std::string_view(line).starts_with(command.name)) continue;
        if (command.locked && gfx_net_locked()) return kUnanswered;
        command.run(g, command_words(line));
        return kUnanswered;
    }
    return kUnanswered;
}

int32_t gfx_dynamic_lights(gfx& g) {
    return g.switches.lighting ? g.switches.dynamic_lights : 0;
}

void gfx_set_weapon_view(gfx& g, bool on) {
    g.switches.first_person = on;
}

void gfx_toggle_lamp(gfx& g) {
    g.switches.lamp = !g.switches.lamp;
}

void gfx_lamp_off(gfx& g) {
    g.switches.lamp = false;
}

void gfx_toggle_night_view(gfx& g) {
    g.screen_tint = !g.screen_tint;
}

// The kernel's screenshot command writes the whole screen through the Targa writer.
bool gfx_save_screenshot(gfx& g, file_stream& stream) {
    if (!g.driver) return false;
    screen_image image;
    if (!g.driver->read_screen(0.0f, 0.0f, 1.0f, 1.0f, image)) return false;
    return screen_image_write_tga(image, stream);
}

}  // namespace kv
