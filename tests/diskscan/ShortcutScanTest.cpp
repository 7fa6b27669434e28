#include <gtest/gtest.h>

#include <algorithm>

#include "common/DoEvents.h"
#include "common/Globals.h"
#include "diskscan/DiskScanTestSupport.h"
#include "diskscan/ShortcutScan.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

constexpr const char* kDriveSection = "Windows Shortcuts(Drive C:)";
constexpr const char* kGone = "C:\\Gone\\app.exe";

class ShortcutScan : public ::testing::Test {
 protected:
  void SetUp() override {
    CancelScan = false;
    DoEventsNow();  // lines the pump's clock up with this machine's
  }
  void TearDown() override { CancelScan = false; }

  void link(std::string_view relative, std::string_view target, bool advertised = false) {
    m.createFile(relative, test::ShortcutTo(target, advertised));
  }
  void scan() { FindFilesAPI(lists, m.root(), kDriveSection); }
  // The shortcut paths reported, relative to the scratch root.
  std::vector<std::string> reported() const {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < lists.lvwErrors.rowCount(); ++i)
      paths.emplace_back(lists.lvwErrors.cell(i, kFullKeyPath).substr(m.root().size() + 1));
    return paths;
  }

  test::TestMachine m;
  ScanLists lists;
};

TEST_F(ShortcutScan, ReportsAFoldersShortcutsBeforeAnyInItsSubfolders) {
  m.createFile("Apps\\tool.exe");
  link("a.lnk", kGone);
  link("b.lnk", m.path("Apps\\tool.exe"));
  link("sub\\c.lnk", "C:\\Gone\\other.exe");
  link("sub\\deeper\\d.lnk", kGone);
  link("z.lnk", kGone);
  scan();

  const auto paths = reported();
  ASSERT_EQ(paths.size(), 4u);
  const std::vector<std::string> rootLinks{"a.lnk", "z.lnk"};
  EXPECT_TRUE(std::is_permutation(paths.begin(), paths.begin() + 2, rootLinks.begin()));
  EXPECT_EQ(paths[2], "sub\\c.lnk");
  EXPECT_EQ(paths[3], "sub\\deeper\\d.lnk");

  const std::size_t c = 2;
  EXPECT_EQ(lists.lvwErrors.cell(c, kMainKey), kDriveSection);
  EXPECT_EQ(lists.lvwErrors.cell(c, kKeyName), "");
  EXPECT_EQ(lists.lvwErrors.cell(c, kKeyValue), "C:\\Gone\\other.exe -> " + m.path("sub\\c.lnk"));
  EXPECT_EQ(lists.lvwErrors.cell(c, kSection), kDriveSection);
  EXPECT_EQ(lists.lvwErrors.cell(c, kFullKeyPath), m.path("sub\\c.lnk"));
  EXPECT_EQ(lists.lvwErrors.cell(c, kMainKeyName), "");
  EXPECT_TRUE(lists.lvwErrors.row(c).checked);
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(ShortcutScan, ExtensionMatchesInAnyCaseAndOnlyOnFiles) {
  link("UPPER.LNK", kGone);
  m.createFile("note.lnk.txt", test::ShortcutTo(kGone));
  link("folder.lnk\\inner.lnk", kGone);
  link("v1.2\\dotted.lnk", kGone);
  scan();
  const auto paths = reported();
  EXPECT_EQ(paths, (std::vector<std::string>{"UPPER.LNK", "folder.lnk\\inner.lnk", "v1.2\\dotted.lnk"}));
}

TEST_F(ShortcutScan, SkipsShortcutsUnderRecycledAndTemporaryInternetFiles) {
  link("RECYCLED\\x.lnk", kGone);
  link("Recycled\\deep\\y.lnk", kGone);
  link("Cache\\temporary internet files\\Content.IE5\\z.lnk", kGone);
  link("Recycle\\w.lnk", kGone);
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"Recycle\\w.lnk"}));
}

