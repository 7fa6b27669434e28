// The registry port's contract, run against the in-memory registry on Linux
// and against the real API under wine (in a scratch key).
#include <gtest/gtest.h>

#include <set>

#include "platform/Machine.h"
#include "platform/Text.h"
#include "support/TestMachine.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/Wide.h"
#else
#include "platform/memory/MemoryRegistry.h"
#endif

namespace hm {
namespace {

using namespace platform;

// A symbolic-link key made for a test (the port cannot make one) and, under
// wine, removed after it: deleting by name would follow the link.
class LinkKey {
 public:
#ifdef _WIN32
  using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);
  static FARPROC ntdll(const char* name) { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name); }
  static HKEY hkey(HKey key) { return reinterpret_cast<HKEY>(static_cast<UINT_PTR>(key)); }

  // The native name of an open key ("\REGISTRY\USER\S-1-5-...\...").
  static std::string nativeName(HKey key) {
    const auto query = reinterpret_cast<NtQueryKeyFn>(reinterpret_cast<void*>(ntdll("NtQueryKey")));
    std::vector<ULONG> buffer(2048);
    ULONG got = 0;
    if (query == nullptr || query(hkey(key), 3 /* KeyNameInformation */, buffer.data(),
                                  static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &got) != 0)
      return {};
    return win32::narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(&buffer[1]), buffer[0] / 2));
  }
  LinkKey(HKey parent, const std::string& name, const std::string& target) {
    if (RegCreateKeyExW(hkey(parent), win32::wide(name).c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link_, nullptr) != ERROR_SUCCESS)
      return;
    const std::wstring t = win32::wide(target);
    RegSetValueExW(link_, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(t.data()),
                   static_cast<DWORD>(t.size() * sizeof(wchar_t)));
  }
  ~LinkKey() {
    if (link_ == nullptr) return;
    reinterpret_cast<NtDeleteKeyFn>(reinterpret_cast<void*>(ntdll("NtDeleteKey")))(link_);
    RegCloseKey(link_);
  }

 private:
  HKEY link_ = nullptr;
#else
  static std::string nativeName(HKey key) {
    RegistryKey* k = dynamic_cast<MemoryRegistry&>(*machine().registry).findKey(key, "");
    return k == nullptr ? std::string() : "\\Registry\\Machine\\" + k->path();
  }
  LinkKey(HKey parent, const std::string& name, const std::string& target) {
    RegistryKey& link = dynamic_cast<MemoryRegistry&>(*machine().registry).findKey(parent, "")->ensureSubkey(name);
    link.isLink = true;
    link.setValue(std::string(kSymbolicLinkValue), kRegLink, text::toUtf16Bytes(target, false));
  }
#endif
  LinkKey(const LinkKey&) = delete;
  LinkKey& operator=(const LinkKey&) = delete;
};

class RegistryPortContract : public ::testing::Test {
 protected:
  RegistryPort& reg() { return *machine().registry; }
  HKey create(std::string_view path) {
    HKey k = 0;
    EXPECT_EQ(reg().createKey(rootHandle(kHkeyCurrentUser), path, kKeyAllAccess, k), kSuccess) << path;
    return k;
  }
  test::TestMachine m_;
};

TEST_F(RegistryPortContract, OpenAndCreate) {
  HKey k = 123;
  EXPECT_NE(reg().openKey(rootHandle(kHkeyCurrentUser), "Software\\Contract\\Missing", kKeyRead, k), kSuccess);
  EXPECT_EQ(k, 0u);
  const HKey deep = create("Software\\Contract\\A\\B\\C");
  reg().closeKey(deep);
  EXPECT_EQ(reg().openKey(rootHandle(kHkeyCurrentUser), "software\\CONTRACT\\a\\b", kKeyAllAccess, k), kSuccess);
  EXPECT_EQ(reg().setValue(k, "kept", kRegDword, std::string("\1\0\0\0", 4)), kSuccess);
  reg().closeKey(k);
  // Creating an existing key leaves it as it was.
  k = create("Software\\Contract\\A\\B");
  RegValue v;
  EXPECT_EQ(reg().queryValue(k, "kept", v), kSuccess);
  reg().closeKey(k);
  reg().closeKey(0);  // closing nothing does no harm
}

