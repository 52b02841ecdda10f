#include "kernel/option_registry.h"

#include "data/file_stream.h"
#include "kernel/log.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kNotAvailable = "<N/A>";
constexpr std::size_t kMaxCountedString = 32767;
constexpr char kKindOrder[] = {'B', 'I', 'F', 'S'};

const option_binding* find_first(const option_registry& registry, const std::string& name) {
    for (char kind : kKindOrder) {
        auto it = registry.bindings.find(kind + name);
        if (it != registry.bindings.end()) return &it->second;
    }
    return nullptr;
}

void set_binding_text(const option_binding& binding, const std::string& text) {
    if (bool* const* b = std::get_if<bool*>(&binding)) {
        **b = option_bool_from_text(text);
    } else if (int32_t* const* i = std::get_if<int32_t*>(&binding)) {
        **i = option_int_from_text(text);
    } else if (float* const* f = std::get_if<float*>(&binding)) {
        **f = option_float_from_text(text);
    } else {
        *std::get<std::string*>(binding) = text;
    }
}

void bind(option_registry& registry, char kind, const std::string& name, option_binding variable) {
    registry.bindings[kind + name] = variable;
    // What was kept for the name is the stored setting: the new variable takes it.
    std::erase_if(registry.kept, [&](const option_record& record) {
        if (record.name != name) return false;
        set_binding_text(variable, record.value);
        return true;
    });
}

}  // namespace

void option_registry_add_bool(option_registry& registry, const std::string& name, bool* variable) {
    bind(registry, 'B', name, variable);
}

void option_registry_add_int(option_registry& registry, const std::string& name, int32_t* variable) {
    bind(registry, 'I', name, variable);
}

void option_registry_add_float(option_registry& registry, const std::string& name, float* variable) {
    bind(registry, 'F', name, variable);
}

void option_registry_add_string(option_registry& registry, const std::string& name, std::string* variable) {
    bind(registry, 'S', name, variable);
}

bool option_registry_set_text(option_registry& registry, const std::string& name, const std::string& text) {
    const option_binding* binding = find_first(registry, name);
    if (!binding) return false;
    set_binding_text(*binding, text);
    return true;
}

bool option_registry_set_or_keep(option_registry& registry, const std::string& name,
                                 const std::string& text) {
    if (option_registry_set_text(registry, name, text)) return true;
    bool replaced = false;
    for (option_record& record : registry.kept) {
        if (record.name != name) continue;
        record.value = text;
        replaced = true;
    }
    if (!replaced) registry.kept.push_back({name, text});
    return false;
}

std::string option_registry_get_text(const option_registry& registry, const std::string& name) {
    const option_binding* binding = find_first(registry, name);
    if (!binding) return kNotAvailable;
    if (bool* const* b = std::get_if<bool*>(binding)) return option_text_from_bool(**b);
    if (int32_t* const* i = std::get_if<int32_t*>(binding)) return option_text_from_int(**i);
    if (float* const* f = std::get_if<float*>(binding)) return option_text_from_float(**f);
    return *std::get<std::string*>(*binding);
}

std::vector<option_record> option_registry_records(const option_registry& registry) {
    std::vector<option_record> records;
    records.reserve(registry.bindings.size() + registry.kept.size());
    for (const auto& [key, binding] : registry.bindings) {
        const std::string name = key.substr(1);
        std::string value = option_registry_get_text(registry, name);
        // Counted strings hold at most kMaxCountedString bytes.
        if (value.size() > kMaxCountedString) value.resize(kMaxCountedString);
        records.push_back({name, std::move(value)});
    }
    records.insert(records.end(), registry.kept.begin(), registry.kept.end());
    return records;
}

bool option_registry_save_wanted(const option_registry& registry) {
    return !registry.bindings.empty() || !registry.kept.empty();
}

void load_options(option_registry& registry, const std::string& path) {
    // What an earlier load kept is replaced by this file's settings.
    registry.kept.clear();
    file_stream stream;
    // A first run has no options file.
    if (!file_stream_open(stream, path, kFileRead)) return;
    registry.loaded = true;
    const int32_t count = static_cast<int32_t>(file_stream_read_u32(stream));
    if (!stream.ok) {
        log_write("Warning: options file `%s' is damaged, no settings read.\n", path.c_str());
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        std::string name;
        std::string value;
        if (!file_stream_read_string(stream, name) || !file_stream_read_string(stream, value)) {
            log_write("Warning: options file `%s' is damaged after %d of %d settings, the rest ignored.\n",
                      path.c_str(), i, count);
            return;
        }
        if (option_registry_set_text(registry, name, value)) continue;
        // Its owner may be absent from this run: the setting is kept for the next save.
        registry.kept.push_back({name, value});
        if (registry.unknown_reported.insert(name).second)
            log_write("Warning: Unknown option `%s', ignored.\n", log_printable(name).c_str());
    }
}

namespace {

// False when the file could not be written whole.
bool write_options(const option_registry& registry, file_stream& stream) {
    const std::vector<option_record> records = option_registry_records(registry);
    bool written = file_stream_write_u32(stream, static_cast<uint32_t>(records.size()));
    for (const option_record& record : records) {
        written = written && file_stream_write_string(stream, record.name) &&
                  file_stream_write_string(stream, record.value);
    }
    return written;
}

}  // namespace

void save_options(const option_registry& registry, const std::string& path) {
    if (!option_registry_save_wanted(registry)) return;
    // Written as a new file beside the old one and put in its place when complete: the old settings
    // stay whole until then, a linked options file stays linked, and its permissions are kept.
    file_stream stream;
    const bool saved = file_stream_open_replacement(stream, path) && write_options(registry, stream) &&
                       file_stream_commit(stream);
    if (!saved) log_write("Warning: couldn't write to options file, settings not stored.\n");
}

std::string option_text_from_bool(bool value) {
    return value ? "true" : "false";
}

std::string option_text_from_int(int32_t value) {
    return str_format("%d", value);
}

std::string option_text_from_float(float value) {
    return str_format("%g", static_cast<double>(value));
}

bool option_bool_from_text(const std::string& text) {
    return text == "true";
}

int32_t option_int_from_text(const std::string& text) {
    return str_to_int(text);
}

float option_float_from_text(const std::string& text) {
    return str_to_float(text);
}

}  // namespace kv
