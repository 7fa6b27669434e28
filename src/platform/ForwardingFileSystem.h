// A files port that hands every call to another one; wrappers that count,
// refuse or interrupt a few calls derive from it and override only those.
#pragma once

#include "platform/FileSystem.h"

namespace hm::platform {

class ForwardingFileSystem : public FileSystemPort {
 public:
  explicit ForwardingFileSystem(FileSystemPort& inner) : inner_(inner) {}

  FindResult findFirst(std::string_view path, bool includeFolders) override {
    return inner_.findFirst(path, includeFolders);
  }
  std::optional<std::uint32_t> attributes(std::string_view path) override { return inner_.attributes(path); }
  bool listFolder(std::string_view folder, std::vector<DirEntry>& entries) override {
    return inner_.listFolder(folder, entries);
  }
  bool listFolderKinds(std::string_view folder, std::vector<DirEntry>& entries) override {
    return inner_.listFolderKinds(folder, entries);
  }
  bool deleteFile(std::string_view path) override { return inner_.deleteFile(path); }
  bool createFolder(std::string_view path) override { return inner_.createFolder(path); }
  std::optional<std::string> readFile(std::string_view path) override { return inner_.readFile(path); }
  std::optional<std::string> readFileUpTo(std::string_view path, std::uint64_t maxBytes) override {
    return inner_.readFileUpTo(path, maxBytes);
  }
  bool appendFile(std::string_view path, std::string_view bytes) override { return inner_.appendFile(path, bytes); }
  bool writeFileAtomic(std::string_view path, std::string_view bytes) override {
    return inner_.writeFileAtomic(path, bytes);
  }
  bool writeFileAtomicExactName(std::string_view path, std::string_view bytes) override {
    return inner_.writeFileAtomicExactName(path, bytes);
  }
  std::optional<std::uint64_t> modifiedTime(std::string_view path) override { return inner_.modifiedTime(path); }
  bool setModifiedTime(std::string_view path, std::uint64_t fileTime) override {
    return inner_.setModifiedTime(path, fileTime);
  }
  bool setAttributes(std::string_view path, std::uint32_t attributes) override {
    return inner_.setAttributes(path, attributes);
  }
  void holdSnapshot(bool held) override { inner_.holdSnapshot(held); }
  std::string windowsFolder() override { return inner_.windowsFolder(); }
  std::string systemFolder() override { return inner_.systemFolder(); }
  std::string tempFolder() override { return inner_.tempFolder(); }
  std::string programFolder() override { return inner_.programFolder(); }

 protected:
  FileSystemPort& inner_;
};

}  // namespace hm::platform
