#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ini/TempFolderFiles.h"
#include "shell/IniFile.h"

namespace hm::shell {
namespace {

constexpr const char* kIni = "C:\\Backup\\set.bkp";

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env.files.createFolder("C:");
    env.files.createFolder("C:\\Backup");
    ini.setPath(kIni);
  }
  void write(std::string_view section, std::string_view key, std::string_view value) {
    ini.setSection(section);
    ini.setKey(key);
    ini.setValue(value);
    ASSERT_TRUE(ini.success()) << section << "/" << key;
  }
  std::string read(std::string_view section, std::string_view key) {
    ini.setSection(section);
    ini.setKey(key);
    return ini.value();
  }
  std::string file() { return env.files.get(kIni); }

  hm::testing::TempFolderMachine env;
  cInifile ini;
};

TEST_F(IniFileTest, WritesPlaceSectionsAndEntriesLikeTheProfileFunctions) {
  write("Backup Info", "Time", "12/8/2005 3:45:12 PM");
  write("Restore: 3", "MainKey", "-2147483646");
  write("Restore: 3", "KeyName", "(Default)");
  EXPECT_EQ(file(),
            "[Backup Info]\r\nTime=12/8/2005 3:45:12 PM\r\n[Restore: 3]\r\nMainKey=-2147483646\r\n"
            "KeyName=(Default)\r\n");
  // Names without regard to case: the value is replaced in place, the key keeps its spelling.
  write("backup info", "TIME", "later");
  // An entry of an earlier section goes at the end of that section, not of the file.
  write("BACKUP INFO", "Extra", "1");
  EXPECT_EQ(file(),
            "[Backup Info]\r\nTime=later\r\nExtra=1\r\n[Restore: 3]\r\nMainKey=-2147483646\r\n"
            "KeyName=(Default)\r\n");
  EXPECT_EQ(read("backup INFO", "time"), "later");
}

TEST_F(IniFileTest, RemovalsByEmptyValueMissingKeyAndSectionAssignment) {
  write("A", "k1", "1");
  write("A", "k2", "2");
  write("B", "k", "3");
  write("C", "k", "4");
  write("A", "k1", std::string(3, '\0'));  // only NULs: empty, so removed
  EXPECT_EQ(file(), "[A]\r\nk2=2\r\n[B]\r\nk=3\r\n[C]\r\nk=4\r\n");
  ini.setSection("b");
  ini.setINISection("ignored text");
  EXPECT_TRUE(ini.success());
  ini.setSection("C");
  ini.setKey("k");
  ini.DeleteKey();
  EXPECT_EQ(file(), "[A]\r\nk2=2\r\n[C]\r\n");
  ini.DeleteSection();
  EXPECT_EQ(file(), "[A]\r\nk2=2\r\n");
  write("A", "v", std::string("a\0b\0c", 5));
  EXPECT_EQ(read("A", "v"), "abc");
}

TEST_F(IniFileTest, WritingNeverCreatesTheFolderAndNeverOverwritesAnUnreadableFile) {
  ini.setPath("C:\\Missing\\set.bkp");
  ini.setSection("S");
  ini.setKey("K");
  ini.setValue("v");
  EXPECT_EQ(ini.lastReturnCode(), 0);
  EXPECT_FALSE(ini.success());
  EXPECT_FALSE(env.files.exists("C:\\Missing"));
  // A folder where the file should be is not replaced.
  env.files.createFolder("C:\\Backup\\dir.bkp");
  ini.setPath("C:\\Backup\\dir.bkp");
  ini.setValue("v");
  EXPECT_FALSE(ini.success());
  // Deleting from a missing file succeeds and creates nothing.
  ini.setPath(kIni);
  ini.DeleteKey();
  EXPECT_TRUE(ini.success());
  EXPECT_FALSE(env.files.exists(kIni));
}

