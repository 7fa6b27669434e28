// Writing registry values for tests through the registry port.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hm::test {

void SetString(std::int32_t root, std::string_view path, std::string_view name, std::string_view text);
void SetExpandString(std::int32_t root, std::string_view path, std::string_view name, std::string_view text);
void SetDword(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t value);
void SetRaw(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t type, std::string_view data);
void CreateEmptyKey(std::int32_t root, std::string_view path);

}  // namespace hm::test