TEST_F(RegistryPortContract, ValuesKeepTheirExactBytesAndTypes) {
  const HKey k = create("Software\\Contract\\Values");
  const std::string odd("\x41\x00\x42", 3);  // a string without its NUL, odd length
  const std::string sz = text::toUtf16Bytes("Grüße 日本 😀", true);
  const std::string multi = text::toUtf16Bytes("a", true) + text::toUtf16Bytes("b", true) + std::string(2, '\0');
  const std::string binary("\0\xff\x10\x00", 4);
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string data;
  } cases[] = {{"", kRegSz, sz},
               {"odd", kRegSz, odd},
               {"multi", kRegMultiSz, multi},
               {"bin", kRegBinary, binary},
               {"empty", kRegSz, ""},
               {"Ünïcødé", kRegExpandSz, sz},
               {"big", kRegBinary, std::string(100000, 'x')}};
  for (const auto& c : cases) ASSERT_EQ(reg().setValue(k, c.name, c.type, c.data), kSuccess) << c.name;
  for (const auto& c : cases) {
    RegValue v;
    ASSERT_EQ(reg().queryValue(k, c.name, v), kSuccess) << c.name;
    EXPECT_EQ(v.type, c.type) << c.name;
    EXPECT_EQ(v.data, c.data) << c.name;
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(reg().queryValueInfo(k, c.name, type, size), kSuccess);
    EXPECT_EQ(size, c.data.size()) << c.name;
  }
  EXPECT_EQ(reg().deleteValue(k, "odd"), kSuccess);
  EXPECT_NE(reg().deleteValue(k, "odd"), kSuccess);
  RegValue v;
  EXPECT_NE(reg().queryValue(k, "odd", v), kSuccess);
  reg().closeKey(k);
}

TEST_F(RegistryPortContract, EnumerationByIndexWithTheCallersBufferSizes) {
  const HKey k = create("Software\\Contract\\Enum");
  const std::string wide = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // three units in nine bytes
  for (const std::string sub : {"beta", "Alpha", "gamma", wide.c_str()})
    reg().closeKey(create("Software\\Contract\\Enum\\" + sub));
  reg().setValue(k, "first", kRegSz, text::toUtf16Bytes("1", true));
  reg().setValue(k, std::string(300, 'n'), kRegBinary, std::string(5000, 'd'));
  std::vector<std::string> names;
  std::string name;
  std::uint32_t i = 0;
  for (; reg().enumKey(k, i, name, 256) == kSuccess; ++i) names.push_back(name);
  EXPECT_EQ(reg().enumKey(k, i, name, 256), kNoMoreItems);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "gamma", wide}));
  EXPECT_EQ(reg().enumKey(k, 0, name, 3), kMoreData);  // "Alpha" and its NUL need 6
  // Buffers count UTF-16 units; one unit only tells that a key is there.
  EXPECT_EQ(reg().enumKey(k, 3, name, 3), kMoreData);
  EXPECT_EQ(reg().enumKey(k, 3, name, 4), kSuccess);
  EXPECT_EQ(reg().enumKey(k, 1, name, 1), kMoreData);
  EXPECT_EQ(reg().enumKey(k, 4, name, 1), kNoMoreItems);
  std::set<std::string> valueNames;
  RegValue v;
  for (i = 0; reg().enumValue(k, i, name, 16384, nullptr, 0) == kSuccess; ++i) valueNames.insert(name);
  EXPECT_EQ(reg().enumValue(k, i, name, 16384, nullptr, 0), kNoMoreItems);
  EXPECT_EQ(valueNames.size(), 2u);
  EXPECT_TRUE(valueNames.count(std::string(300, 'n')));
  // Data or a name larger than the caller's buffers: kMoreData.
  bool sawMoreData = false, sawNameTooLong = false;
  for (i = 0; i < 2; ++i) {
    sawMoreData |= reg().enumValue(k, i, name, 16384, &v, 255) == kMoreData;
    sawNameTooLong |= reg().enumValue(k, i, name, 255, nullptr, 0) == kMoreData;
  }
  EXPECT_TRUE(sawMoreData);
  EXPECT_TRUE(sawNameTooLong);
  reg().closeKey(k);
}

