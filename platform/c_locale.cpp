#include "platform/c_locale.h"

#include <locale.h>

namespace kv {
namespace {

locale_t c_locale() {
    // Made once and kept for the life of the process.
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

c_locale_scope::c_locale_scope() {
    if (const locale_t locale = c_locale()) previous_ = uselocale(locale);
}

c_locale_scope::~c_locale_scope() {
    if (previous_) uselocale(static_cast<locale_t>(previous_));
}

}  // namespace kv
