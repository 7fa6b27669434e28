#include "common/RegistryAccess.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm {

using platform::HKey;
using platform::rootHandle;

namespace {
platform::RegistryPort& reg() { return *platform::machine().registry; }

// Parses a decimal number (optionally signed, with a fraction or exponent, or
// &H hex), allowing blanks around it.
bool parseNumber(std::string_view text, double& out) {
  const std::string t = str::Trim(text);
  if (t.empty()) return false;
  if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h')) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(t.c_str() + 2, &end, 16);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
    // &H literals up to 8 digits are 32-bit patterns.
    out = static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    return true;
  }
  for (char c : t)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
      return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}
}  // namespace

std::string RootKeyName(std::int32_t rootKey) {
  switch (rootKey) {
    case platform::kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case platform::kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case platform::kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    default:
      return {};
  }
}

std::int32_t RootKeyFromName(std::string_view name) {
  if (name == "HKEY_CLASSES_ROOT") return platform::kHkeyClassesRoot;
  if (name == "HKEY_CURRENT_USER") return platform::kHkeyCurrentUser;
  if (name == "HKEY_LOCAL_MACHINE") return platform::kHkeyLocalMachine;
  return 0;
}

bool IsNumeric(std::string_view text) {
  double v = 0;
  return parseNumber(text, v);
}

std::int32_t ToLong(std::string_view text) {
  double v = 0;
  if (!parseNumber(text, v)) Raise(kErrTypeMismatch);
  const double r = std::nearbyint(v);  // the default rounding mode rounds half to even
  if (r < -2147483648.0 || r > 2147483647.0) Raise(kErrOverflow);
  return static_cast<std::int32_t>(r);
}

std::string StringFromRegData(std::string_view bytes) {
  std::string out;
  StringFromRegData(bytes, out);
  return out;
}

void StringFromRegData(std::string_view bytes, std::string& out) {
  // A scan reads every value through here. ASCII text, nearly all of it, is
  // written straight out up to its NUL; anything else is converted whole up
  // to the first NUL unit (the only unit that converts to a NUL byte).
  const std::size_t units = bytes.size() / 2;
  out.resize(units);
  std::size_t i = 0;
  // Several units a step while all are ASCII and none is NUL.
  constexpr std::uint64_t kHighBytes = 0xFF80FF80FF80FF80ull;
  constexpr std::uint64_t kUnitOnes = 0x0001000100010001ull;
  constexpr std::uint64_t kUnitTops = 0x8000800080008000ull;
  const auto pack = [](std::uint64_t w) {
    return static_cast<std::uint32_t>((w & 0xFF) | ((w >> 8) & 0xFF00) | ((w >> 16) & 0xFF0000) |
                                      ((w >> 24) & 0xFF000000));
  };
  // Eight units a step first (most paths are long), then four.
  for (; i + 8 <= units; i += 8) {
    std::uint64_t w[2] = {};
    std::memcpy(w, bytes.data() + 2 * i, 16);
    if (((w[0] | w[1]) & kHighBytes) != 0 || ((w[0] - kUnitOnes) & kUnitTops) != 0 ||
        ((w[1] - kUnitOnes) & kUnitTops) != 0)
      break;
    const std::uint64_t packed = pack(w[0]) | std::uint64_t{pack(w[1])} << 32;
    std::memcpy(out.data() + i, &packed, 8);
  }
  for (; i + 4 <= units; i += 4) {
    std::uint64_t w = 0;
    std::memcpy(&w, bytes.data() + 2 * i, 8);
    // Every unit is below 0x80 here, so subtracting one sets a unit's top bit
    // only when the unit (or one before it) is NUL.
    if ((w & kHighBytes) != 0 || ((w - kUnitOnes) & kUnitTops) != 0) break;
    const std::uint32_t packed = pack(w);
    std::memcpy(out.data() + i, &packed, 4);
  }
  for (; i < units; ++i) {
    const char low = bytes[2 * i];
    if (bytes[2 * i + 1] != '\0' || static_cast<unsigned char>(low) >= 0x80) break;
    if (low == '\0') {
      out.resize(i);
      return;
    }
    out[i] = low;
  }
  if (i == units) return;
  while (i < units && (bytes[2 * i] != '\0' || bytes[2 * i + 1] != '\0')) ++i;
  out = text::fromUtf16Bytes(bytes.substr(0, 2 * i));
}

