#include "backup/RestoreRecord.h"

#include "common/ErrorLog.h"
#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm::backup {
namespace {

using platform::HKey;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The record's root; only the three roots a scan walks are accepted, since
// any other number would be used as an open key handle.
std::int32_t recordRoot(std::string_view mainKey) {
  const std::int32_t root = ToLong(mainKey);
  if (root != platform::kHkeyClassesRoot && root != platform::kHkeyCurrentUser && root != platform::kHkeyLocalMachine)
    Raise(kErrInvalidCall, "\"" + std::string(mainKey) + "\" is not a registry root");
  return root;
}

std::string valueNameOf(const RegistryRecord& r) { return r.KeyName == kDefaultValueName ? std::string() : r.KeyName; }

std::uint32_t parseValueType(std::string_view text) {
  if (text.empty() || text.size() > 10) Raise(kErrTypeMismatch, "unreadable ValueType \"" + std::string(text) + "\"");
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') Raise(kErrTypeMismatch, "unreadable ValueType \"" + std::string(text) + "\"");
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v > 0xFFFFFFFFu) Raise(kErrOverflow, "unreadable ValueType \"" + std::string(text) + "\"");
  return static_cast<std::uint32_t>(v);
}

// True when the value holds exactly `type` and `bytes`.
bool valueHolds(std::int32_t root, std::string_view keyPath, std::string_view name, std::uint32_t type,
                std::string_view bytes) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  if (reg.openKey(platform::rootHandle(root), keyPath, platform::kKeyRead, key) != platform::kSuccess) return false;
  platform::RegValue back;
  const bool same = reg.queryValue(key, name, back) == platform::kSuccess && back.type == type && back.data == bytes;
  reg.closeKey(key);
  return same;
}

bool valueAbsent(std::int32_t root, std::string_view keyPath, std::string_view name) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  if (reg.openKey(platform::rootHandle(root), keyPath, platform::kKeyRead, key) != platform::kSuccess) return true;
  std::uint32_t type = 0, size = 0;
  const bool absent = reg.queryValueInfo(key, name, type, size) == platform::kFileNotFound;
  reg.closeKey(key);
  return absent;
}

bool writeRaw(std::int32_t root, std::string_view keyPath, std::string_view name, std::uint32_t type,
              std::string_view bytes) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  if (reg.createKey(platform::rootHandle(root), keyPath, platform::kKeyAllAccess, key) != platform::kSuccess)
    return false;
  const std::int32_t status = reg.setValue(key, name, type, bytes);
  reg.closeKey(key);
  return status == platform::kSuccess && valueHolds(root, keyPath, name, type, bytes);
}

bool deleteAgain(std::int32_t root, std::string_view keyPath, std::string_view name) {
  DeleteValue(root, keyPath, name);
  return valueAbsent(root, keyPath, name);
}

}  // namespace

std::optional<std::string> DecodeHexBytes(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = hexDigit(hex[i]), low = hexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::optional<std::string> RecordedValueIdentity(const RegistryRecord& r) {
  std::int32_t root = 0;
  try {
    root = recordRoot(r.MainKey);
  } catch (const Failure&) {
    return std::nullopt;
  }
  // The classes root shows the machine's classes key: both spellings are one value.
  std::string where = root == platform::kHkeyClassesRoot    ? "HKLM\\SOFTWARE\\Classes\\" + r.FullKeyPath
                      : root == platform::kHkeyLocalMachine ? "HKLM\\" + r.FullKeyPath
                                                            : "HKCU\\" + r.FullKeyPath;
  return text::toUpper(where) + '\0' + text::toUpper(valueNameOf(r));
}

bool RestoreRegistryRecord(const RegistryRecord& r, bool setCarriesRawValues) {
  if (r.Unreadable) Raise(kErrInvalidCall, *r.Unreadable);
  const std::int32_t root = recordRoot(r.MainKey);
  const std::string name = valueNameOf(r);
  const bool isDefault = r.KeyName == kDefaultValueName;

  if (r.ValueType || r.ValueData) {
    if (!r.ValueType) Raise(kErrInvalidCall, "the record holds ValueData without ValueType");
    const std::uint32_t type = parseValueType(*r.ValueType);
    // Empty data has no ValueData line: the INI writer drops a key whose value is empty.
    const auto bytes = DecodeHexBytes(r.ValueData.value_or(std::string()));
    if (!bytes) Raise(kErrInvalidCall, "unreadable ValueData");
    return writeRaw(root, r.FullKeyPath, name, type, *bytes);
  }
  // A default value recorded as not set, or as its key's path (an empty file
  // extension key), was absent: repair's empty string goes again.
  if (isDefault && (setCarriesRawValues || r.KeyValue == kValueNotSet || r.KeyValue == r.FullKeyPath))
    return deleteAgain(root, r.FullKeyPath, name);
  // A named value the repair found missing: it had nothing to remove, so there is nothing to put back.
  if (setCarriesRawValues) return true;

  SetKeyValue(root, r.FullKeyPath, name, r.KeyValue, kRegSz);
  return valueHolds(root, r.FullKeyPath, name, kRegSz, text::toUtf16Bytes(r.KeyValue, true));
}

}  // namespace hm::backup
