// Scan, repair everything, restore: the registry and the files must be what
// they were, byte for byte, for machines full of awkward values (every type,
// quotes and line breaks, empty and very long data, non-ASCII names) and
// broken shortcuts.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <tuple>

#include "backup/Restore.h"
#include "diskscan/DiskScanTestSupport.h"
#include "diskscan/ShortcutScan.h"
#include "mainwindow/Repair.h"
#include "mainwindow/ScanCommands.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "support/RegistrySeed.h"
#include "support/RegistrySnapshot.h"
#include "support/TestMachine.h"

namespace hm::test {
namespace {

namespace fs = std::filesystem;
using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

// The value names whose type or bytes differ, with their sizes (the bytes can be long).
std::string differences(const std::map<std::string, std::pair<std::uint32_t, std::string>>& before,
                        const std::map<std::string, std::pair<std::uint32_t, std::string>>& after) {
  std::string out;
  auto describe = [](const auto* v) {
    return v == nullptr ? std::string("absent")
                        : "type " + std::to_string(v->first) + ", " + std::to_string(v->second.size()) + " bytes";
  };
  std::map<std::string, int> names;
  for (const auto& [name, v] : before) names[name] = 0;
  for (const auto& [name, v] : after) names[name] = 0;
  for (const auto& [name, unused] : names) {
    const auto b = before.find(name), a = after.find(name);
    const auto* vb = b == before.end() ? nullptr : &b->second;
    const auto* va = a == after.end() ? nullptr : &a->second;
    if (vb && va && *vb == *va) continue;
    out += "[" + name + "] before " + describe(vb) + ", after " + describe(va) + "; ";
  }
  return out;
}

std::string utf8(const fs::path& p) {
  const std::u8string s = p.generic_u8string();
  return std::string(s.begin(), s.end());
}

// Every file of the scratch tree but the backup sets and the error log.
std::map<std::string, std::string> snapshotFiles(const TestMachine& m) {
  std::map<std::string, std::string> tree;
  const fs::path root = m.hostPath("x").parent_path();
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = utf8(fs::relative(entry.path(), root));
    if (!entry.is_regular_file() || name.starts_with("Program Files/") || name == "windows/ErrHvmd.txt") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    tree[name] = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return tree;
}

// Checks every row and repairs them all, writing a backup set.
RepairResult RepairEveryRow(TestMachine& m, ScanLists& lists) {
  for (std::size_t i = 0; i < lists.lvwErrors.rowCount(); ++i) lists.lvwErrors.setChecked(i, true);
  m.dialogs.answers = {platform::kIdYes};
  RepairOptions options;
  options.takeBackup = true;
  return cmdRepairCorruptFiles_Click(lists, options);
}

// Loads the newest backup set into `restoreLists` and writes it back;
// nothing when no set could be loaded.
std::optional<backup::RestoreOutcome> RestoreNewestSet(ScanLists& restoreLists) {
  backup::RestoreSession session;
  session.showChooser = [](backup::frmRestore& chooser) { chooser.cmdOK_Click(); };  // the newest set
  if (!backup::cmdRestore_Click(restoreLists, session)) return std::nullopt;
  return backup::cmdRestoreNow_Click(restoreLists, session);
}

// Every key of `before` is in `after` with the same values, and no key was added.
void ExpectSameRegistry(const RegistrySnapshot& before, const RegistrySnapshot& after) {
  EXPECT_EQ(after.size(), before.size());
  for (const auto& [key, values] : before) {
    const auto found = after.find(key);
    ASSERT_NE(found, after.end()) << key;
    EXPECT_TRUE(found->second == values) << key << ": " << differences(values, found->second);
  }
  for (const auto& [key, values] : after) EXPECT_TRUE(before.count(key)) << "new key " << key;
}

class MachineGenerator {
 public:
  MachineGenerator(TestMachine& m, unsigned seed) : m_(m), rng_(seed) {}

  // A name part with blanks, quotes, INI characters and non-ASCII letters (no "\").
  std::string namePart(bool forFile = false) {
    static const char* kPieces[] = {"a", "Z", "7", " ", "'", "=", ";", "[", "]", "Ü", "é", "日本", "ß", "-", "#", "\""};
    std::string s = "n";
    for (int i = pick(1, 8); i > 0; --i) s += kPieces[pick(0, forFile ? 14 : 15)];  // no quote in file names
    return s + std::to_string(counter_++);  // unique, and never ending in a blank
  }