TEST_F(RegistryPortContract, LinksAreFollowedByPathAndRecognisedWhenOpenedWithoutFollowing) {
  HKey k = 0;
  ASSERT_EQ(reg().createKey(rootHandle(kHkeyLocalMachine), "Software\\LinkTarget\\Sub", kKeyAllAccess, k), kSuccess);
  reg().closeKey(k);
  ASSERT_EQ(reg().openKey(rootHandle(kHkeyLocalMachine), "Software\\LinkTarget", kKeyAllAccess, k), kSuccess);
  reg().setValue(k, "here", kRegSz, text::toUtf16Bytes("1", true));
  const std::string target = LinkKey::nativeName(k);
  reg().closeKey(k);
  ASSERT_FALSE(target.empty());
  const HKey contract = create("Software\\Contract");
  const HKey parent = create("Software\\Contract\\Links");
  const LinkKey link(parent, "ToTarget", target);
  RegValue v;
  std::uint32_t type = 0, size = 0;
  ASSERT_EQ(reg().openKey(rootHandle(kHkeyCurrentUser), "Software\\Contract\\Links\\ToTarget", kKeyRead, k), kSuccess);
  EXPECT_EQ(reg().queryValue(k, "here", v), kSuccess);
  reg().closeKey(k);
  // Only the last key of the path is taken as it is.
  ASSERT_EQ(reg().openKeyNoFollow(parent, "ToTarget\\Sub", kKeyRead, k), kSuccess);
  reg().closeKey(k);
  ASSERT_EQ(reg().openKeyNoFollow(parent, "ToTarget", kKeyRead, k), kSuccess);
  EXPECT_EQ(reg().queryValueInfo(k, kSymbolicLinkValue, type, size), kSuccess);
  EXPECT_EQ(type, static_cast<std::uint32_t>(kRegLink));
  EXPECT_NE(reg().queryValue(k, "here", v), kSuccess);
  reg().closeKey(k);
  ASSERT_EQ(reg().openKeyNoFollow(contract, "Links", kKeyRead, k), kSuccess);
  EXPECT_NE(reg().queryValueInfo(k, kSymbolicLinkValue, type, size), kSuccess);
  reg().closeKey(k);
  std::string name;
  EXPECT_EQ(reg().enumKey(parent, 0, name, 256), kSuccess);
  EXPECT_EQ(name, "ToTarget");
  reg().closeKey(parent);
  reg().closeKey(contract);
}

TEST_F(RegistryPortContract, DeleteKeyTakesOnlyAKeyWithoutSubkeys) {
  const HKey root = rootHandle(kHkeyCurrentUser);
  reg().closeKey(create("Software\\Contract\\Del\\Inner"));
  HKey k = create("Software\\Contract\\Del");
  EXPECT_EQ(reg().setValue(k, "v", kRegDword, std::string("\1\0\0\0", 4)), kSuccess);
  // A key with a subkey is refused and left whole.
  EXPECT_EQ(reg().deleteKey(root, "Software\\Contract\\Del"), kAccessDenied);
  RegValue v;
  EXPECT_EQ(reg().queryValue(k, "v", v), kSuccess);
  // Below an open key, in any case; then the emptied key goes with its values.
  EXPECT_EQ(reg().deleteKey(k, "INNER"), kSuccess);
  reg().closeKey(k);
  EXPECT_EQ(reg().openKey(root, "Software\\Contract\\Del\\Inner", kKeyRead, k), kFileNotFound);
  EXPECT_EQ(reg().deleteKey(root, "software\\contract\\del"), kSuccess);
  EXPECT_EQ(reg().openKey(root, "Software\\Contract\\Del", kKeyRead, k), kFileNotFound);
  EXPECT_EQ(reg().deleteKey(root, "Software\\Contract\\Del"), kFileNotFound);
  EXPECT_EQ(reg().deleteKey(root, "Software\\Contract\\Missing\\Deeper"), kFileNotFound);
}

TEST_F(RegistryPortContract, ThePlatformIsOfTheNtFamily) { EXPECT_EQ(reg().platformId(), 2u); }

}  // namespace
}  // namespace hm
