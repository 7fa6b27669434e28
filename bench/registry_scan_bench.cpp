// A quick scan over a generated registry of more than 1,000,000 values (a
// realistic mix of class registrations, application paths, uninstall entries
// and shared-library counts), next to a plain enumeration of the same tree.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "mainwindow/ScanCommands.h"
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

void BM_QuickScan(benchmark::State& state) {
  auto& g = generated();
  MachineScope scope(g.machine);
  std::size_t problems = 0;
  for (auto _ : state) {
    hm::ScanLists lists;
    problems = hm::RunScan(lists, hm::ScanKind::Quick);
  }
  state.counters["values"] = static_cast<double>(g.values);
  state.counters["problems"] = static_cast<double>(problems);
  state.counters["values_per_s"] =
      benchmark::Counter(static_cast<double>(g.values), benchmark::Counter::kIsIterationInvariantRate);
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
BENCHMARK(BM_QuickScan)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
