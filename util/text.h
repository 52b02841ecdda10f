#pragma once
// Text helpers: printf-style formatting, field splitting and "C"-locale number parsing.

#include <cstdarg>
#include <string>
#include <string_view>

namespace kv {

// printf-style formatting in the "C" locale. The whole text is returned, however long: a cut
// path or name would silently point somewhere else.
std::string str_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string str_vformat(const char* format, va_list args);

// The index-th field (from 0) of `text` split at `separator`. Two separators in a row make an empty
// field; a separator as the very first character does not split. When the text has fewer fields, the
// last field; a negative index gives the empty text.
std::string str_field(std::string_view text, int index, char separator);
// The same, but the empty text when the text has fewer fields than the index asks for.
std::string str_field_or_empty(std::string_view text, int index, char separator);
// The same as str_field, except that separators between double quotes do not split and the field's
// enclosing double quotes are dropped.
std::string str_field_quoted(std::string_view text, int index, char separator);

// Like C's atoi: leading blanks, an optional sign, then digits up to the first non-digit; 0 without
// digits. Values beyond the int range clamp to it.
int str_to_int(std::string_view text);
// Like C's atof, always with '.' as the decimal point. Values beyond the float range become infinite,
// values too small for it 0.
float str_to_float(std::string_view text);

}  // namespace kv
