// The drive search over a generated tree of 200,000 files and 2,000 shortcuts,
// next to its floor over the same tree: `find -iname '*.lnk'` listing the
// shortcuts, plus one read of each of them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "common/Globals.h"
#include "diskscan/ShortcutScan.h"
#include "platform/Machine.h"
#include "platform/SimplePorts.h"
#include "platform/host/HostFileSystem.h"
#include "scan/ScanLists.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTopFolders = 20, kMidFolders = 10, kLeafFolders = 10;  // 2,000 leaves
constexpr int kFilesPerLeaf = 100;                                    // 200,000 files
constexpr const char* kSection = "Windows Shortcuts(Drive C:)";

std::string le32(std::uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// A shortcut file with a link-info local base path, as Windows writes for a file target.
std::string ShortcutTo(const std::string& target) {
  static const char clsid[] = "\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46";
  std::string link = le32(0x4C) + std::string(clsid, 16) + le32(0x2);
  link.resize(0x4C, '\0');
  const std::string volume = le32(0x11) + le32(3) + le32(0x1234) + le32(0x10) + std::string(1, '\0');
  const std::uint32_t base = 0x1C + static_cast<std::uint32_t>(volume.size());
  const std::uint32_t suffix = base + static_cast<std::uint32_t>(target.size()) + 1;
  const std::string tail = volume + target + '\0' + '\0';
  link += le32(0x1C + static_cast<std::uint32_t>(tail.size())) + le32(0x1C) + le32(1) + le32(0x1C) + le32(base) +
          le32(0) + le32(suffix) + tail;
  return link + le32(0);
}

void touch(const fs::path& p) {
  const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + p.string());
  ::close(fd);
}

// The tree, made once: every leaf holds 100 plain files and one shortcut,
// half of which point at a file that is not there.
struct GeneratedTree {
  fs::path root;
  int files = 0, shortcuts = 0, broken = 0;

  GeneratedTree() {
    std::string tmpl = (fs::temp_directory_path() / "hm-shortcut-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root = tmpl;
    for (int t = 0; t < kTopFolders; ++t)
      for (int m = 0; m < kMidFolders; ++m)
        for (int l = 0; l < kLeafFolders; ++l) {
          const std::string windowsFolder =
              "C:\\Top" + std::to_string(t) + "\\Mid" + std::to_string(m) + "\\Leaf" + std::to_string(l);
          const fs::path leaf =
              root / ("Top" + std::to_string(t)) / ("Mid" + std::to_string(m)) / ("Leaf" + std::to_string(l));
          fs::create_directories(leaf);
          for (int f = 0; f < kFilesPerLeaf; ++f) touch(leaf / ("file" + std::to_string(f) + ".dat"));
          files += kFilesPerLeaf;
          const bool isBroken = shortcuts % 2 == 0;
          const std::string target =
              isBroken ? "C:\\Gone\\app" + std::to_string(shortcuts) + ".exe" : windowsFolder + "\\file7.dat";
          std::ofstream(leaf / "Program.lnk", std::ios::binary) << ShortcutTo(target);
          ++shortcuts;
          broken += isBroken;
        }
  }
  ~GeneratedTree() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

GeneratedTree& tree() {
  static GeneratedTree generated;
  return generated;
}

struct Timing {
  double seconds = 0;
  long long runs = 0;
  double mean() const { return runs ? seconds / static_cast<double>(runs) : 0; }
};
Timing g_scan, g_find;

void BM_FindFilesAPI(benchmark::State& state) {
  GeneratedTree& t = tree();
  hm::platform::HostFileSystem files({{'C', t.root}}, hm::platform::HostFolders{});
  hm::platform::FixedDriveList drives({{'C', hm::platform::kDriveFixed, true}});
  hm::platform::SystemClock clock;
  hm::platform::CallbackPump pump;
  hm::platform::ScriptedDialogs dialogs;
  hm::platform::TableEnvironment environment;
  hm::platform::Machine machine{nullptr, &files, &drives, &clock, &pump, &dialogs, &environment};
  hm::platform::MachineScope scope(machine);
  hm::CancelScan = false;
  std::size_t rows = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    hm::ScanLists lists;
    hm::FindFilesAPI(lists, "C:\\", kSection);
    rows = lists.lvwErrors.rowCount();
    g_scan.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++g_scan.runs;
  }
  if (rows != static_cast<std::size_t>(t.broken)) state.SkipWithError("wrong number of broken shortcuts");
  state.counters["files"] = t.files + t.shortcuts;
  state.counters["broken"] = static_cast<double>(rows);
}

void BM_FindAndReadShortcuts(benchmark::State& state) {
  const std::string command = "find '" + tree().root.string() + "' -iname '*.lnk' -print0 | xargs -0 cat > /dev/null";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
    g_find.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++g_find.runs;
  }
}

BENCHMARK(BM_FindFilesAPI)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
BENCHMARK(BM_FindAndReadShortcuts)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tree();  // generated before the clock starts
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_scan.runs && g_find.runs)
    std::printf(
        "deep scan of the drive %.1f ms, floor %.1f ms (find -iname '*.lnk' and one read of each), ratio %.2f\n",
        g_scan.mean() * 1000, g_find.mean() * 1000, g_scan.mean() / g_find.mean());
  return 0;
}
