#include "kernel/option_registry.h"

#include "kernel/log.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kNotAvailable = "<N/A>";
constexpr char kKindOrder[] = {'B', 'I', 'F', 'S'};

const option_binding* find_first(const option_registry& registry, const std::string& name) {
    for (char kind : kKindOrder) {
        auto it = registry.bindings.find(kind + name);
        if (it != registry.bindings.end()) return &it->second;
    }
    return nullptr;
}

}  // namespace

void option_registry_add_bool(option_registry& registry, const std::string& name, bool* variable) {
    registry.bindings["B" + name] = variable;
}

void option_registry_add_int(option_registry& registry, const std::string& name, int32_t* variable) {
    registry.bindings["I" + name] = variable;
}

void option_registry_add_float(option_registry& registry, const std::string& name, float* variable) {
    registry.bindings["F" + name] = variable;
}

void option_registry_add_string(option_registry& registry, const std::string& name, std::string* variable) {
    registry.bindings["S" + name] = variable;
}

bool option_registry_set_text(option_registry& registry, const std::string& name, const std::string& text) {
    const option_binding* binding = find_first(registry, name);
    if (!binding) return false;
    if (bool* const* b = std::get_if<bool*>(binding)) {
        **b = option_bool_from_text(text);
    } else if (int32_t* const* i = std::get_if<int32_t*>(binding)) {
        **i = option_int_from_text(text);
    } else if (float* const* f = std::get_if<float*>(binding)) {
        **f = option_float_from_text(text);
    } else {
        *std::get<std::string*>(*binding) = text;
    }
    return true;
}

std::string option_registry_get_text(const option_registry& registry, const std::string& name) {
    const option_binding* binding = find_first(registry, name);
    if (!binding) return kNotAvailable;
    if (bool* const* b = std::get_if<bool*>(binding)) return option_text_from_bool(**b);
    if (int32_t* const* i = std::get_if<int32_t*>(binding)) return option_text_from_int(**i);
    if (float* const* f = std::get_if<float*>(binding)) return option_text_from_float(**f);
    return *std::get<std::string*>(*binding);
}

bool option_registry_save_wanted(const option_registry& registry) {
    return !registry.bindings.empty();
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