TEST_F(ShortcutScan, TargetsOnTheCdRomDriveAreSkippedOnlyWhenItIsOne) {
  link("p.lnk", "P:\\setup.exe");
  link("q.lnk", "q:\\Setup\\install.exe");
  scan();
  EXPECT_EQ(reported().size(), 2u) << "without a CD-ROM drive such targets are judged like any other";

  lists.lvwErrors.clear();
  m.drives.list().push_back({'P', platform::kDriveCdRom, false});
  m.drives.list().push_back({'Q', platform::kDriveCdRom, true});
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"p.lnk"})) << "the last CD-ROM drive listed counts";
}

TEST_F(ShortcutScan, TargetsNamingNodeOrWithoutADotAreNeverReported) {
  m.createFolder("Present");
  link("node.lnk", "C:\\Gone\\NoDeJs\\app.exe");
  link("nodot.lnk", "C:\\Gone\\program");
  link("nodotpresent.lnk", m.root() == "C:" ? "C:\\Present" : "C:\\windows");
  link("empty.lnk", "");
  scan();
  EXPECT_TRUE(reported().empty());
}

TEST_F(ShortcutScan, PresentTargetsAreNotReportedWhateverTheirAttributes) {
  m.createFile("Apps\\hidden.exe");
  m.createFile("Apps\\system.dll");
  m.createFile("Apps\\both.sys");
  m.createFolder("Apps\\Suite 2.0");
  m.setAttributes("Apps\\hidden.exe", platform::kAttrHidden);
  m.setAttributes("Apps\\system.dll", platform::kAttrSystem);
  m.setAttributes("Apps\\both.sys", platform::kAttrSystem | platform::kAttrHidden);
  link("Links\\hidden.lnk", m.path("Apps\\hidden.exe"));
  link("Links\\system.lnk", m.path("Apps\\system.dll"));
  link("Links\\both.lnk", m.path("APPS\\BOTH.SYS"));
  link("Links\\folder.lnk", m.path("Apps\\Suite 2.0"));
  link("Links\\gone.lnk", m.path("Apps\\gone.exe"));
  // A hidden or system shortcut is still examined.
  m.setAttributes("Links\\gone.lnk", platform::kAttrHidden | platform::kAttrSystem);
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"Links\\gone.lnk"}));
}

TEST_F(ShortcutScan, FilesAListingLeftWithoutAttributesAreJudgedByTheirOwn) {
  link("hidden.lnk", kGone);
  link("offline.lnk", kGone);
  m.setAttributes("hidden.lnk", platform::kAttrHidden);
  test::ScriptedFiles files(*m.machine().files);
  files.bareKinds = true;
  constexpr std::uint32_t kOfflineOnly = 0x1000;  // none of a plain file's attributes
  files.onAttributes = [](std::string_view path) -> std::optional<std::uint32_t> {
    if (path.ends_with("\\offline.lnk")) return kOfflineOnly;
    return std::nullopt;
  };
  platform::Machine scripted = m.machine();
  scripted.files = &files;
  platform::MachineScope scope(scripted);
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"hidden.lnk"}));
}

TEST_F(ShortcutScan, AdvertisedAndUnreadableShortcutsAreNotReported) {
  link("installer.lnk", kGone, true);
  m.createFile("garbage.lnk", "this is not a shortcut");
  m.createFile("empty.lnk", "");
  m.createFile("truncated.lnk", test::ShortcutTo(kGone).substr(0, 0x50));
  m.environment.variables["APPDIR"] = "C:\\Gone";
  link("expanded.lnk", "%APPDIR%\\tool.exe");
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"expanded.lnk"}));
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(ShortcutScan, ATargetNameThePlatformRefusesCostsOnlyItsOwnShortcut) {
  link("a.lnk", "C:\\Gone\\a|b.exe");
  link("b.lnk", kGone);
  link("sub\\c.lnk", kGone);
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"b.lnk", "sub\\c.lnk"}));
  EXPECT_EQ(m.errorLogEntries(), 1);
  EXPECT_NE(m.errorLog().find("FindFilesAPI"), std::string::npos);
}

