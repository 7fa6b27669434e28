// cInifile against the platform's own profile functions: the same writes and
// reads on two files give the same bytes and the same answers.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ini/TempFolderFiles.h"
#include "platform/Text.h"
#include "shell/IniFile.h"

namespace hm::shell {
namespace {

std::wstring wide(std::string_view s) {
  const std::u16string u = text::toUtf16(s);
  return std::wstring(u.begin(), u.end());
}

class IniProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env.files.createFolder("C:");
    env.files.createFolder("C:\\t");
  }

  // Points both sides at fresh files (the profile functions cache by name).
  void useFiles(const std::string& name, std::string_view initial = {}, bool create = false) {
    ours = "C:\\t\\" + name + ".ours.ini";
    reference = env.files.hostPath("C:\\t\\" + name + ".ref.ini").wstring();
    if (create) {
      env.files.put(ours, initial);
      env.files.put("C:\\t\\" + name + ".ref.ini", initial);
    }
    ini.setPath(ours);
    refName = "C:\\t\\" + name + ".ref.ini";
  }

  void write(const std::string& section, const std::string& key, const std::string& value) {
    ini.setSection(section);
    ini.setKey(key);
    ini.setValue(value);
    const BOOL ref = WritePrivateProfileStringW(wide(section).c_str(), wide(key).c_str(),
                                                value.empty() ? nullptr : wide(value).c_str(), reference.c_str());
    EXPECT_EQ(ini.success(), ref != 0) << section << "/" << key << "=" << value;
    EXPECT_EQ(env.files.get(ours), env.files.get(refName)) << "after " << section << "/" << key << "=" << value;
  }
  void deleteSection(const std::string& section) {
    ini.setSection(section);
    ini.DeleteSection();
    WritePrivateProfileStringW(wide(section).c_str(), nullptr, nullptr, reference.c_str());
    EXPECT_EQ(env.files.get(ours), env.files.get(refName)) << "after deleting " << section;
  }
  void deleteKey(const std::string& section, const std::string& key) {
    ini.setSection(section);
    ini.setKey(key);
    ini.DeleteKey();
    WritePrivateProfileStringW(wide(section).c_str(), wide(key).c_str(), nullptr, reference.c_str());
    EXPECT_EQ(env.files.get(ours), env.files.get(refName)) << "after deleting " << section << "/" << key;
  }

  std::string refRead(const wchar_t* section, const wchar_t* key, std::size_t buffer) {
    std::wstring out(buffer, L'\0');
    const DWORD n = GetPrivateProfileStringW(section, key, wide(ini.defaultValue()).c_str(), out.data(),
                                             static_cast<DWORD>(buffer), reference.c_str());
    return text::toUtf8(std::u16string(out.begin(), out.begin() + n));
  }
  void expectSameValue(const std::string& section, const std::string& key) {
    ini.setSection(section);
    ini.setKey(key);
    EXPECT_EQ(ini.value(), refRead(wide(section).c_str(), wide(key).c_str(), 255)) << "[" << section << "] " << key;
  }
  void expectSameKeys(const std::string& section) {
    ini.setSection(section);
    EXPECT_EQ(ini.iniSection(), refRead(wide(section).c_str(), nullptr, 8192)) << "keys of [" << section << "]";
  }
  void expectSameSections() { EXPECT_EQ(ini.sections(), refRead(nullptr, nullptr, 8192)); }

  hm::testing::TempFolderMachine env;
  cInifile ini;
  std::string ours, refName;
  std::wstring reference;
};

