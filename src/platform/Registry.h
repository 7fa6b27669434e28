// The registry port: the handful of registry calls the logic makes, with the
// Win32 contract (status codes, handles, enumeration by index). Names and
// string data cross this boundary as UTF-8 names and raw value bytes; string
// values are stored as UTF-16LE bytes exactly as Windows keeps them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hm::platform {

// A key handle. The predefined roots are their Win32 handle values.
using HKey = std::uint64_t;

inline constexpr std::int32_t kHkeyClassesRoot = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::int32_t kHkeyLocalMachine = static_cast<std::int32_t>(0x80000002u);

// A root key held as its signed 32-bit handle value becomes a handle.
inline HKey rootHandle(std::int32_t root) { return static_cast<std::uint32_t>(root); }
inline bool isPredefinedRoot(HKey key) { return key >= 0x80000000u && key <= 0x80000006u; }

enum ValueType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// Win32 status codes the logic looks at.
enum Status : std::int32_t {
  kSuccess = 0,
  kFileNotFound = 2,
  kAccessDenied = 5,
  kInvalidHandle = 6,
  kInvalidParameter = 87,
  kMoreData = 234,
  kNoMoreItems = 259,
};

inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// The value a symbolic-link key holds its target in.
inline constexpr std::string_view kSymbolicLinkValue = "SymbolicLinkValue";

struct RegValue {
  std::uint32_t type = kRegNone;
  std::string data;  // the raw bytes
};

class RegistryPort {
 public:
  virtual ~RegistryPort() = default;

  // Opens an existing key below `parent` (a root or an open key). On failure
  // `result` is 0 and the status is non-zero.
  virtual std::int32_t openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) = 0;
  // Opens a key as openKey does, except that when the last key of the path is
  // a symbolic link the handle is the link key itself (REG_OPTION_OPEN_LINK):
  // its one value, "SymbolicLinkValue" of type kRegLink, names the target.
  // A port without links opens the key.
  virtual std::int32_t openKeyNoFollow(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) {
    return openKey(parent, subKey, access, result);
  }
  // Opens the key, creating every missing key along the path.
  virtual std::int32_t createKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) = 0;
  // Closing 0, a root or an already closed handle does no harm.
  virtual std::int32_t closeKey(HKey key) = 0;

  // The subkey at a zero-based index. `nameCapacity` counts UTF-16 units
  // including the terminating NUL: a longer name gives kMoreData.
  virtual std::int32_t enumKey(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity) = 0;
  // The value at a zero-based index; `value` may be null when only the name is
  // wanted. Data longer than `dataCapacity` bytes gives kMoreData.
  virtual std::int32_t enumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity,
                                 RegValue* value, std::uint32_t dataCapacity) = 0;

  // Type and size in bytes of a value ("" is the default value).
  virtual std::int32_t queryValueInfo(HKey key, std::string_view name, std::uint32_t& type, std::uint32_t& size) = 0;
  // Type and data of a value.
  virtual std::int32_t queryValue(HKey key, std::string_view name, RegValue& value) = 0;
  // Stores exactly the bytes and type given.
  virtual std::int32_t setValue(HKey key, std::string_view name, std::uint32_t type, std::string_view data) = 0;
  virtual std::int32_t deleteValue(HKey key, std::string_view name) = 0;
  // Deletes one key below `parent` (links followed); a key that still has
  // subkeys is refused and left whole, a missing one gives kFileNotFound.
  virtual std::int32_t deleteKey(HKey parent, std::string_view subKey) = 0;

  // The platform identifier of the version record: 2 for the NT family.
  virtual std::uint32_t platformId() = 0;
};

}  // namespace hm::platform
