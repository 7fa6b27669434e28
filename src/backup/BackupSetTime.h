// The "Time" of a backup set: read back from the fixed US form repair writes
// ("12/8/2005 3:45:12 PM", or the date alone at midnight) and shown in the
// chooser's two forms.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/System.h"

namespace hm::backup {

// Nothing when the text is not a valid date (and optional time of day).
std::optional<platform::LocalTime> ParseBackupTime(std::string_view text);
// "Dec 08, 2005 at 03:45:12 PM".
std::string FormatChooserDate(const platform::LocalTime& t);
// "20051208154512": sorts in time order as text.
std::string FormatChooserSortKey(const platform::LocalTime& t);

}  // namespace hm::backup
