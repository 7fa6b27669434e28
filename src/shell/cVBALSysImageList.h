// The shell's system image list: file-type icons by index, shared by every
// program (never destroyed here, only forgotten).
#pragma once

#include <cstdint>
#include <string>

namespace hm::shell {

class cVBALSysImageList {
 public:
  ~cVBALSysImageList() { Destroy(); }
  int IconSizeX = 16;
  int IconSizeY = 16;
  bool Create();
  void Destroy() { hIml_ = 0; }
  void Clear() { Create(); }
  std::uintptr_t hIml() const { return hIml_; }
  // A numeric key is the index itself; otherwise the index of the file's
  // type icon (the file is opened only when forced). 0 on failure.
  int ItemIndex(const std::string& key, bool forceLoadFromDisk = false);

 private:
  std::uintptr_t hIml_ = 0;
};

}  // namespace hm::shell
