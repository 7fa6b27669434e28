#include "shell/cVBALSysImageList.h"

#include <limits>

#include "common/RegistryAccess.h"
#include "platform/Machine.h"

namespace hm::shell {

bool cVBALSysImageList::Create() {
  Destroy();
  try {
    const std::uintptr_t h = platform::shell().systemImageList(IconSizeX < 32);
    if (h == 0 || h == std::numeric_limits<std::uintptr_t>::max()) return false;
    hIml_ = h;
    return true;
  } catch (...) {
    return false;
  }
}

int cVBALSysImageList::ItemIndex(const std::string& key, bool forceLoadFromDisk) {
  try {
    if (IsNumeric(key)) return ToLong(key);
    const int index = platform::shell().fileIconIndex(key, IconSizeX < 32, forceLoadFromDisk);
    return index < 0 ? 0 : index;
  } catch (...) {
    return 0;
  }
}

}  // namespace hm::shell
