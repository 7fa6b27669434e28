// Yielding to the event pump from long work. The pump runs at most every few
// milliseconds, so calling this after every value costs next to nothing while
// the window and the cancel button stay responsive.
#pragma once

namespace hm {

inline constexpr long long kPumpIntervalMs = 4;

void DoEvents();
// Pumps now, whatever the interval (for the end of a step the user waits on).
void DoEventsNow();

}  // namespace hm
