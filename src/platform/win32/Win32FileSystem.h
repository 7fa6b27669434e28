// The files and drives ports on the real Windows API (wide entry points).
#pragma once

#include <optional>

#include "platform/FileSystem.h"

namespace hm::platform::win32 {

// Folders that replace the platform's answers (tests work in a scratch tree).
struct FolderOverrides {
  std::optional<std::string> windows, system, temp, program;
};

class Win32FileSystem : public FileSystemPort {
 public:
  explicit Win32FileSystem(FolderOverrides overrides = {}) : overrides_(std::move(overrides)) {}

  FindResult findFirst(std::string_view path, bool includeFolders) override;
  std::optional<std::uint32_t> attributes(std::string_view path) override;
  bool listFolder(std::string_view folder, std::vector<DirEntry>& entries) override;
  bool deleteFile(std::string_view path) override;
  bool createFolder(std::string_view path) override;
  std::optional<std::string> readFile(std::string_view path) override;
  std::optional<std::string> readFileUpTo(std::string_view path, std::uint64_t maxBytes) override;
  bool appendFile(std::string_view path, std::string_view bytes) override;
  bool writeFileAtomic(std::string_view path, std::string_view bytes) override;
  std::optional<std::uint64_t> modifiedTime(std::string_view path) override;
  bool setModifiedTime(std::string_view path, std::uint64_t fileTime) override;
  bool setAttributes(std::string_view path, std::uint32_t attributes) override;
  std::string windowsFolder() override;
  std::string systemFolder() override;
  std::string tempFolder() override;
  std::string programFolder() override;

 private:
  FolderOverrides overrides_;
};

// Under wine, a drive whose root is the host's root folder (Z: as wine sets
// it up) is reported as a network drive: it is the host, not a disk of this
// machine, and a search of it would take in the host's own files.
class Win32Drives : public DrivePort {
 public:
  std::vector<DriveInfo> drives() override;
  bool volumeInformation(std::string_view root) override;
};

}  // namespace hm::platform::win32