TEST_F(ShortcutScan, CancelStopsWithinOneEntryAndKeepsTheRowsFound) {
  for (char c = 'a'; c <= 'j'; ++c) link(std::string(1, c) + ".lnk", kGone);
  link("sub\\k.lnk", kGone);
  m.pump.onPump = [&] {
    if (lists.lvwErrors.rowCount() == 2) CancelScan = true;
  };
  scan();
  EXPECT_EQ(lists.lvwErrors.rowCount(), 2u);

  ScanLists before;
  FindFilesAPI(before, m.root(), kDriveSection);
  EXPECT_EQ(before.lvwErrors.rowCount(), 0u);
  EXPECT_EQ(before.lblRegistryFilesScan.caption(), "") << "a cancelled search lists nothing";
}

TEST_F(ShortcutScan, FoldersThatCannotBeListedOrAreLinksAreNotEntered) {
  link("locked\\x.lnk", kGone);
  link("junction\\y.lnk", kGone);
  link("open\\z.lnk", kGone);
  test::ScriptedFiles files(*m.machine().files);
  files.onList = [](std::string_view folder, std::vector<platform::DirEntry>&) -> std::optional<bool> {
    if (folder.ends_with("\\locked\\")) return false;
    return std::nullopt;
  };
  files.editListing = [](std::string_view, std::vector<platform::DirEntry>& entries) {
    for (auto& e : entries)
      if (e.name == "junction") e.attributes |= platform::kAttrReparsePoint;
  };
  platform::Machine scripted = m.machine();
  scripted.files = &files;
  platform::MachineScope scope(scripted);
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"open\\z.lnk"}));
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(ShortcutScan, AFolderWithMoreThan32767SubfoldersIsSearchedWhole) {
  link("wide\\last\\x.lnk", kGone);
  constexpr int kSynthetic = 40000;
  test::ScriptedFiles files(*m.machine().files);
  files.onList = [](std::string_view folder, std::vector<platform::DirEntry>& entries) -> std::optional<bool> {
    if (folder.find("\\wide\\f") != std::string_view::npos) {
      entries.clear();
      return true;
    }
    return std::nullopt;
  };
  files.editListing = [](std::string_view folder, std::vector<platform::DirEntry>& entries) {
    if (!folder.ends_with("\\wide\\")) return;
    std::vector<platform::DirEntry> many;
    for (int i = 0; i < kSynthetic; ++i) many.push_back({"f" + std::to_string(i), platform::kAttrDirectory});
    entries.insert(entries.begin(), many.begin(), many.end());
  };
  platform::Machine scripted = m.machine();
  scripted.files = &files;
  platform::MachineScope scope(scripted);
  scan();
  EXPECT_EQ(reported(), (std::vector<std::string>{"wide\\last\\x.lnk"}));
  EXPECT_GT(files.listings, kSynthetic);
}

TEST_F(ShortcutScan, TheDriveListIsAskedOncePerSearch) {
  for (char c = 'a'; c <= 'e'; ++c) link(std::string(1, c) + ".lnk", kGone);
  test::CountingDrives drives(m.drives);
  platform::Machine counted = m.machine();
  counted.drives = &drives;
  platform::MachineScope scope(counted);
  scan();
  EXPECT_EQ(reported().size(), 5u);
  EXPECT_EQ(drives.asked, 1);
}

TEST_F(ShortcutScan, GetTargetReadsTheStoredPathOrNothing) {
  link("a.lnk", "C:\\Program Files\\App\\app.exe");
  m.createFile("bad.lnk", "MZ");
  EXPECT_EQ(GetTarget(m.path("a.lnk")), "C:\\Program Files\\App\\app.exe");
  EXPECT_EQ(GetTarget(m.path("bad.lnk")), "");
  EXPECT_EQ(GetTarget(m.path("missing.lnk")), "");
  EXPECT_TRUE(ReadShortcutTarget(m.path("a.lnk")).advertised == false);
}

}  // namespace
}  // namespace hm
