// The registry port on the real Windows API (wide entry points).
#pragma once

#include "platform/Registry.h"

namespace hm::platform::win32 {

class Win32Registry : public RegistryPort {
 public:
  std::int32_t openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
  std::int32_t openKeyNoFollow(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
  std::int32_t createKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
  std::int32_t closeKey(HKey key) override;
  std::int32_t enumKey(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity) override;
  std::int32_t enumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity, RegValue* value,
                         std::uint32_t dataCapacity) override;
  std::int32_t queryValueInfo(HKey key, std::string_view name, std::uint32_t& type, std::uint32_t& size) override;
  std::int32_t queryValue(HKey key, std::string_view name, RegValue& value) override;
  std::int32_t setValue(HKey key, std::string_view name, std::uint32_t type, std::string_view data) override;
  std::int32_t deleteValue(HKey key, std::string_view name) override;
  std::int32_t deleteKey(HKey parent, std::string_view subKey) override;
  std::uint32_t platformId() override;
};

}  // namespace hm::platform::win32
