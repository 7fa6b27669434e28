// Reading a backup description file: one section of tens of thousands of
// keys, and tens of thousands of records read key by key. Both must grow
// linearly with the file.
#include <benchmark/benchmark.h>

#include <string>

#include "shell/IniText.h"

namespace {

std::string oneSection(int keys) {
  std::string text = "[Restore: 1]\r\n";
  for (int n = 0; n < keys; ++n) text += "Key" + std::to_string(n) + "=value " + std::to_string(n) + "\r\n";
  return text;
}

std::string records(int count) {
  std::string text = "[Backup Info]\r\nTime=12/8/2005 3:45:12 PM\r\nCompleteMarks=1\r\n";
  for (int n = 1; n <= count; ++n) {
    text += "[Restore: " + std::to_string(n) + "]\r\nMainKey=-2147483646\r\nKeyName=C:\\Gone\\v" + std::to_string(n) +
            ".dll\r\nKeyValue=1\r\nSection=Shared DLLs\r\nFullKeyPath=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
            "SharedDLLs\r\nMainKeyName=HKEY_LOCAL_MACHINE\r\nValueType=4\r\nValueData=01000000\r\nComplete=1\r\n";
  }
  return text;
}

void everyKeyOfOneSection(benchmark::State& state) {
  const std::string text = oneSection(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const hm::shell::IniText ini(text);
    std::size_t found = 0;
    const auto keys = ini.keyNames("Restore: 1");
    for (const std::string& key : *keys) found += ini.value("Restore: 1", key).has_value();
    benchmark::DoNotOptimize(found);
  }
}

void everyKeyOfEveryRecord(benchmark::State& state) {
  const std::string text = records(static_cast<int>(state.range(0)));
  static const char* kKeys[] = {"MainKey",     "KeyName",   "KeyValue",  "Section", "FullKeyPath",
                                "MainKeyName", "ValueType", "ValueData", "Complete"};
  for (auto _ : state) {
    const hm::shell::IniText ini(text);
    std::size_t found = 0;
    for (int n = 1; n <= state.range(0); ++n)
      for (const char* key : kKeys) found += ini.value("Restore: " + std::to_string(n), key).has_value();
    benchmark::DoNotOptimize(found);
  }
  state.counters["file_MB"] = static_cast<double>(text.size()) / (1 << 20);
}

BENCHMARK(everyKeyOfOneSection)->Unit(benchmark::kMillisecond)->Arg(10000)->Arg(40000);
BENCHMARK(everyKeyOfEveryRecord)->Unit(benchmark::kMillisecond)->Arg(10000)->Arg(40000);

}  // namespace

BENCHMARK_MAIN();
