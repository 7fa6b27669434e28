#include "support/RegistrySeed.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm::test {

void SetRaw(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t type,
            std::string_view data) {
  auto& reg = *platform::machine().registry;
  platform::HKey k = 0;
  ASSERT_EQ(reg.createKey(platform::rootHandle(root), path, platform::kKeyAllAccess, k), 0) << path;
  EXPECT_EQ(reg.setValue(k, name, type, data), 0) << path << " " << name;
  reg.closeKey(k);
}

void SetString(std::int32_t root, std::string_view path, std::string_view name, std::string_view text) {
  SetRaw(root, path, name, platform::kRegSz, text::toUtf16Bytes(text, true));
}

void SetExpandString(std::int32_t root, std::string_view path, std::string_view name, std::string_view text) {
  SetRaw(root, path, name, platform::kRegExpandSz, text::toUtf16Bytes(text, true));
}

void SetDword(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  SetRaw(root, path, name, platform::kRegDword, std::string_view(bytes, 4));
}

void CreateEmptyKey(std::int32_t root, std::string_view path) {
  auto& reg = *platform::machine().registry;
  platform::HKey k = 0;
  ASSERT_EQ(reg.createKey(platform::rootHandle(root), path, platform::kKeyAllAccess, k), 0);
  reg.closeKey(k);
}

}  // namespace hm::test