std::int32_t QueryValueData(HKey key, std::string_view valueName, RegData& value) {
  std::int32_t status = -1;
  try {
    std::uint32_t type = 0, size = 0;
    status = reg().queryValueInfo(key, valueName, type, size);
    if (status != platform::kSuccess) return status;
    platform::RegValue data;
    switch (type) {
      case kRegSz:
        status = reg().queryValue(key, valueName, data);
        value = status == platform::kSuccess ? RegData(StringFromRegData(data.data)) : RegData();
        return status;
      case kRegDword:
        status = reg().queryValue(key, valueName, data);
        if (status == platform::kSuccess) {
          if (data.data.size() < 4) return -1;
          std::uint32_t v = 0;
          std::memcpy(&v, data.data.data(), 4);
          value = static_cast<std::int32_t>(v);
        }
        return status;
      default:
        return -1;
    }
  } catch (...) {
    return status;
  }
}

bool QueryValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName, std::string& value) {
  HKey key = 0;
  try {
    reg().openKey(rootHandle(rootKey), keyPath, platform::kKeyRead, key);
    RegData data;
    const bool ok = QueryValueData(key, valueName, data) == platform::kSuccess;
    if (ok) {
      if (const auto* s = std::get_if<std::string>(&data))
        value = *s;
      else if (const auto* n = std::get_if<std::int32_t>(&data))
        value = std::to_string(*n);
      else
        value.clear();
    }
    reg().closeKey(key);
    return ok;
  } catch (...) {
    LogError("QueryValue");
    if (key != 0) reg().closeKey(key);
    return false;
  }
}

std::int32_t SetValueEx(HKey key, std::string_view valueName, std::uint32_t valueType, std::string_view value) {
  try {
    if (valueType == kRegSz) {
      return reg().setValue(key, valueName, kRegSz, text::toUtf16Bytes(value, true));
    }
    if (valueType == kRegDword) {
      const std::uint32_t v = static_cast<std::uint32_t>(ToLong(value));
      char bytes[4];
      std::memcpy(bytes, &v, 4);
      return reg().setValue(key, valueName, kRegDword, std::string_view(bytes, 4));
    }
    return 0;
  } catch (...) {
    LogError("SetValueEx");
    return 0;
  }
}

void CreateKey(std::int32_t rootKey, std::string_view keyPath) {
  try {
    HKey key = 0;
    reg().createKey(rootHandle(rootKey), keyPath, platform::kKeyAllAccess, key);
    reg().closeKey(key);
  } catch (...) {
    // Failures are absorbed step by step.
  }
}

void SetKeyValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName, std::string_view value,
                 std::uint32_t valueType) {
  HKey key = 0;
  try {
    if (reg().openKey(rootHandle(rootKey), keyPath, platform::kKeyAllAccess, key) != platform::kSuccess) {
      reg().createKey(rootHandle(rootKey), keyPath, platform::kKeyAllAccess, key);
    }
    SetValueEx(key, valueName, valueType, value);
    reg().closeKey(key);
  } catch (...) {
    LogError("SetKeyValue");
    if (key != 0) reg().closeKey(key);
  }
}

void WriteKeyValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName, std::string_view value) {
  HKey key = 0;
  try {
    const bool numeric = IsNumeric(value);
    reg().openKey(rootHandle(rootKey), keyPath, platform::kKeyAllAccess, key);
    if (!numeric) {
      // No terminating NUL: the empty text stores zero bytes.
      reg().setValue(key, valueName, kRegSz, text::toUtf16Bytes(str::Trim(value), false));
    } else {
      const std::uint32_t v = static_cast<std::uint32_t>(ToLong(value));
      char bytes[4];
      std::memcpy(bytes, &v, 4);
      reg().setValue(key, valueName, kRegDword, std::string_view(bytes, 4));
    }
    reg().closeKey(key);
  } catch (...) {
    LogError("WriteKeyValue");
    if (key != 0) reg().closeKey(key);
  }
}

void DeleteValue(std::int32_t rootKey, std::string_view keyPath, std::string_view valueName) {
  HKey key = 0;
  try {
    reg().openKey(rootHandle(rootKey), keyPath, platform::kKeyAllAccess, key);
  } catch (...) {
  }
  try {
    reg().deleteValue(key, valueName);
  } catch (...) {
  }
  try {
    reg().closeKey(key);
  } catch (...) {
  }
}

std::int32_t GetVersion() {
  try {
    return static_cast<std::int32_t>(reg().platformId());
  } catch (...) {
    LogError("GetVersion");
    return 0;
  }
}

}  // namespace hm
