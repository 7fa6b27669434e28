// A files port over a real temporary folder, for tests on both builds:
// the Windows path "C:\a\b.txt" lives at <root>/C/a/b.txt (UNC paths under
// <root>/UNC/...). Names are matched as the host matches them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace hm::testing {

class TempFolderFiles : public platform::FileSystemPort {
 public:
  TempFolderFiles();
  ~TempFolderFiles() override;
  TempFolderFiles(const TempFolderFiles&) = delete;
  TempFolderFiles& operator=(const TempFolderFiles&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path hostPath(std::string_view windowsPath) const;
  // Test conveniences on the host side.
  void put(std::string_view windowsPath, std::string_view bytes);
  std::string get(std::string_view windowsPath) const;
  bool exists(std::string_view windowsPath) const;

  platform::FindResult findFirst(std::string_view path, bool includeFolders) override;
  std::optional<std::uint32_t> attributes(std::string_view path) override;
  bool listFolder(std::string_view folder, std::vector<platform::DirEntry>& entries) override;
  bool deleteFile(std::string_view path) override;
  bool createFolder(std::string_view path) override;
  std::optional<std::string> readFile(std::string_view path) override;
  bool appendFile(std::string_view path, std::string_view bytes) override;
  bool writeFileAtomic(std::string_view path, std::string_view bytes) override;
  std::string windowsFolder() override { return "C:\\Windows"; }
  std::string systemFolder() override { return "C:\\Windows\\System32"; }
  std::string tempFolder() override { return "C:\\Temp"; }
  std::string programFolder() override { return "C:\\Program Files\\Hivemend"; }

  int atomicWrites = 0;
  int appends = 0;

 private:
  std::filesystem::path root_;
};

// Installs a TempFolderFiles as the machine's files port for a test.
class TempFolderMachine {
 public:
  TempFolderMachine() : scope_(machineWithFiles()) {}
  TempFolderFiles files;

 private:
  platform::Machine& machineWithFiles() {
    machine_.files = &files;
    return machine_;
  }
  platform::Machine machine_;
  platform::MachineScope scope_;
};

}  // namespace hm::testing
