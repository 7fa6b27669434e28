#include "common/ProductMessage.h"

#include "common/Globals.h"
#include "platform/Machine.h"

namespace hm {

int ProductMessage(std::string_view text, unsigned flags) {
  return platform::machine().dialogs->messageBox(text, kProductName, flags);
}

}  // namespace hm
