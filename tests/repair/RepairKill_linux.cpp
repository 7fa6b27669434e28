// A repair killed at any point of its backup, a write cut part-way included,
// then a restore of its set: registry and files are what they were before.
// The child process repairs; at the chosen write it writes part of the bytes,
// leaves its registry (in-process memory) in a file and dies. The parent takes
// that registry on, restores and compares.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "backup/Restore.h"
#include "diskscan/DiskScanTestSupport.h"
#include "diskscan/ShortcutScan.h"
#include "mainwindow/Repair.h"
#include "mainwindow/ScanCommands.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "support/RegistrySeed.h"
#include "support/TestMachine.h"

namespace hm::test {
namespace {

namespace fs = std::filesystem;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

// "HKLM\path" or "HKCU\path" -> value name -> (type, bytes).
using Registry = std::map<std::string, std::map<std::string, std::pair<std::uint32_t, std::string>>>;

void readKey(platform::HKey key, const std::string& path, Registry& out) {
  auto& reg = *platform::machine().registry;
  auto& values = out[path];
  platform::RegValue value;
  std::string name;
  for (std::uint32_t i = 0; reg.enumValue(key, i, name, 16384, &value, 1u << 22) == platform::kSuccess; ++i)
    values[name] = {value.type, value.data};
  for (std::uint32_t i = 0; reg.enumKey(key, i, name, 256) == platform::kSuccess; ++i) {
    platform::HKey sub = 0;
    if (reg.openKey(key, name, platform::kKeyRead, sub) != platform::kSuccess) continue;
    readKey(sub, path + "\\" + name, out);
    reg.closeKey(sub);
  }
}

Registry readRegistry() {
  Registry out;
  for (const auto& [root, name] : {std::pair{kHkeyLocalMachine, "HKLM"}, std::pair{kHkeyCurrentUser, "HKCU"}}) {
    platform::HKey key = 0;
    if (platform::machine().registry->openKey(platform::rootHandle(root), "", platform::kKeyRead, key) != 0) continue;
    readKey(key, name, out);
    platform::machine().registry->closeKey(key);
  }
  return out;
}

void put(std::ostream& out, const std::string& s) {
  const std::uint64_t n = s.size();
  out.write(reinterpret_cast<const char*>(&n), sizeof n).write(s.data(), static_cast<std::streamsize>(n));
}
std::string take(std::istream& in) {
  std::uint64_t n = 0;
  in.read(reinterpret_cast<char*>(&n), sizeof n);
  std::string s(in ? n : 0, '\0');
  in.read(s.data(), static_cast<std::streamsize>(s.size()));
  return s;
}

void saveRegistry(const fs::path& file) {
  std::ofstream out(file, std::ios::binary);
  for (const auto& [path, values] : readRegistry())
    for (const auto& [name, value] : values) {
      put(out, path);
      put(out, name);
      put(out, std::to_string(value.first));
      put(out, value.second);
    }
}

// Makes this process's registry the one saved: repair changes values only, never keys.
void takeOnRegistry(const fs::path& file) {
  Registry saved;
  std::ifstream in(file, std::ios::binary);
  for (std::string path; !(path = take(in)).empty();) {
    const std::string name = take(in), type = take(in);
    saved[path][name] = {static_cast<std::uint32_t>(std::stoul(type)), take(in)};
  }
  auto& reg = *platform::machine().registry;
  for (const auto& [path, values] : readRegistry()) {
    const auto root = path.starts_with("HKLM") ? kHkeyLocalMachine : kHkeyCurrentUser;
    platform::HKey key = 0;
    ASSERT_EQ(reg.openKey(platform::rootHandle(root), path.size() > 4 ? path.substr(5) : std::string(),
                          platform::kKeyAllAccess, key),
              0)
        << path;
    const auto& wanted = saved[path];
    for (const auto& [name, value] : values)
      if (!wanted.count(name)) reg.deleteValue(key, name);
    for (const auto& [name, value] : wanted)
      if (!values.count(name) || values.at(name) != value) reg.setValue(key, name, value.first, value.second);
    reg.closeKey(key);
  }
}

// Every file but the backup sets, the error log and the saved registry.
std::map<std::string, std::string> readFiles(const TestMachine& m) {
  std::map<std::string, std::string> tree;
  const fs::path root = m.hostPath("x").parent_path();
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).generic_string();
    if (!entry.is_regular_file() || name.starts_with("Program Files/") || name == "windows/ErrHvmd.txt") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    tree[name] = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return tree;
}

// The real files port, but the process dies at write number `killAt` after
// writing `cutAt` of its bytes (an atomic replacement is all or nothing).
// Writes go to the host files directly, without the port's syncs: a killed
// process loses nothing the kernel has, and a few hundred syncs per round
// would make the test slow.
class KillingFiles : public platform::ForwardingFileSystem {
 public:
  KillingFiles(const TestMachine& m, fs::path registryFile, int killAt, double cutAt)
      : ForwardingFileSystem(*platform::machine().files),
        m_(m),
        registryFile_(std::move(registryFile)),
        killAt_(killAt),
        cutAt_(cutAt) {}
  int writes = 0;

  bool appendFile(std::string_view path, std::string_view bytes) override {
    if (++writes == killAt_) die(append(path, bytes.substr(0, cut(bytes))));
    return append(path, bytes);
  }
  bool writeFileAtomic(std::string_view path, std::string_view bytes) override {
    if (++writes == killAt_) die(cut(bytes) == bytes.size() && replace(path, bytes));
    return replace(path, bytes);
  }

