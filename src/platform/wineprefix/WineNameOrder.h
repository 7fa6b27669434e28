// Wine's order for key and value names: UTF-16 unit by unit on the lower case
// given by Wine's own case table (l_intl.nls), then the shorter name first.
// It differs from Windows' upper-case order for "[\]^_`", which sort before the
// letters here, and for scripts beyond the common ones.
#pragma once

#include <string_view>

namespace hm::platform {

char16_t wineLowerUnit(char16_t c);
// Negative, zero or positive as `a` sorts before, with or after `b`.
int compareWineNames(std::string_view a, std::string_view b);
inline bool wineNameLess(std::string_view a, std::string_view b) { return compareWineNames(a, b) < 0; }

}  // namespace hm::platform
