#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/wineprefix/WineNameOrder.h"
#include "platform/wineprefix/WineRegistryFile.h"

namespace hm::platform {
namespace {

constexpr std::string_view kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";

// Written by Wine 8 after `reg add` of every value type, odd names and characters.
constexpr std::string_view kWineWritten = R"reg(
[Software\\HmProbe] 1796803536
#time=1dd87b4123338b2
@="default"
"a[b"=dword:00000001
"a^b"=dword:00000001
"a_b"=dword:00000001
"aab"=dword:00000001
"astral"="\xd83d\xde00x\xd83d\xde00a"
"aZb"=dword:00000001
"B"=dword:00000001
"b1"=dword:00000001
"be"=hex(5):04,03,02,01
"bin"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\
  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\
  30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f,40,41,42,43,44,45,46,47,48,\
  49,4a,4b,4c,4d,4e,4f,50,51,52,53,54,55,56,57,58,59,5a,5b,5c,5d,5e,5f,60,61,\
  62,63,64,65,66,67,68,69,6a,6b,6c,6d,6e,6f,70,71,72,73,74,75,76,77,78,79,7a,\
  7b,7c,7d,7e,7f,80,81,82,83,84,85,86,87,88,89,8a,8b,8c,8d,8e,8f,90,91,92,93,\
  94,95,96,97,98,99,9a,9b,9c,9d,9e,9f,a0,a1,a2,a3,a4,a5,a6,a7,a8,a9,aa,ab,ac,\
  ad,ae,af,b0,b1,b2,b3,b4,b5,b6,b7,b8,b9,ba,bb,bc,bd,be,bf,c0,c1,c2,c3,c4,c5,\
  c6,c7,c8,c9,ca,cb,cc,cd,ce,cf,d0,d1,d2,d3,d4,d5,d6,d7,d8,d9,da,db,dc,dd,de,\
  df,e0,e1,e2,e3,e4,e5,e6,e7,e8,e9,ea,eb,ec,ed,ee,ef,f0,f1,f2,f3,f4,f5,f6,f7,\
  f8,f9,fa,fb,fc,fd,fe,ff,00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,\
  11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,\
  2a,2b
"binempty"=hex:
"dw"=dword:deadbeef
"empty"=""
"exp"=str(2):"%PATH%;x"
"hexfollow"="\x00e9a \xe9z \x00e91 \xe9G"
"multi"=str(7):"one\0two\0three\0"
"multiempty"=str(7):""
"nonascii"="h\xe9llo \x20acuro \x65e5\x672c"
"none"=hex(0):00,00
"octal"="a\0015b\2x"
"plain"="hello"
"quote\"back\\slash"="a\"b\\c[d]e"
"qw"=hex(b):88,77,66,55,44,33,22,11
"tab"="x\ty\nz\rw\e\1\a\b\v\f"
"Zed"=dword:00000001
"\xe4"=dword:00000001
"\x3a9"=dword:00000001
"\x03c92"=dword:00000001

[Software\\HmProbe\\Sub\\1] 1796803538
#time=1dd87b413b45ee6
@=""

[Software\\HmProbe\\Sub\\A] 1796803536
#time=1dd87b412b23a72
@=""

[Software\\HmProbe\\Sub\\a\[b\]] 1796803536
#time=1dd87b41272079a
@=""

[Software\\HmProbe\\Sub\\a_b] 1796803539
#time=1dd87b41456b088
@=""

[Software\\HmProbe\\Sub\\a_b\\deep\\deeper] 1796803539
#time=1dd87b41456b6fa
"x"="y"

[Software\\HmProbe\\Sub\\aab] 1796803536
#time=1dd87b412913d2c
@=""

[Software\\HmProbe\\Sub\\aZb] 1796803536
#time=1dd87b41252e680
@=""

[Software\\HmProbe\\Sub\\b] 1796803537
#time=1dd87b412d04c4c
@=""

[Software\\HmProbe\\Sub\\{x}] 1796803538
#time=1dd87b413f8adf8
@=""

[Software\\HmProbe\\Sub\\~] 1796803538
#time=1dd87b413d6df2a
@=""

[Software\\HmProbe\\Sub\\\xdf] 1796803539
#time=1dd87b41428f972
@=""

[Software\\HmProbe\\Sub\\\xc4] 1796803537
#time=1dd87b412f1aaf4
@=""

[Software\\HmProbe\\Sub\\\xe9] 1796803537
#time=1dd87b41312598e
@=""

[Software\\HmProbe\\Sub\\\x0436a] 1796803537
#time=1dd87b41351a724
@=""

[Software\\HmProbe\\Sub\\\x416\x416] 1796803537
#time=1dd87b413307892
@=""

[Software\\HmProbe\\Sub\\\x531] 1796803538
#time=1dd87b413710268
@=""

[Software\\HmProbe\\Sub\\\x05611] 1796803538
#time=1dd87b413938432
@=""
)reg";

std::string repeated(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string wineText() { return std::string(kHeader) + std::string(kWineWritten); }

std::string utf16z(std::u16string_view s) {
  std::string out;
  for (const char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out + std::string(2, '\0');
}

WineRegistryFile parsed(std::string_view text) {
  auto result = parseWineRegistry(text, "user.reg");
  EXPECT_TRUE(result.ok) << result.error;
  return std::move(result.file);
}

const NamedValue& valueAt(WineRegistryFile& file, std::string_view key, std::string_view name) {
  RegistryKey* k = file.root->findPath(key);
  EXPECT_NE(k, nullptr) << key;
  const NamedValue* v = k != nullptr ? k->findValue(name) : nullptr;
  EXPECT_NE(v, nullptr) << key << " : " << name;
  static const NamedValue missing{};
  return v != nullptr ? *v : missing;
}

TEST(WineRegistryFile, WineWrittenFileReadsAndWritesBackByteForByte) {
  auto file = parsed(wineText());
  EXPECT_EQ(writeWineRegistry(file), wineText());
  EXPECT_EQ(file.userKeyName(), "S-1-5-21-0-0-0-1000");
  EXPECT_EQ(file.archLine, "#arch=win64");

  const std::string_view k = "Software\\HmProbe";
  EXPECT_EQ(valueAt(file, k, "").data, utf16z(u"default"));
  EXPECT_EQ(valueAt(file, k, "quote\"back\\slash").data, utf16z(u"a\"b\\c[d]e"));
  EXPECT_EQ(valueAt(file, k, "tab").data, utf16z(u"x\ty\nz\rw\x1b\x01\a\b\v\f\x7f"));
  EXPECT_EQ(valueAt(file, k, "octal").data, utf16z(u"a\x01"
                                                   u"5b\x02x"));
  EXPECT_EQ(valueAt(file, k, "nonascii").data, utf16z(u"h\u00e9llo \u20acuro \u65e5\u672c"));
  EXPECT_EQ(valueAt(file, k, "hexfollow").data, utf16z(u"\u00e9a \u00e9z \u00e91 \u00e9G"));
  EXPECT_EQ(valueAt(file, k, "astral").data, utf16z(u"\U0001F600x\U0001F600a"));
  EXPECT_EQ(valueAt(file, k, "empty").data, utf16z(u""));
  EXPECT_EQ(valueAt(file, k, "exp").type, kRegExpandSz);
  EXPECT_EQ(valueAt(file, k, "multi").type, kRegMultiSz);
  EXPECT_EQ(valueAt(file, k, "multi").data, utf16z(std::u16string(u"one\0two\0three\0", 14)));
  EXPECT_EQ(valueAt(file, k, "dw").data, std::string("\xef\xbe\xad\xde", 4));
  EXPECT_EQ(valueAt(file, k, "qw").type, kRegQword);
  EXPECT_EQ(valueAt(file, k, "be").type, kRegDwordBigEndian);
  EXPECT_EQ(valueAt(file, k, "binempty").data, "");
  EXPECT_EQ(valueAt(file, k, "bin").data.size(), 300u);
  EXPECT_EQ(static_cast<unsigned char>(valueAt(file, k, "bin").data[299]), 0x2bu);
  EXPECT_EQ(valueAt(file, k, "\u00e4").type, kRegDword);
  EXPECT_NE(file.root->findPath("Software\\HmProbe\\Sub\\a[b]"), nullptr);
  EXPECT_NE(file.root->findPath("Software\\HmProbe\\Sub\\\u0416\u0416"), nullptr);
  EXPECT_NE(file.root->findPath("software\\HMPROBE\\sub\\A_B\\Deep"), nullptr);
}

TEST(WineRegistryFile, WritesTreesInWineOrderAndForms) {
  WineRegistryFile file;
  file.relativeToLine = ";; All keys relative to REGISTRY\\\\Machine";
  RegistryKey& k = file.root->ensurePath("Software\\Test");
  k.hasTimeStamp = true;
  k.timeStamp = 1700000000;
  k.setValue("aZ", kRegDword, std::string(4, '\0'));
  k.setValue("a_", kRegDword, std::string(3, '\1'));         // not four bytes: hex(4)
  k.setValue("s", kRegSz, std::string("a\0b\0", 4));         // no terminating NUL: hex(1)
  k.setValue("odd", kRegExpandSz, std::string("a\0\0", 3));  // odd length: hex(2)
  k.setValue("n", kRegNone, "");
  k.setValue(std::string(70, 'L'), kRegBinary, std::string(30, '\x7f'));
  file.root->ensurePath("Software\\Test\\Z");
  file.root->ensurePath("Software\\Test\\_");
  file.root->ensurePath("Software\\Test\\\u00d6");
  const std::string text = writeWineRegistry(file, 0x1d0000000000000ull);
  const std::string expected = std::string(
                                   "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n"
                                   "\n[Software\\\\Test] 1700000000\n#time=1da1747c66d0000\n"
                                   "\"a_\"=hex(4):01,01,01\n\"aZ\"=dword:00000000\n") +
                               "\"" + std::string(70, 'L') + "\"=hex:7f,\\\n  " + repeated("7f,", 25) +
                               "\\\n  7f,7f,7f,7f\n" +
                               "\"n\"=hex(0):\n\"odd\"=hex(2):61,00,00\n\"s\"=hex(1):61,00,62,00\n"
                               "\n[Software\\\\Test\\\\_] 1415965319\n#time=1d0000000000000\n"
                               "\n[Software\\\\Test\\\\Z] 1415965319\n#time=1d0000000000000\n"
                               "\n[Software\\\\Test\\\\\\xd6] 1415965319\n#time=1d0000000000000\n";
  EXPECT_EQ(text, expected);
  auto again = parsed(text);
  EXPECT_EQ(writeWineRegistry(again, 0), text);
}

TEST(WineRegistryFile, NameOrderIsWinesLowerCaseOrder) {
  EXPECT_LT(compareWineNames("a_b", "aab"), 0);
  EXPECT_LT(compareWineNames("a[b", "aZb"), 0);
  EXPECT_EQ(compareWineNames("\u0531", "\u0561"), 0);  // Armenian: Wine folds it
  EXPECT_LT(compareWineNames("\u0416a", "\u0436\u0436"), 0);
  EXPECT_LT(compareWineNames("B", "b1"), 0);
}

TEST(WineRegistryFile, ReadsWhatWineReadsBeyondItsOwnOutput) {
  const std::string text = std::string(kHeader) +
                           "\r\n[Software\\\\Dup] 1000000000\r\n#time=1d0000000000001\r\n\"a\"=\"first\"\r\n"
                           "\"b\"=dword:1\n"
                           "\n  [Software\\\\Dup] 1100000000\n#time=1d0000000000002\n\"a\"=\"second\"\n"
                           "\"raw\"=\"h\xc3\xa9 \xf0\x9f\x98\x80\"\n\"s\"=str:\"tag\"\n\"x\"=\"\\x41\\q\\x4142z\\x\"\n"
                           "\"h\" = hex(3):0a, 0b,\\\n   c  \\\n\n"
                           "; a comment\n#unknown option\n"
                           "\n[Software\\\\Par\\\\Kid] 1200000000\n\"k\"=hex(1):41,00\n";
  auto file = parsed(text);
  RegistryKey* dup = file.root->findPath("Software\\Dup");
  ASSERT_NE(dup, nullptr);
  EXPECT_EQ(dup->timeStampText, "1d0000000000001");  // the first section's time stays, as in Wine
  EXPECT_EQ(dup->values().size(), 6u);
  EXPECT_EQ(valueAt(file, "Software\\Dup", "a").data, utf16z(u"second"));
  EXPECT_EQ(valueAt(file, "Software\\Dup", "raw").data, utf16z(u"h\u00e9 \U0001F600"));
  EXPECT_EQ(valueAt(file, "Software\\Dup", "s").type, kRegSz);
  EXPECT_EQ(valueAt(file, "Software\\Dup", "x").data, utf16z(u"Aq\u4142zx"));
  EXPECT_EQ(valueAt(file, "Software\\Dup", "h").data, "\x0a\x0b\x0c");
  EXPECT_EQ(valueAt(file, "Software\\Dup", "b").data, std::string("\1\0\0\0", 4));

  // The parent-only key exists but gets no section of its own.
  RegistryKey* par = file.root->findPath("Software\\Par");
  ASSERT_NE(par, nullptr);
  EXPECT_FALSE(par->hasTimeStamp);
  const std::string out = writeWineRegistry(file);
  EXPECT_EQ(out.find("[Software\\\\Par]"), std::string::npos);
  EXPECT_NE(out.find("\n[Software\\\\Dup] 1415965319\n#time=1d0000000000001\n"), std::string::npos);
  EXPECT_NE(out.find("\"raw\"=\"h\\xe9 \\xd83d\\xde00\"\n"), std::string::npos);
  EXPECT_NE(out.find("\"k\"=hex(1):41,00\n"), std::string::npos);

  // An empty file keeps its root section.
  auto empty = parsed(std::string(kHeader) + "\n[] 1\n");
  EXPECT_TRUE(empty.root->hasTimeStamp);
  EXPECT_NE(writeWineRegistry(empty).find("\n[] 1\n#time="), std::string::npos);
}

TEST(WineRegistryFile, LinkAndClassKeysAreKeptAndFollowed) {
  const std::string link = utf16z(u"\\Registry\\Machine\\Software\\Wow6432Node\\Classes");
  std::string hexLink;
  for (std::size_t i = 0; i + 2 < link.size(); ++i) {
    char b[4];
    std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(link[i]));
    hexLink += std::string(i ? "," : "") + b;
  }
  const std::string text = std::string(
                               "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n"
                               "\n[Software\\\\Classes\\\\Wow6432Node] 1\n#time=1\n#class=\"Cl\\\"ass\"\n#link\n"
                               "\"SymbolicLinkValue\"=hex(6):") +
                           hexLink + "\n\n[Software\\\\Wow6432Node\\\\Classes\\\\.txt] 2\n#time=2\n@=\"txtfile\"\n";
  auto file = parsed(text);
  RegistryKey* l = file.root->findPath("Software\\Classes\\Wow6432Node");
  ASSERT_NE(l, nullptr);
  EXPECT_TRUE(l->isLink);
  EXPECT_EQ(l->className, "Cl\"ass");

  RegistryKey user;
  MemoryRegistry registry(*file.root, user);
  HKey h = 0;
  ASSERT_EQ(registry.openKey(rootHandle(kHkeyLocalMachine), "Software\\Classes\\Wow6432Node\\.txt", kKeyRead, h),
            kSuccess);
  RegValue v;
  ASSERT_EQ(registry.queryValue(h, "", v), kSuccess);
  EXPECT_EQ(v.data, utf16z(u"txtfile"));
  registry.closeKey(h);
  // Wine's own #time form is one hex number; the seconds are derived from it.
  EXPECT_NE(writeWineRegistry(file).find("#time=000000001"), std::string::npos);
}

TEST(WineRegistryFile, LongValuesSurvive) {
  WineRegistryFile file;
  RegistryKey& k = file.root->ensurePath("Big");
  std::u16string longText;
  for (int i = 0; i < 300000; ++i) longText += static_cast<char16_t>(i % 3 == 0 ? 0x263A : (i % 3 == 1 ? 'q' : '\\'));
  k.setValue("text", kRegSz, utf16z(longText));
  std::string blob;
  for (int i = 0; i < 200000; ++i) blob += static_cast<char>(i * 7);
  k.setValue("blob", kRegBinary, blob);
  const std::string text = writeWineRegistry(file);
  auto again = parsed(text);
  EXPECT_EQ(valueAt(again, "Big", "text").data, utf16z(longText));
  EXPECT_EQ(valueAt(again, "Big", "blob").data, blob);
  EXPECT_EQ(writeWineRegistry(again), text);
}

std::string nested(std::size_t levels) {
  std::string path = "k";
  for (std::size_t i = 1; i < levels; ++i) path += "\\\\k";
  return path;
}

TEST(WineRegistryFile, MalformedFilesAreRefusedWhole) {
  const std::string good = std::string(kHeader) + "\n[A] 1\n\"v\"=dword:00000001\n";
  const struct {
    std::string text;
    std::string line;
  } cases[] = {
      {"", "line 1"},
      {"REGEDIT4\n[A]\n", "line 1"},
      {good + "\"w\"=\"unterminated\n", "line 8"},
      {good + "\"w\"=dword:123456789\n", "line 8"},
      {good + "\"w\"=dword:xyz\n", "line 8"},
      {good + "\"w\"=hex:0g\n", "line 8"},
      {good + "\"w\"=hex:123\n", "line 8"},
      {good + "\"w\"=hex:01,\\\n", "line 8"},
      {good + "\"w\"=hex(zz):01\n", "line 8"},
      {good + "\"w\"=str(1):\"x\"\n", "line 8"},
      {good + "\"w\"=\"x\" trailing\n", "line 8"},
      {good + "\"w\" dword:1\n", "line 8"},
      {good + "[B\n", "line 8"},
      {good + "[B] 12x\n", "line 8"},
      {good + "[B] 99999999999\n", "line 8"},
      {good + "#time=zz\n", "line 8"},
      {good + "garbage\n", "line 8"},
      {good + "\"w\"=\"\xff\"\n", "line 8"},
      {good + std::string("\"w\"=\"a\0b\"\n", 10), "line 8"},
      {std::string(kHeader) + "\"v\"=dword:1\n", "line 5"},
      {"WINE REGISTRY Version 2\n#arch=win128\n", "line 2"},
      {good + "[" + nested(kMaxKeyDepth + 1) + "] 1\n", "line 8"},
  };
  for (const auto& c : cases) {
    auto result = parseWineRegistry(c.text, "/pfx/user.reg");
    EXPECT_FALSE(result.ok) << c.text;
    EXPECT_NE(result.error.find("/pfx/user.reg, " + c.line + ":"), std::string::npos) << result.error;
    EXPECT_TRUE(result.file.root->subkeys().empty()) << c.text;
  }
  EXPECT_TRUE(parseWineRegistry(good, "x").ok);
  EXPECT_TRUE(parseWineRegistry(good + "[" + nested(kMaxKeyDepth) + "] 1\n", "x").ok);
}

TEST(WineRegistryFile, TreesNestedFarDeeperThanFilesAllowAreWrittenAndFreed) {
  WineRegistryFile file;
  RegistryKey* k = file.root.get();
  for (int i = 0; i < 200000; ++i) k = &k->ensureSubkey("k");
  k->setValue("v", kRegDword, std::string(4, '\1'));
  const std::string text = writeWineRegistry(file, 0);
  EXPECT_EQ(text.find("\n[k\\\\k\\\\"), text.find("\n["));
  EXPECT_EQ(file.root->valueCountDeep(), 1u);
}

TEST(WineRegistryFile, KeysAddedOutOfOrderAreListedAndFoundAsWhenAddedInOrder) {
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back((i % 2 ? "Key" : "key_") + std::to_string(i * 7919 % 1000));
  RegistryKey shuffled(std::string(), nullptr, true, compareWineNames);
  RegistryKey ordered(std::string(), nullptr, true, compareWineNames);
  for (std::size_t i = names.size(); i-- > 0;) {
    RegistryKey& added = shuffled.ensureSubkey(names[i]);
    EXPECT_EQ(&shuffled.ensureSubkey(text::toUpper(names[i])), &added);  // found again, case aside
    if (i % 50 == 0) {
      EXPECT_FALSE(shuffled.subkeys().empty());  // listing between additions
    }
  }
  EXPECT_TRUE(shuffled.removeSubkey(names[7]));
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end(), wineNameLess);
  for (const auto& n : sorted)
    if (n != names[7]) ordered.ensureSubkey(n);
  ASSERT_EQ(shuffled.subkeys().size(), ordered.subkeys().size());
  for (std::size_t i = 0; i < ordered.subkeys().size(); ++i)
    EXPECT_EQ(shuffled.subkeys()[i]->name(), ordered.subkeys()[i]->name());
  for (const auto& n : names) EXPECT_EQ(shuffled.findSubkey(n) == nullptr, n == names[7]) << n;
}

}  // namespace
}  // namespace hm::platform
