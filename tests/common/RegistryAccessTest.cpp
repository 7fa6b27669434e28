#include <gtest/gtest.h>

#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

constexpr const char* kKey = "Software\\HivemendTest\\Layer";

platform::RegValue rawValue(std::int32_t root, std::string_view path, std::string_view name) {
  auto& reg = *platform::machine().registry;
  platform::HKey k = 0;
  platform::RegValue v;
  if (reg.openKey(platform::rootHandle(root), path, platform::kKeyRead, k) == 0) {
    if (reg.queryValue(k, name, v) != 0) v.type = 0xFFFF;
    reg.closeKey(k);
  } else {
    v.type = 0xFFFF;
  }
  return v;
}

void setRaw(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t type,
            std::string_view data) {
  auto& reg = *platform::machine().registry;
  platform::HKey k = 0;
  ASSERT_EQ(reg.createKey(platform::rootHandle(root), path, platform::kKeyAllAccess, k), 0);
  ASSERT_EQ(reg.setValue(k, name, type, data), 0);
  reg.closeKey(k);
}

TEST(QueryValue, ReadsStringsAndDwordsAndNothingElse) {
  test::TestMachine m;
  setRaw(kHkeyCurrentUser, kKey, "sz", kRegSz, text::toUtf16Bytes("Grüße", true));
  setRaw(kHkeyCurrentUser, kKey, "nul", kRegSz, std::string(2, '\0'));
  setRaw(kHkeyCurrentUser, kKey, "zero", kRegSz, "");
  setRaw(kHkeyCurrentUser, kKey, "dw", kRegDword, std::string(4, '\xFF'));
  setRaw(kHkeyCurrentUser, kKey, "exp", kRegExpandSz, text::toUtf16Bytes("%windir%", true));
  setRaw(kHkeyCurrentUser, kKey, "multi", kRegMultiSz, text::toUtf16Bytes("a", true) + std::string(2, '\0'));
  std::string out = "unchanged";
  EXPECT_TRUE(QueryValue(kHkeyCurrentUser, kKey, "sz", out));
  EXPECT_EQ(out, "Grüße");
  EXPECT_TRUE(QueryValue(kHkeyCurrentUser, kKey, "nul", out));
  EXPECT_EQ(out, "");
  out = "x";
  EXPECT_TRUE(QueryValue(kHkeyCurrentUser, kKey, "zero", out));
  EXPECT_EQ(out, "");
  EXPECT_TRUE(QueryValue(kHkeyCurrentUser, kKey, "dw", out));
  EXPECT_EQ(out, "-1");
  out = "unchanged";
  EXPECT_FALSE(QueryValue(kHkeyCurrentUser, kKey, "exp", out));
  EXPECT_FALSE(QueryValue(kHkeyCurrentUser, kKey, "multi", out));
  EXPECT_FALSE(QueryValue(kHkeyCurrentUser, kKey, "missing", out));
  EXPECT_FALSE(QueryValue(kHkeyCurrentUser, "Software\\HivemendTest\\NoSuchKey", "sz", out));
  EXPECT_EQ(out, "unchanged");
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST(SetKeyValue, StoresTextWithItsNulAndCreatesTheWholePath) {
  test::TestMachine m;
  SetKeyValue(kHkeyCurrentUser, "Software\\HivemendTest\\A\\B\\C", "v", "abc", kRegSz);
  const auto v = rawValue(kHkeyCurrentUser, "Software\\HivemendTest\\A\\B\\C", "v");
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(v.data, text::toUtf16Bytes("abc", true));  // three letters and a NUL
  SetKeyValue(kHkeyCurrentUser, kKey, "n", "42", kRegDword);
  EXPECT_EQ(rawValue(kHkeyCurrentUser, kKey, "n").data, std::string("\x2a\0\0\0", 4));
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST(SetKeyValue, TextThatIsNoNumberIsNotStoredAsADwordAndIsLogged) {
  test::TestMachine m;
  SetKeyValue(kHkeyCurrentUser, kKey, "n", "abc", kRegDword);
  EXPECT_EQ(rawValue(kHkeyCurrentUser, kKey, "n").type, 0xFFFFu);
  EXPECT_EQ(m.errorLogEntries(), 1);
  EXPECT_NE(m.errorLog().find("SetValueEx\r\n"), std::string::npos);
  SetKeyValue(kHkeyCurrentUser, kKey, "big", "4294967296", kRegDword);
  EXPECT_EQ(rawValue(kHkeyCurrentUser, kKey, "big").type, 0xFFFFu);
  EXPECT_EQ(m.errorLogEntries(), 2);
}

TEST(WriteKeyValue, TypeFollowsTheValueAndTextIsTrimmedWithoutNul) {
  test::TestMachine m;
  CreateKey(kHkeyCurrentUser, kKey);
  WriteKeyValue(kHkeyCurrentUser, kKey, "", "");
  auto v = rawValue(kHkeyCurrentUser, kKey, "");
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(v.data, "");
  WriteKeyValue(kHkeyCurrentUser, kKey, "n", "42");
  EXPECT_EQ(rawValue(kHkeyCurrentUser, kKey, "n").type, kRegDword);
  WriteKeyValue(kHkeyCurrentUser, kKey, "t", "  abc  ");
  v = rawValue(kHkeyCurrentUser, kKey, "t");
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(v.data, text::toUtf16Bytes("abc", false));
}

TEST(DeleteValue, RemovesTheValueAndIsSilentOnAnythingMissing) {
  test::TestMachine m;
  SetKeyValue(kHkeyCurrentUser, kKey, "v", "x", kRegSz);
  SetKeyValue(kHkeyCurrentUser, kKey, "", "default", kRegSz);
  DeleteValue(kHkeyCurrentUser, kKey, "v");
  DeleteValue(kHkeyCurrentUser, kKey, "");
  EXPECT_EQ(rawValue(kHkeyCurrentUser, kKey, "v").type, 0xFFFFu);
  EXPECT_EQ(rawValue(kHkeyCurrentUser, kKey, "").type, 0xFFFFu);
  DeleteValue(kHkeyCurrentUser, kKey, "v");
  DeleteValue(kHkeyCurrentUser, "Software\\HivemendTest\\Nowhere", "v");
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST(RegistryLayer, RegistryTextEndsAtItsFirstNulWhateverItHolds) {
  const auto bytes = [](std::u16string_view units) {
    std::string out;
    for (const char16_t u : units) out.append({static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)});
    return out;
  };
  EXPECT_EQ(StringFromRegData(bytes(u"C:\\a.dll")), "C:\\a.dll");
  EXPECT_EQ(StringFromRegData(bytes(std::u16string_view(u"a.dll\0junk\0", 11))), "a.dll");
  EXPECT_EQ(StringFromRegData(bytes(u"C:\\\u00C4\u65E5.dll")), "C:\\\xC3\x84\xE6\x97\xA5.dll");
  EXPECT_EQ(StringFromRegData(bytes(std::u16string_view(u"\u00C4b\0\u00C4", 4))),
            "\xC3\x84"
            "b");
  EXPECT_EQ(StringFromRegData(bytes(u"\u0100") + "x"), "\xC4\x80");  // an odd last byte is dropped
  EXPECT_EQ(StringFromRegData(bytes(u"ab") + "x"), "ab");
  EXPECT_EQ(StringFromRegData(""), "");
  // Texts long enough for the wide steps, with a NUL or a non-ASCII unit at
  // every place, read as the plain conversion up to the first NUL reads them.
  for (std::size_t length = 1; length <= 24; ++length)
    for (std::size_t at = 0; at < length; ++at)
      for (const char16_t odd : {u'\0', u'\u00C4', u'\u0100'}) {
        std::u16string text;
        for (std::size_t k = 0; k < length; ++k) text += static_cast<char16_t>('a' + k % 26);
        text[at] = odd;
        const std::u16string_view upToNul(text.data(), std::min(text.find(u'\0'), text.size()));
        EXPECT_EQ(StringFromRegData(bytes(text)), text::toUtf8(std::u16string(upToNul))) << length << " " << at;
      }
}

TEST(RegistryLayer, VersionAndNumberConversions) {
  test::TestMachine m;
  EXPECT_EQ(GetVersion(), 2);
  EXPECT_TRUE(IsNumeric(" 42 "));
  EXPECT_TRUE(IsNumeric("-1.5"));
  EXPECT_FALSE(IsNumeric(""));
  EXPECT_FALSE(IsNumeric("12abc"));
  EXPECT_EQ(ToLong("2.5"), 2);
  EXPECT_EQ(ToLong("3.5"), 4);
  EXPECT_EQ(ToLong("-2147483648"), INT32_MIN);
  EXPECT_THROW(ToLong("2147483648"), std::exception);
  EXPECT_EQ(RootKeyName(platform::kHkeyCurrentUser), "HKEY_CURRENT_USER");
  EXPECT_EQ(std::to_string(platform::kHkeyLocalMachine), "-2147483646");
  EXPECT_EQ(RootKeyFromName("HKEY_CLASSES_ROOT"), platform::kHkeyClassesRoot);
}

}  // namespace
}  // namespace hm
