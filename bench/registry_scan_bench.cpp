// A quick scan over a generated registry of more than 1,000,000 values (a
// realistic mix of class registrations, application paths, uninstall entries
// and shared-library counts), next to its floor measured in the same run: the
// plain enumeration of the same tree plus one stat() of each distinct path
// the scan tests. Also reports the existence searches per scan, the peak
// memory the scan adds, and how long a cancelled scan takes to return.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "common/Globals.h"
#include "mainwindow/ScanCommands.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/Machine.h"
#include "platform/SimplePorts.h"
#include "platform/Text.h"
#include "platform/host/HostFileSystem.h"
#include "platform/memory/MemoryRegistry.h"

namespace {

namespace fs = std::filesystem;
using namespace hm::platform;

constexpr int kClasses = 300000;    // 2 values each
constexpr int kAppPaths = 50000;    // 2 values each
constexpr int kUninstall = 50000;   // 6 values each
constexpr int kSharedDlls = 20000;  // 1 value each, distinct files
constexpr int kFiles = 20000;       // files on the drive that the values name

std::string sz(const std::string& s) { return hm::text::toUtf16Bytes(s, true); }

// One in ten references names a file that is gone.
std::string fileFor(int i) {
  return (i % 10 == 0) ? "C:\\Program Files\\Gone\\app" + std::to_string(i) + ".dll"
                       : "C:\\Program Files\\Vendor" + std::to_string(i % 20) + "\\file" +
                             std::to_string((i / 20) % (kFiles / 20)) + ".dll";
}

struct GeneratedMachine {
  fs::path dir;
  RegistryKey localMachine{"", nullptr, false};
  RegistryKey currentUser{"", nullptr, false};
  std::unique_ptr<MemoryRegistry> registry;
  std::unique_ptr<HostFileSystem> files;
  FixedDriveList drives{{{'C', kDriveFixed, true}}};
  SystemClock clock;
  CallbackPump pump;
  ScriptedDialogs dialogs;
  TableEnvironment environment;
  Machine machine;
  std::size_t values = 0;

