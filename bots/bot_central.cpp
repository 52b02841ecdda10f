// The bot host's start, module discovery, binding and unloading.

#include "bots/bot_central.h"

#include "kernel/log.h"
#include "platform/dir_search.h"

namespace kv {

namespace {

using u32_export = uint32_t (*)();
using text_export = const char* (*)();
using initialize_export = void (*)(const kvbot_engine_table*);
using interface_export = void (*)(kvbot_module_table*);

template <typename F>
F export_of(const bot_module& m, const char* name) {
    return reinterpret_cast<F>(dll_get_proc(m.library, name));
}

uint32_t major_of(const bot_module& m) {
    return (m.version >> 8) & 0xFF;
}
uint32_t minor_of(const bot_module& m) {
    return m.version & 0xFF;
}

// Deinitialises a module whose Initialize ran, then releases the library.
void unload(bot_module& m) {
    if (m.initialised && m.deinitialize) m.deinitialize();
    m.initialised = false;
    dll_free(m.library);
}

bool bind(BotCentral& bots, bot_module& m) {
    if (!dll_load(m.library)) return false;
    const auto interface_version = export_of<u32_export>(m, "GetInterfaceVersion");
    if (!interface_version) return false;
    m.interface_version = interface_version();

    const auto name = export_of<text_export>(m, "GetModuleName");
    const auto version = export_of<u32_export>(m, "GetModuleVersion");
    const auto id = export_of<u32_export>(m, "GetModuleID");
    const auto description = export_of<text_export>(m, "GetModuleDescription");
    const auto copyright = export_of<text_export>(m, "GetModuleCopyright");
    const auto author = export_of<text_export>(m, "GetModuleAuthor");
    const auto url = export_of<text_export>(m, "GetModuleURL");
    const auto family = export_of<text_export>(m, "GetModuleFamily");
    // The texts are copied: no line about the module ever reads a released library.
    const auto text = [](text_export f) {
        const char* t = f();
        return std::string(t ? t : "");
    };
    if (!name) return false;
    m.name = text(name);
    if (!version) return false;
    m.version = version();
    if (!id) return false;
    m.module_id = id();
    if (!description) return false;
    m.description = text(description);
    if (!copyright) return false;
    m.copyright = text(copyright);
    if (!author) return false;
    m.author = text(author);
    if (!url) return false;
    m.url = text(url);
    if (!family) return false;
    m.family = text(family);

    const auto initialize = export_of<initialize_export>(m, "Initialize");
    m.deinitialize = export_of<kvbot_void_fn>(m, "Deinitialize");
    const auto get_interface = export_of<interface_export>(m, "GetModuleInterface");
    if (!initialize) return false;
    initialize(&bots.engine);
    m.initialised = true;
    if (!get_interface) return false;
    m.table = kvbot_module_table{};
    get_interface(&m.table);
    return true;
}

void discover(BotCentral& bots, const std::string& directory) {
    bots.directory = directory;
    std::vector<std::string> files;
    for (std::string f = sys_find_first_file(directory + "/*.kvb"); !f.empty(); f = sys_find_next_file())
        files.push_back(f);
    sys_find_close();
    for (const std::string& file : files) {
        if (bots.modules.size() >= kBotMaxModules) break;
        auto m = std::make_unique<bot_module>(directory + "/" + file);
        if (bind(bots, *m)) {
            bots.modules.push_back(std::move(m));
        } else {
            unload(*m);
        }
    }
}

void remove_module(BotCentral& bots, std::size_t index) {
    unload(*bots.modules[index]);
    bots.modules.erase(bots.modules.begin() + static_cast<std::ptrdiff_t>(index));
}

// Drops modules of another interface version and all but the last of modules sharing an ID.
void check_modules(BotCentral& bots) {
    bool again = true;
    while (again) {
        again = false;
        for (std::size_t i = 0; i < bots.modules.size() && !again; ++i) {
            const bot_module& m = *bots.modules[i];
            if ((m.interface_version & 0xFFFF) != KVBOT_INTERFACE_VERSION) {
                log_write(
                    "[botc] UNLOADING: %s(v%02u.%02u) [%s] implements bad interface version %03u, engine "
                    "interface is %03u, please get latest bot version and engine patch.\n",
                    m.name.c_str(), major_of(m), minor_of(m), m.library.name.c_str(),
                    m.interface_version & 0xFFFF, KVBOT_INTERFACE_VERSION);
                remove_module(bots, i);
                again = true;
                break;
            }
            for (std::size_t j = 0; j < bots.modules.size(); ++j) {
                const bot_module& other = *bots.modules[j];
                if (j == i || other.module_id != m.module_id) continue;
                log_write(
                    "[botc] UNLOADING: %s(v%02u.%02u) [%s] conflicts with %s(v%02u.%02u) [%s] [have same "
                    "module ID]\n",
                    m.name.c_str(), major_of(m), minor_of(m), m.library.name.c_str(), other.name.c_str(),
                    major_of(other), minor_of(other), other.library.name.c_str());
                remove_module(bots, i);
                again = true;
                break;
            }
        }
    }
}

}  // namespace

BotCentral::~BotCentral() {
    botc_unload_modules(*this);
    botc_forget_engine_table(*this);
}

void botc_unload_modules(BotCentral& bots) {
    bots.bots.clear();
    for (auto& m : bots.modules) unload(*m);
    bots.modules.clear();
    bots.ready = 0;
}

void botc_start(BotCentral& bots, const std::string& directory) {
    log_write("[botc] starting BotCentral\n");
    botc_fill_engine_table(bots);
    botc_destroy_all_bots(bots);
    log_write("[botc] searching for bot modules ...\n");
    discover(bots, directory);
    log_write("[botc] %d modules found\n", static_cast<int>(bots.modules.size()));
    check_modules(bots);
    int number = 1;
    for (const auto& m : bots.modules) {
        log_write("[botc] %02d. %s(v%02u.%02u) [%s], %s, %s, %s, %s\n", number++, m->name.c_str(),
                  major_of(*m), minor_of(*m), m->library.name.c_str(), m->description.c_str(),
                  m->copyright.c_str(), m->author.c_str(), m->url.c_str());
    }
    log_write("[botc] searching for bot configs ...\n");
    botc_read_configs(bots, directory);
    log_write("[botc] %d configs found\n", static_cast<int>(bots.configs.size()));
    bots.ready = !bots.configs.empty() && !bots.modules.empty() ? 1 : 0;
}

void botc_end(BotCentral& bots) {
    log_write("[botc] ending BotCentral\n");
    botc_destroy_all_bots(bots);
}

void botc_enable(BotCentral& bots, bool enabled) {
    bots.enabled = enabled ? 1 : 0;
}

void botc_set_default_config(BotCentral& bots, const std::string& name) {
    bots.default_config = name;
}

int32_t botc_read_configs(BotCentral& bots, const std::string& directory) {
    bots.configs.clear();
    for (std::string f = sys_find_first_file(directory + "/*.cfg"); !f.empty(); f = sys_find_next_file())
        bots.configs.push_back(f.size() >= 4 ? f.substr(0, f.size() - 4) : std::string());
    sys_find_close();
    return bots.configs.empty() ? 3 : 0;
}

}  // namespace kv
