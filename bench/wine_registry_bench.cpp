// Reading and writing a Wine system.reg of more than 100 MB.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "platform/Registry.h"
#include "platform/wineprefix/WineRegistryFile.h"

namespace {

using hm::platform::RegistryKey;

std::string utf16z(const std::string& ascii) {
  std::string out;
  for (const char c : ascii) {
    out += c;
    out += '\0';
  }
  return out + std::string(2, '\0');
}

// A machine hive shaped like a well-used prefix: many COM classes, file
// types, and application settings with strings, paths, numbers and blobs.
const std::string& generatedSystemReg() {
  static const std::string text = [] {
    hm::platform::WineRegistryFile file;
    file.relativeToLine = ";; All keys relative to REGISTRY\\\\Machine";
    file.archLine = "#arch=win64";
    RegistryKey& root = *file.root;
    std::uint64_t ticks = 0x1dd87b3fe93aa58ull;
    const auto stamp = [&](RegistryKey& k) {
      char buf[24];
      std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(ticks += 7919));
      k.timeStampText = buf;
      k.hasTimeStamp = true;
    };
    std::string written;
    for (int n = 0;; ++n) {
      char guid[64];
      std::snprintf(guid, sizeof guid, "{%08X-%04X-11CE-BFC1-%012llX}", n * 2654435761u, n & 0xFFFF,
                    static_cast<unsigned long long>(n) * 0x9E3779B97Full & 0xFFFFFFFFFFFFull);
      RegistryKey& clsid = root.ensurePath(std::string("Software\\Classes\\CLSID\\") + guid);
      stamp(clsid);
      clsid.setValue("", hm::platform::kRegSz, utf16z("Component object number " + std::to_string(n)));
      RegistryKey& server = clsid.ensureSubkey("InprocServer32");
      stamp(server);
      server.setValue("", hm::platform::kRegExpandSz,
                      utf16z("%SystemRoot%\\system32\\component" + std::to_string(n % 977) + ".dll"));
      server.setValue("ThreadingModel", hm::platform::kRegSz, utf16z(n % 3 ? "Both" : "Apartment"));
      RegistryKey& ext = root.ensurePath("Software\\Classes\\.ext" + std::to_string(n));
      stamp(ext);
      ext.setValue("", hm::platform::kRegSz, utf16z("file" + std::to_string(n)));
      ext.setValue("Content Type", hm::platform::kRegSz, utf16z("application/x-type-" + std::to_string(n)));
      RegistryKey& app =
          root.ensurePath("Software\\Vendor" + std::to_string(n % 211) + "\\App" + std::to_string(n) + "\\Settings");
      stamp(app);
      app.setValue(
          "InstallPath", hm::platform::kRegSz,
          utf16z("C:\\Program Files\\Vendor " + std::to_string(n % 211) + "\\App \"" + std::to_string(n) + "\"\\bin"));
      app.setValue("Version", hm::platform::kRegDword, std::string("\x01\x02\x00\x00", 4));
      app.setValue("Flags", hm::platform::kRegQword, std::string(8, static_cast<char>(n)));
      app.setValue("Recent", hm::platform::kRegMultiSz, utf16z(std::string("first\0second\0third\0", 19)));
      std::string blob;
      for (int b = 0; b < 64 + (n % 192); ++b) blob += static_cast<char>(b * n);
      app.setValue("WindowPlacement", hm::platform::kRegBinary, blob);
      app.setValue("Caf\xc3\xa9 \xe2\x82\xac", hm::platform::kRegSz, utf16z("t\xe9st"));
      if (n % 20000 == 19999) {
        written = hm::platform::writeWineRegistry(file, 0x1dd87b3fe93aa58ull);
        if (written.size() >= (100u << 20)) return written;
      }
    }
  }();
  return text;
}

void parseSystemReg(benchmark::State& state) {
  const std::string& text = generatedSystemReg();
  for (auto _ : state) {
    auto result = hm::platform::parseWineRegistry(text, "system.reg");
    if (!result.ok) state.SkipWithError(result.error.c_str());
    benchmark::DoNotOptimize(result.file.root.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["file_MB"] = static_cast<double>(text.size()) / (1 << 20);
}

void writeSystemReg(benchmark::State& state) {
  const std::string& text = generatedSystemReg();
  auto parsed = hm::platform::parseWineRegistry(text, "system.reg");
  for (auto _ : state) {
    std::string out = hm::platform::writeWineRegistry(parsed.file, 0x1dd87b3fe93aa58ull);
    if (out != text) state.SkipWithError("the written text differs from the generated file");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// 200,000 sibling keys, in Wine's order or the reverse of it.
std::string siblingsReg(bool reversed) {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n";
  constexpr int kSiblings = 200000;
  for (int i = 0; i < kSiblings; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "\n[Software\\\\Many\\\\k%06d] 1700000000\n", reversed ? kSiblings - 1 - i : i);
    text += line;
  }
  return text;
}

void parseSiblings(benchmark::State& state) {
  const std::string text = siblingsReg(state.range(0) != 0);
  for (auto _ : state) {
    auto result = hm::platform::parseWineRegistry(text, "system.reg");
    if (!result.ok) state.SkipWithError(result.error.c_str());
    benchmark::DoNotOptimize(result.file.root->findPath("Software\\Many")->subkeys().size());
  }
}

BENCHMARK(parseSiblings)->Arg(0)->Arg(1)->ArgName("reversed")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(parseSystemReg)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(writeSystemReg)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