 private:
  std::size_t cut(std::string_view bytes) const {
    return static_cast<std::size_t>(cutAt_ * static_cast<double>(bytes.size()));
  }
  fs::path host(std::string_view path) const { return m_.hostPath(path.substr(m_.root().size() + 1)); }
  bool append(std::string_view path, std::string_view bytes) {
    std::ofstream out(host(path), std::ios::binary | std::ios::app);
    return static_cast<bool>(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
  }
  bool replace(std::string_view path, std::string_view bytes) {
    const fs::path target = host(path), written = target.string() + ".new";
    std::ofstream(written, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::error_code error;
    fs::rename(written, target, error);
    return !error;
  }
  [[noreturn]] void die(bool) {
    saveRegistry(registryFile_);
    ::raise(SIGKILL);
    ::_exit(1);
  }
  const TestMachine& m_;
  fs::path registryFile_;
  int killAt_;
  double cutAt_;
};

// A few hundred problems: values of several types, default values of
// application paths, shortcut files.
void seedMachine(TestMachine& m) {
  m.createFile("Present\\ok.exe");
  const std::string gone = "Gone\\";
  for (int i = 0; i < 90; ++i) {
    const std::string n = std::to_string(i);
    const std::uint32_t dword = static_cast<std::uint32_t>(i);
    SetRaw(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", m.path(gone + n + ".dll"),
           i % 2 ? platform::kRegDword : platform::kRegBinary, std::string(reinterpret_cast<const char*>(&dword), 4));
    SetString(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "run " + n,
              "\"" + m.path(gone + "run" + n + ".exe") + "\" /q");
    if (i % 2 == 0) {
      const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app" + n + ".exe";
      SetString(kHkeyLocalMachine, key, "", m.path(gone + "app" + n + ".exe"));
      SetString(kHkeyLocalMachine, key, "Path", m.path("Present"));
    }
  }
  for (int i = 0; i < 16; ++i)
    m.createFile("Links\\broken" + std::to_string(i) + ".lnk",
                 ShortcutTo(m.path(gone + "target" + std::to_string(i) + ".exe")));
}

TEST(RepairKill, RestoreAfterAKilledRepairGivesBackExactlyWhatWasThere) {
  constexpr int kRounds = 16;
  std::mt19937 random(std::random_device{}());
  int totalWrites = 0, killedMidWrite = 0, problems = 0;
  for (int round = 0; round <= kRounds; ++round) {
    TestMachine m;
    seedMachine(m);
    const Registry registryBefore = readRegistry();
    const auto filesBefore = readFiles(m);
    ScanLists lists;
    RunScan(lists, ScanKind::Quick);
    FindFilesAPI(lists, m.path("Links"), "Windows Shortcuts(Drive C:)");
    problems = static_cast<int>(lists.lvwErrors.rowCount());
    for (std::size_t i = 0; i < lists.lvwErrors.rowCount(); ++i) lists.lvwErrors.setChecked(i, true);

    // Round 0 runs to its end and counts the writes; the others die at one of them.
    const int killAt = round == 0 ? -1 : std::uniform_int_distribution<int>(1, totalWrites)(random);
    const double cutAt = std::uniform_real_distribution<double>(0, 1)(random);
    const fs::path registryFile = m.hostPath("Program Files\\registry.bin");
    fs::create_directories(registryFile.parent_path());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      KillingFiles files(m, registryFile, killAt, cutAt);
      m.machine().files = &files;
      m.dialogs.defaultAnswer = platform::kIdYes;
      RepairOptions options;
      options.takeBackup = true;
      cmdRepairCorruptFiles_Click(lists, options);
      saveRegistry(registryFile);
      std::ofstream(registryFile.string() + ".writes") << files.writes;
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (round == 0) {
      ASSERT_TRUE(WIFEXITED(status));
      std::ifstream(registryFile.string() + ".writes") >> totalWrites;
      ASSERT_GT(totalWrites, 100);
    } else {
      ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
      killedMidWrite += cutAt > 0 && cutAt < 1;
    }
    takeOnRegistry(registryFile);
    if (round == 0) {
      ASSERT_NE(readRegistry(), registryBefore);
    }

    ScanLists restoreLists;
    backup::RestoreSession session;
    session.showChooser = [](backup::frmRestore& chooser) { chooser.cmdOK_Click(); };
    if (backup::cmdRestore_Click(restoreLists, session)) {
      const auto outcome = backup::cmdRestoreNow_Click(restoreLists, session);
      EXPECT_EQ(outcome.failed, 0u) << "round " << round << ", killed at write " << killAt << "\n" << m.errorLog();
    }
    const Registry registryAfter = readRegistry();
    for (const auto& [key, values] : registryBefore)
      EXPECT_TRUE(registryAfter.count(key) && registryAfter.at(key) == values)
          << "round " << round << ", killed at write " << killAt << " of " << totalWrites << " (" << cutAt
          << " of it): " << key;
    EXPECT_EQ(readFiles(m), filesBefore) << "round " << round << ", killed at write " << killAt;
    if (HasFailure()) break;
  }
  RecordProperty("problems", problems);
  RecordProperty("writes", totalWrites);
  RecordProperty("killedMidWrite", killedMidWrite);
  EXPECT_GT(problems, 200);
}

}  // namespace
}  // namespace hm::test
