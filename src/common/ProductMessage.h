// Every message box of the program carries the product name as its title.
#pragma once

#include <string_view>

namespace hm {

// Shows the message through the machine's dialogs port; returns the answer.
int ProductMessage(std::string_view text, unsigned flags);

}  // namespace hm