TEST_F(IniFileTest, ReadsTrimBlanksAndOnePairOfQuotesAndFallBackToDefault) {
  env.files.put(kIni,
                "\xEF\xBB\xBF; comment\n  [ S1 ]  \n a =  spaced  \nq1=\"quoted\"\nq2='single'\nq3=\"\"twice\"\"\n"
                "mixed=\"a'\nnoequals\n[S2]\r\nk=v\rlast=x");
  EXPECT_EQ(read("s1", " A "), "spaced");
  EXPECT_EQ(read("S1", "q1"), "quoted");
  EXPECT_EQ(read("S1", "q2"), "single");
  EXPECT_EQ(read("S1", "q3"), "\"twice\"");
  EXPECT_EQ(read("S1", "mixed"), "\"a'");
  EXPECT_EQ(read("S2", "last"), "x");
  ini.setDefault("dflt  ");
  EXPECT_EQ(read("S1", "noequals"), "dflt");
  EXPECT_EQ(read("S1", "missing"), "dflt");
  EXPECT_EQ(read("S3", "k"), "dflt");
  ini.setPath("C:\\Backup\\none.bkp");
  EXPECT_EQ(read("S1", "a"), "dflt");
}

TEST_F(IniFileTest, ValueReadStopsAt254CharactersButWholeValueDoesNot) {
  const std::string long300(300, 'x');
  write("S", "K", long300);
  EXPECT_EQ(read("S", "K"), std::string(254, 'x'));
  EXPECT_EQ(ini.wholeValue(), long300);
  // Characters, not bytes: 300 two-byte letters come back as 254 letters.
  std::string umlauts;
  for (int i = 0; i < 300; ++i) umlauts += "\xC3\xA4";
  write("S", "K", umlauts);
  EXPECT_EQ(read("S", "K"), umlauts.substr(0, 508));
  EXPECT_EQ(ini.wholeValue(), umlauts);
}

TEST_F(IniFileTest, ValuesThatReadingWouldAlterAreStoredSoTheyReadBackAsWritten) {
  const std::vector<std::string> values = {"\"C:\\Program Files\\Tool\\tool.exe\"",
                                           "'x'",
                                           "  padded  ",
                                           "\"",
                                           "\"C:\\a b\\c.exe\" /quiet",
                                           "Grüße \xE2\x82\xAC"};
  for (const std::string& v : values) {
    write("S", "K", v);
    EXPECT_EQ(ini.wholeValue(), v);
  }
  // A line break cannot forge a section or an entry.
  write("S", "K", "one\r\n[Restore: 9]\nMainKey=1");
  EXPECT_EQ(ini.wholeValue(), "one [Restore: 9] MainKey=1");
  std::vector<std::string> sections;
  std::int32_t count = 0;
  ini.EnumerateAllSections(sections, count);
  EXPECT_EQ(count, 1);
  // Names that cannot be a line of their own are refused.
  ini.setSection("S");
  for (const char* badKey : {"", "a=b", "a\nb", "[x]"}) {
    ini.setKey(badKey);
    ini.setValue("v");
    EXPECT_FALSE(ini.success()) << badKey;
  }
  ini.setSection("a]\r\n[b");
  ini.setKey("k");
  ini.setValue("v");
  EXPECT_FALSE(ini.success());
}