  // Data of a random type: text with quotes and line breaks, expandable
  // text, several strings, bytes, numbers, nothing at all or a lot.
  std::pair<std::uint32_t, std::string> data() {
    std::string text = "say \"" + namePart() + "\"\r\nline 2\n'q'";
    switch (pick(0, 7)) {
      case 0:
        return {platform::kRegSz, text::toUtf16Bytes(text, true)};
      case 1:
        return {platform::kRegExpandSz, text::toUtf16Bytes("%SystemRoot%\\" + text, true)};
      case 2:
        return {platform::kRegMultiSz, text::toUtf16Bytes(std::string("one\0two \"2\"\0\0", 14), false)};
      case 3: {
        std::string bytes(static_cast<std::size_t>(pick(1, 33)), '\0');
        for (char& c : bytes) c = static_cast<char>(pick(0, 255));
        return {platform::kRegBinary, bytes};
      }
      case 4: {
        const std::uint32_t v = static_cast<std::uint32_t>(pick(0, 1 << 30));
        return {platform::kRegDword, std::string(reinterpret_cast<const char*>(&v), 4)};
      }
      case 5:
        return {pick(0, 1) ? platform::kRegSz : platform::kRegBinary, std::string()};
      case 6:
        return {platform::kRegSz, std::string(7, 'x') + text::toUtf16Bytes(std::string(20000, 'L'), true)};
      default:
        return {platform::kRegSz, text::toUtf16Bytes(text, false) + "\x01"};  // odd length, no NUL
    }
  }

  std::string missing(std::string_view extension) {
    return m_.path("Gone\\" + namePart() + "." + std::string(extension));
  }