  GeneratedMachine() {
    std::string tmpl = (fs::temp_directory_path() / "hm-regbench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp");
    dir = tmpl;
    for (int v = 0; v < 20; ++v) {
      const fs::path folder = dir / "c" / "Program Files" / ("Vendor" + std::to_string(v));
      fs::create_directories(folder);
      for (int f = 0; f < kFiles / 20; ++f) std::ofstream(folder / ("file" + std::to_string(f) + ".dll")) << "x";
    }
    fs::create_directories(dir / "c" / "windows" / "system32");
    const std::string dword(4, '\1');
    RegistryKey& classes = localMachine.ensurePath("Software\\Classes\\CLSID");
    for (int i = 0; i < kClasses; ++i) {
      char guid[64];
      std::snprintf(guid, sizeof guid, "{%08X-0000-4000-8000-%012d}", i, i);
      RegistryKey& server = classes.ensureSubkey(guid).ensureSubkey("InprocServer32");
      server.setValue("", kRegSz, sz(fileFor(i)));
      server.setValue("ThreadingModel", kRegSz, sz("Apartment"));
    }
    RegistryKey& appPaths = localMachine.ensurePath("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");
    for (int i = 0; i < kAppPaths; ++i) {
      RegistryKey& k = appPaths.ensureSubkey("tool" + std::to_string(i) + ".exe");
      std::string exe = fileFor(i);
      exe.replace(exe.size() - 3, 3, "exe");
      k.setValue("", kRegSz, sz(exe));
      k.setValue("Path", kRegSz, sz("C:\\Program Files\\Vendor" + std::to_string(i % 20)));
    }
    RegistryKey& uninstall = localMachine.ensurePath("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    for (int i = 0; i < kUninstall; ++i) {
      RegistryKey& k = uninstall.ensureSubkey("Product" + std::to_string(i));
      k.setValue("DisplayName", kRegSz, sz("Product " + std::to_string(i)));
      k.setValue("UninstallString", kRegSz, sz(fileFor(i) + " /uninstall"));
      k.setValue("DisplayIcon", kRegSz, sz(fileFor(i + 1) + ",0"));
      k.setValue("InstallLocation", kRegSz, sz("C:\\Program Files\\Vendor" + std::to_string(i % 20)));
      k.setValue("Publisher", kRegSz, sz("Vendor " + std::to_string(i % 20)));
      k.setValue("EstimatedSize", kRegDword, dword);
    }
    RegistryKey& shared = localMachine.ensurePath("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    for (int i = 0; i < kSharedDlls; ++i) shared.setValue(fileFor(i), kRegDword, dword);
    values = localMachine.valueCountDeep() + currentUser.valueCountDeep();
    registry = std::make_unique<MemoryRegistry>(localMachine, currentUser);
    files = std::make_unique<HostFileSystem>(std::map<char, fs::path>{{'C', dir / "c"}}, HostFolders{});
    machine = Machine{registry.get(), files.get(), &drives, &clock, &pump, &dialogs, &environment};
  }
  ~GeneratedMachine() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

GeneratedMachine& generated() {
  static GeneratedMachine m;
  return m;
}

// Every key and every value read through the registry port, nothing checked.
std::size_t PlainEnumeration(RegistryPort& reg, HKey key) {
  std::size_t n = 0;
  std::string name;
  RegValue value;
  for (std::uint32_t i = 0; reg.enumValue(key, i, name, 16384, &value, 4096) == kSuccess; ++i) ++n;
  for (std::uint32_t i = 0; reg.enumKey(key, i, name, 256) == kSuccess; ++i) {
    HKey child = 0;
    if (reg.openKey(key, name, kKeyRead, child) != kSuccess) continue;
    n += PlainEnumeration(reg, child);
    reg.closeKey(child);
  }
  return n;
}

// The files port of the generated machine, counting the existence searches
// and remembering which paths they named.
class RecordingFiles : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  FindResult findFirst(std::string_view p, bool folders) override {
    ++searches;
    if (recording) paths.emplace(hm::text::toUpper(p), std::string(p));
    return inner_.findFirst(p, folders);
  }

  long long searches = 0;
  bool recording = false;
  std::unordered_map<std::string, std::string> paths;  // upper-cased -> as first written
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The generated paths are written as on disk below C:, whose host folder is dir/c.
fs::path HostPathOf(const fs::path& drive, const std::string& windowsPath) {
  std::string rest = windowsPath.substr(3);
  for (char& c : rest)
    if (c == '\\') c = '/';
  return drive / rest;
}

// Peak resident memory (VmHWM) and current resident memory (VmRSS), in KiB.
long long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, n, field) == 0) return std::atoll(line.c_str() + n + 1);
  return -1;
}

struct Report {
  double scan = 0, enumeration = 0, stats = 0;
  long long searchesPerScan = 0, distinctPaths = 0, peakAddedKiB = -1;
  double cancelMs = -1;
  std::size_t problems = 0;
} g_report;

void BM_QuickScan(benchmark::State& state) {
  auto& g = generated();
  RecordingFiles recording(*g.files);
  Machine machine = g.machine;
  machine.files = &recording;
  MachineScope scope(machine);
  std::size_t problems = 0;
  double seconds = 0;
  long long runs = 0;
  for (auto _ : state) {
    const long long before = recording.searches;
    const auto start = std::chrono::steady_clock::now();
    hm::ScanLists lists;
    problems = hm::RunScan(lists, hm::ScanKind::Quick);
    seconds += SecondsSince(start);
    ++runs;
    g_report.searchesPerScan = recording.searches - before;
  }
  g_report.scan = seconds / static_cast<double>(runs);
  g_report.problems = problems;
  state.counters["values"] = static_cast<double>(g.values);
  state.counters["problems"] = static_cast<double>(problems);
  state.counters["values_per_s"] =
      benchmark::Counter(static_cast<double>(g.values), benchmark::Counter::kIsIterationInvariantRate);
}

