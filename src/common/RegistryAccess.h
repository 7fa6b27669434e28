// The registry access layer: read, write and delete single values through
// the registry port. Every call opens its key, does one job and closes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/Registry.h"

namespace hm {

using platform::kRegBinary;
using platform::kRegDword;
using platform::kRegExpandSz;
using platform::kRegMultiSz;
using platform::kRegSz;

// Empty, text or a 32-bit integer, as a value is read.
using RegData = std::variant<std::monostate, std::string, std::int32_t>;

// The root key's name for its handle value, "" for anything else.
std::string RootKeyName(std::int32_t rootKey);
// The handle value for a root key's name ("HKEY_LOCAL_MACHINE"...), 0 when unknown.
std::int32_t RootKeyFromName(std::string_view name);

bool QueryValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName, std::string& value);
std::int32_t QueryValueData(platform::HKey key, std::string_view valueName, RegData& value);
void SetKeyValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName, std::string_view value,
                 std::uint32_t valueType);
std::int32_t SetValueEx(platform::HKey key, std::string_view valueName, std::uint32_t valueType,
                        std::string_view value);
void CreateKey(std::int32_t rootKey, std::string_view keyPath);
void WriteKeyValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName, std::string_view value);
void DeleteValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName);
std::int32_t GetVersion();

// Text conversions with the program's rules: a number is text that converts
// to a number ("" does not); the 32-bit conversion rounds half to even and
// raises an overflow beyond the 32-bit range.
bool IsNumeric(std::string_view text);
std::int32_t ToLong(std::string_view text);

// The text of kRegSz data (UTF-16LE bytes), cut at the first NUL.
std::string StringFromRegData(std::string_view bytes);
// The same into `out`, whose buffer it reuses.
void StringFromRegData(std::string_view bytes, std::string& out);

}  // namespace hm