  // Seeds one machine; returns how many values it wrote.
  int seed() {
    int values = 0;
    m_.createFile("Present\\ok.dll");
    m_.createFile("Present\\ok.exe");
    for (int i = pick(2, 5); i > 0; --i, ++values) {
      const auto [type, bytes] = data();
      SetRaw(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", missing("dll"), type,
             bytes);
    }
    SetDword(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", m_.path("Present\\ok.dll"),
             1);
    for (int i = pick(2, 5); i > 0; --i, ++values) {
      const auto [type, bytes] = data();
      SetRaw(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", missing("exe"), type, bytes);
    }
    SetString(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", "@shell32.dll,-1", "Shell");
    for (int i = pick(1, 3); i > 0; --i, values += 2) {
      SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", namePart(), missing("exe"));
      SetString(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", namePart(),
                "\"" + missing("exe") + "\" /start");
    }
    SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Fine",
              m_.path("Present\\ok.exe"));
    for (int i = pick(1, 3); i > 0; --i)
      CreateEmptyKey(kHkeyClassesRoot, "TypeLib\\{0000-" + namePart() + "}\\1.0\\HELPDIR");
    for (int i = pick(1, 3); i > 0; --i, values += 2) {
      const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + namePart() + ".exe";
      SetString(kHkeyLocalMachine, key, "", missing("exe"));
      SetString(kHkeyLocalMachine, key, "Path", m_.path("Present"));
    }
    return values;
  }

  // Broken shortcuts (and a sound one) below "Links"; returns how many files.
  int seedShortcuts() {
    int files = 0;
    for (int i = pick(1, 4); i > 0; --i, ++files)
      // The target is stored in the code page: plain letters only.
      m_.createFile("Links\\" + std::string(i % 2 ? "Sub\\" : "") + namePart(true) + ".lnk",
                    ShortcutTo(m_.path("Gone\\target" + std::to_string(counter_++) + ".exe")));
    m_.createFile("Links\\sound.lnk", ShortcutTo(m_.path("Present\\ok.exe")));
    return files + 1;
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  TestMachine& m_;
  std::mt19937 rng_;
  int counter_ = 0;
};

TEST(RestoreRoundTrip, RepairThenRestoreGivesBackEveryByte) {
  constexpr int kCases = 8;
  int totalValues = 0, totalFiles = 0, totalRows = 0;
  for (int seed = 1; seed <= kCases; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TestMachine m;
    MachineGenerator generate(m, static_cast<unsigned>(seed));
    totalValues += generate.seed();
    totalFiles += generate.seedShortcuts();
    const RegistrySnapshot registryBefore = SnapshotRegistry();
    const auto filesBefore = snapshotFiles(m);

    ScanLists lists;
    RunScan(lists, ScanKind::Quick);
    FindFilesAPI(lists, m.path("Links"), "Windows Shortcuts(Drive C:)");
    ASSERT_GT(lists.lvwErrors.rowCount(), 0u);
    totalRows += static_cast<int>(lists.lvwErrors.rowCount());
    const RepairResult repaired = RepairEveryRow(m, lists);
    ASSERT_FALSE(repaired.backupFailed) << repaired.backupError;
    EXPECT_EQ(repaired.fixed, lists.lvwErrors.rowCount());
    ASSERT_NE(SnapshotRegistry(), registryBefore);
    ASSERT_NE(snapshotFiles(m), filesBefore);

    ScanLists restoreLists;
    const auto outcome = RestoreNewestSet(restoreLists);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(restoreLists.lvwErrors.rowCount(), lists.lvwErrors.rowCount());
    EXPECT_EQ(outcome->failed, 0u) << m.errorLog();
    EXPECT_EQ(m.dialogs.shown.back().text, "Restore completed successfully.");

    ExpectSameRegistry(registryBefore, SnapshotRegistry());
    EXPECT_EQ(snapshotFiles(m), filesBefore);
  }
  std::printf("[ round trip ] %d machines, %d seeded values, %d shortcut files, %d repaired rows\n", kCases,
              totalValues, totalFiles, totalRows);
}

#ifndef _WIN32
// A Linux folder can hold shortcuts whose names differ only in case; each
// must come back as its own file with its own bytes.
TEST(RestoreRoundTrip, ShortcutsWhoseNamesDifferOnlyInCaseComeBackEachWithItsBytes) {
  for (int seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TestMachine m;
    MachineGenerator generate(m, static_cast<unsigned>(seed));
    generate.seedShortcuts();
    std::vector<fs::path> links;
    for (const auto& entry : fs::recursive_directory_iterator(m.hostPath("Links")))
      if (entry.path().extension() == ".lnk" && entry.path().filename() != "sound.lnk") links.push_back(entry.path());
    for (const fs::path& link : links) {
      std::string upper = link.filename().string();
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      std::ofstream(link.parent_path() / upper, std::ios::binary)
          << ShortcutTo(m.path("Gone\\other" + std::to_string(seed) + ".exe"));
      std::ofstream(link.parent_path() / ("old tool" + std::to_string(seed) + ".lnk"), std::ios::binary)
          << ShortcutTo(m.path("Gone\\lower.exe"));
      std::ofstream(link.parent_path() / ("Old Tool" + std::to_string(seed) + ".lnk"), std::ios::binary)
          << ShortcutTo(m.path("Gone\\Upper.exe"));
    }
    const auto filesBefore = snapshotFiles(m);

    ScanLists lists;
    FindFilesAPI(lists, m.path("Links"), "Windows Shortcuts(Drive C:)");
    ASSERT_GE(lists.lvwErrors.rowCount(), 3 * links.size());
    EXPECT_EQ(RepairEveryRow(m, lists).fixed, lists.lvwErrors.rowCount());
    ASSERT_NE(snapshotFiles(m), filesBefore);

    ScanLists restoreLists;
    const auto outcome = RestoreNewestSet(restoreLists);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->failed, 0u) << m.errorLog();
    EXPECT_EQ(snapshotFiles(m), filesBefore);
  }
}
#endif

}  // namespace
}  // namespace hm::test

namespace hm::test {
namespace {

// Value and key names a line of text cannot hold: restore must bring back
// the very name repair removed, never a look-alike (which is seeded too, and
// healthy, so writing under it would show).
TEST(RestoreRoundTripNames, LineBreaksCarriageReturnsNulsAndTabsComeBackExactly) {
  TestMachine m;
  m.createFile("Present\\ok.exe");
  const std::string present = m.path("Present\\ok.exe");
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  const std::vector<std::string> names = {
      "Line\nBreak", "Carriage\rReturn", "Both\r\n",        std::string("Nul\0In", 6),
      "Tab\tIn",     "\tTab first",      "Mixed\t\n\r\0end"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string gone = m.path("Gone\\program" + std::to_string(i) + ".exe");
    SetString(kHkeyCurrentUser, run, names[i], "\"" + gone + "\"");
    SetString(kHkeyLocalMachine, appPaths + names[i] + ".exe", "", gone);
    SetString(kHkeyLocalMachine, appPaths + names[i] + ".exe", "Path", m.path("Present"));
  }
  for (const std::string lookAlike : {"Line Break", "Carriage Return", "NulIn", "Tab In"}) {
    SetString(kHkeyCurrentUser, run, lookAlike, present);
    SetString(kHkeyLocalMachine, appPaths + lookAlike + ".exe", "", present);
  }
  const RegistrySnapshot before = SnapshotRegistry();

  ScanLists lists;
  RunScan(lists, ScanKind::Quick);
  const RepairResult repaired = RepairEveryRow(m, lists);
  ASSERT_FALSE(repaired.backupFailed) << repaired.backupError;
  EXPECT_EQ(repaired.fixed, 2 * names.size());

  ScanLists restoreLists;
  const auto outcome = RestoreNewestSet(restoreLists);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->failed, 0u) << m.errorLog();
  ExpectSameRegistry(before, SnapshotRegistry());
}

}  // namespace
}  // namespace hm::test