TEST_F(IniFileTest, ListsAreNulSeparatedAndEnumerationsHoldEveryName) {
  ini.setDefault("none");
  EXPECT_EQ(ini.sections(), "none");
  std::vector<std::string> names{"stale"};
  std::int32_t count = 7;
  ini.EnumerateAllSections(names, count);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(names.empty());

  write("A", "x", "1");
  write("A", "y", "2");
  write("B", "z", "3");
  env.files.put(kIni, env.files.get(kIni) + "[]\r\n;c=1\r\nbare\r\n");
  EXPECT_EQ(ini.sections(), std::string("A\0B\0", 4));
  ini.setSection("a");
  EXPECT_EQ(ini.iniSection(), std::string("x\0y\0", 4));
  ini.EnumerateCurrentSection(names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(count, 2);
  ini.setSection("missing");
  EXPECT_EQ(ini.iniSection(), "none");
  ini.EnumerateCurrentSection(names, count);
  EXPECT_EQ(count, 0);
}

TEST_F(IniFileTest, DescriptionFileOfThousandsOfRecordsIsReadWhole) {
  std::string text = "[Backup Info]\r\nTime=12/8/2005 3:45:12 PM\r\n";
  for (int n = 1; n <= 4000; ++n) {
    text += "[Restore: " + std::to_string(n) + "]\r\nMainKey=-2147483646\r\nKeyName=v" + std::to_string(n) +
            "\r\nKeyValue=C:\\x\r\nSection=Application "
            "Paths\r\nFullKeyPath=SOFTWARE\\k\r\nMainKeyName=HKEY_LOCAL_MACHINE\r\n";
  }
  env.files.put(kIni, text);
  // The 8192-unit list is cut, its last name without the NUL that would make it count ...
  const std::string list = ini.sections();
  EXPECT_EQ(list.size(), 8190u);
  EXPECT_NE(list.back(), '\0');
  EXPECT_LT(std::count(list.begin(), list.end(), '\0'), 700);
  // ... but the enumeration holds every section.
  std::vector<std::string> sections;
  std::int32_t count = 0;
  ini.EnumerateAllSections(sections, count);
  ASSERT_EQ(count, 4001);
  EXPECT_EQ(sections.back(), "Restore: 4000");
  ini.setSection(sections.back());
  ini.setKey("KeyName");
  EXPECT_EQ(ini.wholeValue(), "v4000");
}

TEST_F(IniFileTest, RecordsWrittenOneByOneAreAppendedNotRewritten) {
  write("Backup Info", "Time", "t");
  const int rewritesBefore = env.files.atomicWrites;
  for (int n = 1; n <= 300; ++n) {
    for (const char* key : {"MainKey", "KeyName", "KeyValue", "Section", "FullKeyPath", "MainKeyName"}) {
      write("Restore: " + std::to_string(n), key, "value");
    }
  }
  EXPECT_EQ(env.files.atomicWrites, rewritesBefore);
  std::vector<std::string> sections;
  std::int32_t count = 0;
  ini.EnumerateAllSections(sections, count);
  EXPECT_EQ(count, 301);
  // A file that does not end in a line break is continued on a new line.
  env.files.put(kIni, "[A]\r\nk=1");
  write("A", "m", "2");
  EXPECT_EQ(file(), "[A]\r\nk=1\r\nm=2\r\n");
}

TEST_F(IniFileTest, LookupsStayRightThroughEditsThatMoveLines) {
  env.files.put(kIni, "[A]\r\nk=1\r\nK=2\r\n[b]\r\nx=1\r\n[B]\r\nx=2\r\ny=3\r\n[\xC3\xA4]\r\n\xC3\xB6=4\r\n");
  EXPECT_EQ(read("a", "K"), "1");
  EXPECT_EQ(read("B", "X"), "1");
  EXPECT_EQ(read("b", "y"), "");  // a later section of the same name is never read
  EXPECT_EQ(read("\xC3\x84", "\xC3\x96"), "4");
  write("A", "new", "5");  // inserted mid-file: every later line moves
  EXPECT_EQ(read("b", "x"), "1");
  EXPECT_EQ(read("\xC3\xA4", "\xC3\xB6"), "4");
  ini.setSection("A");
  ini.setKey("k");
  ini.DeleteKey();
  EXPECT_EQ(read("A", "k"), "2");
  EXPECT_EQ(read("a", "NEW"), "5");
  ini.setSection("b");
  ini.DeleteSection();
  EXPECT_EQ(read("B", "y"), "3");
  write("B", "z", "6");
  write("C", "z", "7");
  EXPECT_EQ(read("b", "Z"), "6");
  EXPECT_EQ(read("c", "Z"), "7");
  EXPECT_EQ(file(), "[A]\r\nK=2\r\nnew=5\r\n[B]\r\nx=2\r\ny=3\r\nz=6\r\n[\xC3\xA4]\r\n\xC3\xB6=4\r\n[C]\r\nz=7\r\n");
}

TEST_F(IniFileTest, AWriteThatWouldPassTheSizeLimitIsRefused) {
  // Past the limit the file could no longer be read, every record in it lost.
  std::string text = "[Restore: 1]\r\nKeyName=";
  text += std::string(cInifile::kMaxFileBytes - text.size() - 40, 'v') + "\r\n";
  env.files.put(kIni, text);
  ini.setSection("Restore: 2");
  ini.setValues({{"MainKey", "-2147483646"}, {"KeyName", std::string(40, 'w')}});
  EXPECT_FALSE(ini.success());
  EXPECT_EQ(std::filesystem::file_size(env.files.hostPath(kIni)), text.size());
}

TEST(IniNumbers, CLngDefaultConvertsOrFallsBack) {
  EXPECT_EQ(cInifile::CLngDefault(" 42 ", 0), 42);
  EXPECT_EQ(cInifile::CLngDefault("-7", 0), -7);
  EXPECT_EQ(cInifile::CLngDefault("2.5", 0), 2);  // half to even
  EXPECT_EQ(cInifile::CLngDefault("3.5", 0), 4);
  EXPECT_EQ(cInifile::CLngDefault("1e3", 0), 1000);
  EXPECT_EQ(cInifile::CLngDefault("2147483647", 0), 2147483647);
  for (const char* bad : {"", "FAIL", "2147483648", "-2147483649", "1x", "inf", "nan", "0x10", ".", "1e"}) {
    EXPECT_EQ(cInifile::CLngDefault(bad, -5), -5) << bad;
  }
}

TEST_F(IniFileTest, FormPositionIsSavedAndRestoredOnScreen) {
  ini.setSection("Main");
  ini.setKey("caller's key");
  ini.SaveFormPosition({FormPlacement::State::Normal, 100, 200, 3000, 2000});
  EXPECT_TRUE(ini.success());
  EXPECT_EQ(ini.key(), "caller's key");
  EXPECT_EQ(file(), "[Main]\r\nMaximised=0\r\nLeft=100\r\nTop=200\r\nWidth=3000\r\nHeight=2000\r\n");

  const ScreenArea screen{15000, 9000, 15, 15};
  FormPlacement w{FormPlacement::State::Normal, 0, 0, 10, 10};
  ini.LoadFormPosition(w, screen);
  EXPECT_EQ(w.left, 100);
  EXPECT_EQ(w.top, 200);
  EXPECT_EQ(w.width, 3000);
  EXPECT_EQ(ini.defaultValue(), "");

  // Off the right edge: moved back; wider than the screen: cut.
  write("Main", "Left", "14000");
  write("Main", "Width", "20000");
  write("Main", "Maximised", "1");
  ini.setKey("caller's key");
  ini.LoadFormPosition(w, screen, 500, 500);
  EXPECT_EQ(w.left, 60);
  EXPECT_EQ(w.width, 15000 - 60 - 60);
  EXPECT_EQ(w.state, FormPlacement::State::Maximised);
  EXPECT_EQ(ini.key(), "caller's key");

  // A minimised window saves nothing; a maximised one only the flag.
  ini.DeleteSection();
  ini.SaveFormPosition({FormPlacement::State::Minimised, 1, 2, 3, 4});
  EXPECT_FALSE(env.files.get(kIni).find("Maximised") != std::string::npos);
  ini.SaveFormPosition({FormPlacement::State::Maximised, 1, 2, 3, 4});
  EXPECT_EQ(file(), "[Main]\r\nMaximised=1\r\n");
  // A failing write leaves LastReturnCode at 0 and the key as it was.
  ini.setPath("C:\\Missing\\x.ini");
  ini.SaveFormPosition({FormPlacement::State::Normal, 1, 2, 3, 4});
  EXPECT_EQ(ini.lastReturnCode(), 0);
  EXPECT_EQ(ini.key(), "caller's key");
}

}  // namespace
}  // namespace hm::shell