TEST_F(IniProfileTest, SequenceOfWritesGivesTheSameFileAndAnswers) {
  useFiles("sequence");
  ini.setDefault("none");
  expectSameValue("Backup Info", "Time");
  write("Backup Info", "Time", "12/8/2005 3:45:12 PM");
  write("Restore: 3", "MainKey", "-2147483646");
  write("Restore: 3", "KeyName", "(Default)");
  write("Restore: 3", "KeyValue", "C:\\Program Files\\Old Tool\\oldtool.exe");
  write("Restore: 7", "MainKey", "-2147483647");
  write("restore: 3", "KEYNAME", "Other");  // replaced in place, whatever the case
  write("Backup Info", "Added", "x");       // appended to the first section
  write("Restore: 3", "KeyValue", "");      // removed
  write("Restore: 7", "Section", "A = B");  // "=" inside a value
  write("Restore: 7", "Padded Key", "v");
  deleteKey("RESTORE: 7", "mainkey");
  deleteKey("Restore: 7", "missing");
  deleteSection("Missing Section");
  write("Zeta", "k", std::string(300, 'z'));
  for (const char* key : {"Time", "Added", "KeyName", "keyvalue", "MainKey", "nothing", " Time "}) {
    expectSameValue("Backup Info", key);
    expectSameValue("Restore: 3", key);
  }
  expectSameValue("Zeta", "k");
  expectSameValue("Restore: 7", "  padded key ");
  expectSameValue("Restore: 7", "Section");
  expectSameKeys("Restore: 7");
  expectSameKeys("restore: 3");
  expectSameKeys("Missing");
  expectSameSections();
  deleteSection("restore: 3");
  deleteSection("Backup Info");
  expectSameSections();
}

TEST_F(IniProfileTest, HandWrittenFilesReadAlike) {
  const std::string text =
      "; leading comment\r\nloose=1\r\n  [Spaced]  \r\n  key   =   value with inner  blanks   \r\n\tTab\t=\tx\t\r\n"
      "=empty name\r\nnoequals\r\n;comment=1\r\n[ Inner "
      "]\r\nk=1\r\n[dup]\r\nk=first\r\nk=second\r\n[DUP]\r\nk=third\r\n"
      "j=only in second\r\n[quotes]\r\nd=\"double\"\r\ns='single'\r\nm=\"mixed'\r\nq=\"\r\nqq=\"\"\r\n"
      "in=a \"b\" c\r\n[brackets] trailing\r\nk=after header text\r\n[unclosed\r\nk=v\r\n[Empty]\r\n\r\n";
  useFiles("handwritten", text, true);
  ini.setDefault("dflt");
  for (const char* section :
       {"Spaced", " spaced ", "Inner", " Inner ", "dup", "quotes", "brackets", "unclosed", "Empty", ""}) {
    for (const char* key :
         {"key", " KEY ", "tab", "noequals", ";comment", "k", "j", "d", "s", "m", "q", "qq", "in", "loose", ""}) {
      expectSameValue(section, key);
    }
    expectSameKeys(section);
  }
  expectSameSections();
}

TEST_F(IniProfileTest, LineEndsAndByteOrderMarkReadAlike) {
  useFiles("lf", "\xEF\xBB\xBF[A]\nk=1\n[B]\rk=2\r\n\n[C]\nk=3", true);
  for (const char* section : {"A", "B", "C"}) expectSameValue(section, "k");
  expectSameSections();
}

TEST_F(IniProfileTest, LongListsAreCutAlike) {
  std::string text;
  for (int n = 1; n <= 1200; ++n) text += "[Restore: " + std::to_string(n) + "]\r\nk=v\r\n";
  text += "[Many]\r\n";
  for (int n = 1; n <= 1200; ++n) text += "SomeLongerKeyName" + std::to_string(n) + "=v\r\n";
  useFiles("long", text, true);
  expectSameSections();
  expectSameKeys("Many");
}

TEST_F(IniProfileTest, WritingIntoAMissingFolderFailsAlike) {
  ours = "C:\\nofolder\\x.ini";
  refName = "C:\\nofolder\\x.ini";
  reference = env.files.hostPath(refName).wstring();
  ini.setPath(ours);
  ini.setSection("S");
  ini.setKey("K");
  ini.setValue("v");
  EXPECT_FALSE(ini.success());
  EXPECT_FALSE(WritePrivateProfileStringW(L"S", L"K", L"v", reference.c_str()));
  EXPECT_FALSE(env.files.exists("C:\\nofolder"));
}

}  // namespace
}  // namespace hm::shell