// The work a quick scan cannot avoid: reading every key and value, and one
// stat() of each distinct path it tests (collected by one recorded scan).
void BM_QuickScanFloor(benchmark::State& state) {
  auto& g = generated();
  RecordingFiles recording(*g.files);
  recording.recording = true;
  {
    Machine machine = g.machine;
    machine.files = &recording;
    MachineScope scope(machine);
    hm::ScanLists lists;
    hm::RunScan(lists, hm::ScanKind::Quick);
  }
  std::vector<fs::path> hostPaths;
  for (const auto& [upper, p] : recording.paths)
    if (upper.size() > 3 && upper.compare(0, 3, "C:\\") == 0) hostPaths.push_back(HostPathOf(g.dir / "c", p));
  double enumeration = 0, stats = 0;
  long long runs = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    std::size_t n = PlainEnumeration(*g.registry, rootHandle(kHkeyLocalMachine)) +
                    PlainEnumeration(*g.registry, rootHandle(kHkeyCurrentUser));
    benchmark::DoNotOptimize(n);
    enumeration += SecondsSince(start);
    start = std::chrono::steady_clock::now();
    int found = 0;
    struct stat st {};
    for (const fs::path& p : hostPaths) found += ::stat(p.c_str(), &st) == 0;
    benchmark::DoNotOptimize(found);
    stats += SecondsSince(start);
    ++runs;
  }
  g_report.enumeration = enumeration / static_cast<double>(runs);
  g_report.stats = stats / static_cast<double>(runs);
  g_report.distinctPaths = static_cast<long long>(recording.paths.size());
  state.counters["distinct_paths"] = static_cast<double>(recording.paths.size());
}

// Peak resident memory that one scan adds to the loaded registry, measured
// in a child process so that memory freed by earlier runs does not hide it.
void BM_QuickScanMemory(benchmark::State& state) {
  auto& g = generated();
  for (auto _ : state) {
    int fds[2];
    if (::pipe(fds) != 0) {
      state.SkipWithError("pipe failed");
      break;
    }
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      ::malloc_trim(0);
      std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from the current size
      MachineScope scope(g.machine);
      const long long before = StatusKiB("VmRSS:");
      hm::ScanLists lists;
      hm::RunScan(lists, hm::ScanKind::Quick);
      const long long added = StatusKiB("VmHWM:") - before;
      ssize_t written = ::write(fds[1], &added, sizeof added);
      ::_exit(written == static_cast<ssize_t>(sizeof added) ? 0 : 1);
    }
    ::close(fds[1]);
    long long added = -1;
    if (::read(fds[0], &added, sizeof added) != static_cast<ssize_t>(sizeof added)) added = -1;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    g_report.peakAddedKiB = added;
  }
  state.counters["peak_added_MiB"] = static_cast<double>(g_report.peakAddedKiB) / 1024.0;
}

// Time from CancelScan being set, a tenth of a second into the scan (well
// before its end), to the scan's return.
void BM_CancelLatency(benchmark::State& state) {
  auto& g = generated();
  Machine machine = g.machine;
  CallbackPump pump;
  machine.pump = &pump;
  MachineScope scope(machine);
  for (auto _ : state) {
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now(), cancelled{};
    pump.onPump = [&] {
      if (!hm::CancelScan && SecondsSince(started) > 0.1) {
        cancelled = std::chrono::steady_clock::now();
        hm::CancelScan = true;
      }
    };
    hm::ScanLists lists;
    hm::RunScan(lists, hm::ScanKind::Quick);
    g_report.cancelMs = cancelled.time_since_epoch().count() != 0 ? SecondsSince(cancelled) * 1000 : -1;
    pump.onPump = nullptr;
  }
  hm::CancelScan = false;
}

void BM_PlainEnumeration(benchmark::State& state) {
  auto& g = generated();
  std::size_t n = 0;
  for (auto _ : state) n = PlainEnumeration(*g.registry, rootHandle(kHkeyLocalMachine));
  state.counters["values"] = static_cast<double>(n);
  state.counters["values_per_s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_PlainEnumeration)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QuickScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QuickScanFloor)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QuickScanMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CancelLatency)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  generated();  // made before any clock starts
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const Report& r = g_report;
  const double floor = r.enumeration + r.stats;
  if (r.scan > 0 && floor > 0)
    std::printf("quick scan %.0f ms, floor %.0f ms (enumeration %.0f ms + %lld stat() %.0f ms), ratio %.2f\n",
                r.scan * 1000, floor * 1000, r.enumeration * 1000, r.distinctPaths, r.stats * 1000, r.scan / floor);
  if (r.searchesPerScan > 0)
    std::printf("existence searches per scan %lld, distinct paths tested %lld\n", r.searchesPerScan, r.distinctPaths);
  if (r.peakAddedKiB >= 0)
    std::printf("peak memory added by the scan %.1f MiB (%zu problems)\n", static_cast<double>(r.peakAddedKiB) / 1024,
                r.problems);
  if (r.cancelMs >= 0) std::printf("cancel latency %.2f ms\n", r.cancelMs);
  return 0;
}
