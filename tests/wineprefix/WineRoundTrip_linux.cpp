// Against a prefix made by wineboot (HM_WINE_REFERENCE_PREFIX, set up by the
// wine_reference_prefix test fixture): our writer reproduces Wine's files, and
// Wine reads files we wrote without complaint.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/wineprefix/WineHiveFile.h"

namespace hm::platform {
namespace {

namespace fs = std::filesystem;

fs::path referencePrefix() {
  const char* p = std::getenv("HM_WINE_REFERENCE_PREFIX");
  return p != nullptr && *p != '\0' && fs::exists(fs::path(p) / "system.reg") ? fs::path(p) : fs::path();
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string run(const std::string& command, int& status) {
  std::string out;
  FILE* f = ::popen(command.c_str(), "r");
  if (f == nullptr) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  status = ::pclose(f);
  return out;
}

// Lines Wine prints about its own installation rather than about our files.
std::string withoutWineNotices(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  bool notice = false;
  while (std::getline(in, line)) {
    if (line.find("wine32 is missing") != std::string::npos) notice = true;
    if (!notice && !line.empty()) out += line + "\n";
    if (notice && line.find("wine32:i386") != std::string::npos) notice = false;
  }
  return out;
}

std::string utf16z(std::u16string_view s) {
  std::string out;
  for (const char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out + std::string(2, '\0');
}

TEST(WineRoundTrip, WineMadeFilesAreWrittenBackByteForByte) {
  const fs::path prefix = referencePrefix();
  if (prefix.empty()) GTEST_SKIP() << "HM_WINE_REFERENCE_PREFIX is not set";
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    const std::string text = readFile(prefix / name);
    auto parsed = parseWineRegistry(text, (prefix / name).string());
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_GT(parsed.file.root->valueCountDeep(), 0u);
    EXPECT_TRUE(writeWineRegistry(parsed.file) == text) << name << " differs after a round trip";
  }
}

void addCornerCases(RegistryKey& root) {
  RegistryKey& k = root.ensurePath("Software\\HmRoundTrip\\Sub [1]\\\u00c9t\u00e9 \U0001F600");
  k.setValue("", kRegSz, utf16z(u"default"));
  k.setValue("esc \"\\[]", kRegSz,
             utf16z(u"a\"b\\c\t\n\r\x1b\x01"
                    u"7\a\b\v\f\x7f end"));
  k.setValue("\u00e9\u65e5\U0001F600", kRegExpandSz, utf16z(u"%SystemRoot%\\\u00e9a\U0001F600b"));
  k.setValue("multi", kRegMultiSz, utf16z(std::u16string(u"one\0two\0", 8)));
  k.setValue("empty", kRegSz, utf16z(u""));
  k.setValue("unterminated", kRegSz, std::string("ab", 2));
  k.setValue("dword", kRegDword, std::string("\xef\xbe\xad\xde", 4));
  k.setValue("qword", kRegQword, std::string("12345678", 8));
  k.setValue("odd type", 0xffff0012u, std::string("\x01\x02", 2));
  std::string blob;
  for (int i = 0; i < 5000; ++i) blob += static_cast<char>(i * 31);
  k.setValue("blob", kRegBinary, blob);
  k.setValue("nothing", kRegBinary, "");
  k.className = "Class \"x\"";
  root.ensurePath("Software\\HmRoundTrip\\a_b");
  root.ensurePath("Software\\HmRoundTrip\\aZ");
}

void expectSameValues(const RegistryKey& ours, RegistryKey& wines, const std::string& path) {
  for (const auto& v : ours.values()) {
    const NamedValue* w = wines.findValue(v.name);
    ASSERT_NE(w, nullptr) << path << " : " << v.name;
    EXPECT_EQ(w->type, v.type) << path << " : " << v.name;
    EXPECT_TRUE(w->data == v.data) << path << " : " << v.name;
  }
  EXPECT_EQ(ours.className, wines.className) << path;
  EXPECT_EQ(ours.isLink, wines.isLink) << path;
  for (const auto& sub : ours.subkeys()) {
    RegistryKey* w = wines.findSubkey(sub->name());
    ASSERT_NE(w, nullptr) << path << "\\" << sub->name();
    expectSameValues(*sub, *w, path + "\\" + sub->name());
  }
}

TEST(WineRoundTrip, WineReadsWhatWeWrite) {
  const fs::path reference = referencePrefix();
  if (reference.empty()) GTEST_SKIP() << "HM_WINE_REFERENCE_PREFIX is not set";
  std::string temp = (fs::temp_directory_path() / "hm-wine-rt-XXXXXX").string();
  const fs::path dir = ::mkdtemp(temp.data());
  const fs::path prefix = dir / "pfx";
  fs::create_directories(prefix);
  // The reference's drive is shared read-mostly; the registry files are ours.
  fs::create_directory_symlink(reference / "drive_c", prefix / "drive_c");
  fs::copy(reference / "dosdevices", prefix / "dosdevices",
           fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  fs::copy_file(reference / ".update-timestamp", prefix / ".update-timestamp");

  WineRegistryFile system, user;
  std::string error;
  ASSERT_TRUE(loadWineHive(reference / "system.reg", system, error)) << error;
  ASSERT_TRUE(loadWineHive(reference / "user.reg", user, error)) << error;
  addCornerCases(*system.root);
  addCornerCases(*user.root);
  ASSERT_EQ(saveWineHive(prefix, prefix / "system.reg", system, error), WineHiveSave::Written) << error;
  ASSERT_EQ(saveWineHive(prefix, prefix / "user.reg", user, error), WineHiveSave::Written) << error;
  fs::copy_file(reference / "userdef.reg", prefix / "userdef.reg");

  const std::string env = "WINEPREFIX='" + prefix.string() + "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
  int status = -1;
  const std::string query = run(env + "wine reg query 'HKCU\\Software\\HmRoundTrip' /s 2>&1", status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(query.find("0xdeadbeef"), std::string::npos);
  EXPECT_NE(query.find("REG_EXPAND_SZ"), std::string::npos) << query;
  // wineserver reports a bad line as "<file>:<line>: <complaint>".
  EXPECT_EQ(query.find(".reg:"), std::string::npos)
      << query.substr(query.find(".reg:") - std::min<std::size_t>(query.find(".reg:"), 200), 400);
  // Make Wine save both files again, then compare what it kept with what we wrote.
  const std::string touch = run(env + "wine reg add 'HKCU\\Software\\HmTouched' /f 2>&1 >/dev/null; " + env +
                                    "wine reg add 'HKLM\\Software\\HmTouched' /f 2>&1 >/dev/null; " + env +
                                    "wineserver -k 2>&1; " + env + "wineserver -w 2>&1",
                                status);
  EXPECT_EQ(withoutWineNotices(touch), "");

  WineRegistryFile systemByWine, userByWine;
  ASSERT_TRUE(loadWineHive(prefix / "system.reg", systemByWine, error)) << error;
  ASSERT_TRUE(loadWineHive(prefix / "user.reg", userByWine, error)) << error;
  EXPECT_NE(userByWine.root->findPath("Software\\HmTouched"), nullptr);
  expectSameValues(*user.root->findPath("Software\\HmRoundTrip"), *userByWine.root->findPath("Software\\HmRoundTrip"),
                   "HKCU\\Software\\HmRoundTrip");
  expectSameValues(*system.root->findPath("Software\\HmRoundTrip"),
                   *systemByWine.root->findPath("Software\\HmRoundTrip"), "HKLM\\Software\\HmRoundTrip");
  // Wine redoes its hardware keys at start; the rest of the hive it keeps as read.
  expectSameValues(*system.root->findPath("Software\\Classes"), *systemByWine.root->findPath("Software\\Classes"),
                   "HKLM\\Software\\Classes");

  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace hm::platform
