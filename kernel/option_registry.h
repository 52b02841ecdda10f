#pragma once
// Named settings bound to variables that other objects own (renderer switches, mouse sensitivity,
// volume, profile and server names, the log level), and the binary options file "options-c" that
// stores them between runs. The registry converts between text and the bound variables; it never
// owns them.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace kv {

inline constexpr const char* kOptionsFileName = "options-c";

// The address of a bound variable; the alternative matches the key's kind letter.
using option_binding = std::variant<bool*, int32_t*, float*, std::string*>;

// One setting as the options file stores it: the name, without kind letter, and the value's text.
struct option_record {
    std::string name;
    std::string value;
};

struct option_registry {
    // Key: kind letter ('B', 'F', 'I', 'S') followed by the name; ordered byte by byte.
    std::map<std::string, option_binding> bindings;
    // Settings whose owner has not bound them in this run (its subsystem is absent, or binds later),
    // in the order they came: they are saved as they are, after the bound ones, so no setting is
    // lost, and a later binding of the name takes the kept value.
    std::vector<option_record> kept;
    // Names already reported as unknown in this run.
    std::set<std::string> unknown_reported;
    // Set once `load_options` has read an options file.
    bool loaded = false;
};

// Binding a key that exists already points it at the new variable. Kept settings of the name are
// converted into the variable, in their order, and are no longer kept.
void option_registry_add_bool(option_registry& registry, const std::string& name, bool* variable);
void option_registry_add_int(option_registry& registry, const std::string& name, int32_t* variable);
void option_registry_add_float(option_registry& registry, const std::string& name, float* variable);
void option_registry_add_string(option_registry& registry, const std::string& name, std::string* variable);

// The bare-name operations use the first kind bound under the name, in the order B, I, F, S.
// False when the name is bound under no kind.
bool option_registry_set_text(option_registry& registry, const std::string& name, const std::string& text);
// As `option_registry_set_text`; when the name is bound under no kind, the text is kept for the
// name's owner instead (replacing what was kept for it) and the result is false.
bool option_registry_set_or_keep(option_registry& registry, const std::string& name, const std::string& text);
// "<N/A>" when the name is bound under no kind.
std::string option_registry_get_text(const option_registry& registry, const std::string& name);

// The records a save writes: every binding in key order, then the kept settings in their order.
std::vector<option_record> option_registry_records(const option_registry& registry);

// Whether a save would store anything: an options file is never replaced by an empty registry
// (the early shutdown paths save before any owner has bound its options).
bool option_registry_save_wanted(const option_registry& registry);

// Reads "options-c" into the bound variables. A missing file is a first run and says nothing;
// a record of an unknown name is kept (in place of what an earlier load kept), with a warning once
// per name; a damaged file applies the records before the damage.
void load_options(option_registry& registry, const std::string& path);
// Writes the records of `option_registry_records`. The file is written beside the old one and then renamed
// over it, so a failed save leaves the previous settings whole. Nothing is written without bindings.
void save_options(const option_registry& registry, const std::string& path);

// The text forms, in the "C" locale whatever the user's locale.
std::string option_text_from_bool(bool value);
std::string option_text_from_int(int32_t value);
std::string option_text_from_float(float value);
bool option_bool_from_text(const std::string& text);
int32_t option_int_from_text(const std::string& text);
float option_float_from_text(const std::string& text);

}  // namespace kv
