// Helpers of the drive and shortcut scan tests: small shortcut files, and a
// files port that can hide a folder from listing or change what a listing says.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace hm::test {

inline std::string le32(std::uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// A shortcut to `target` (a code-page path): the header and a link-info block
// with the local base path; `advertised` marks it as an installer's.
inline std::string ShortcutTo(std::string_view target, bool advertised = false) {
  constexpr std::uint32_t kHasLinkInfo = 0x2, kHasDarwinId = 0x1000;
  static const char clsid[] = "\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46";
  std::string link = le32(0x4C) + std::string(clsid, 16) + le32(kHasLinkInfo | (advertised ? kHasDarwinId : 0));
  link.resize(0x4C, '\0');

  const std::string volume = le32(0x11) + le32(3) + le32(0x1234) + le32(0x10) + std::string(1, '\0');
  const std::uint32_t headerSize = 0x1C;
  const std::uint32_t volumeAt = headerSize;
  const std::uint32_t baseAt = volumeAt + static_cast<std::uint32_t>(volume.size());
  const std::uint32_t suffixAt = baseAt + static_cast<std::uint32_t>(target.size()) + 1;
  const std::string tail = volume + std::string(target) + '\0' + '\0';
  link += le32(headerSize + static_cast<std::uint32_t>(tail.size())) + le32(headerSize) + le32(1) + le32(volumeAt) +
          le32(baseAt) + le32(0) + le32(suffixAt) + tail;
  return link + le32(0);  // terminal block
}

// Passes everything to the real port; `onList` may answer a listing instead
// (return a value) or leave it to the real port (return nothing), and
// `editListing` may change what a real listing returned.
class ScriptedFiles : public platform::FileSystemPort {
 public:
  explicit ScriptedFiles(platform::FileSystemPort& real) : real_(real) {}

  std::function<std::optional<bool>(std::string_view folder, std::vector<platform::DirEntry>& entries)> onList;
  std::function<void(std::string_view folder, std::vector<platform::DirEntry>& entries)> editListing;
  // May answer an attribute read instead of the real port.
  std::function<std::optional<std::uint32_t>(std::string_view path)> onAttributes;
  // listFolderKinds then answers as a port that reads nothing beyond what an
  // entry is: files come without any attribute.
  bool bareKinds = false;
  int listings = 0;

  bool listFolder(std::string_view folder, std::vector<platform::DirEntry>& entries) override {
    ++listings;
    if (onList)
      if (const auto answer = onList(folder, entries)) return *answer;
    const bool ok = real_.listFolder(folder, entries);
    if (ok && editListing) editListing(folder, entries);
    return ok;
  }
  bool listFolderKinds(std::string_view folder, std::vector<platform::DirEntry>& entries) override {
    const bool ok = listFolder(folder, entries);
    if (ok && bareKinds)
      for (auto& e : entries) e.attributes &= platform::kAttrDirectory | platform::kAttrReparsePoint;
    return ok;
  }
  platform::FindResult findFirst(std::string_view path, bool includeFolders) override {
    return real_.findFirst(path, includeFolders);
  }
  std::optional<std::uint32_t> attributes(std::string_view path) override {
    if (onAttributes)
      if (const auto answer = onAttributes(path)) return answer;
    return real_.attributes(path);
  }
  bool deleteFile(std::string_view path) override { return real_.deleteFile(path); }
  bool createFolder(std::string_view path) override { return real_.createFolder(path); }
  std::optional<std::string> readFile(std::string_view path) override { return real_.readFile(path); }
  bool appendFile(std::string_view path, std::string_view bytes) override { return real_.appendFile(path, bytes); }
  bool writeFileAtomic(std::string_view path, std::string_view bytes) override {
    return real_.writeFileAtomic(path, bytes);
  }
  std::string windowsFolder() override { return real_.windowsFolder(); }
  std::string systemFolder() override { return real_.systemFolder(); }
  std::string tempFolder() override { return real_.tempFolder(); }
  std::string programFolder() override { return real_.programFolder(); }

 private:
  platform::FileSystemPort& real_;
};

// Counts how often the drive list is asked for.
class CountingDrives : public platform::DrivePort {
 public:
  explicit CountingDrives(platform::DrivePort& real) : real_(real) {}
  int asked = 0;
  std::vector<platform::DriveInfo> drives() override {
    ++asked;
    return real_.drives();
  }
  bool volumeInformation(std::string_view root) override { return real_.volumeInformation(root); }

 private:
  platform::DrivePort& real_;
};

}  // namespace hm::test
