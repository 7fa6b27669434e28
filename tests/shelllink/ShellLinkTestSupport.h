// Helpers of the shell-link reader tests: fixture files, a fixed environment,
// and a writer of small link files for the cases no fixture covers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/shelllink/ShellLink.h"

namespace hm::testing {

inline std::filesystem::path lnkDataDir() { return std::filesystem::path(HM_TEST_DATA_DIR) / "lnk"; }

inline std::string readBinaryFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Every .lnk under tests/data/lnk, in a stable order.
inline std::vector<std::filesystem::path> lnkFixtures() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(lnkDataDir()))
    if (entry.path().extension() == ".lnk") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Variables looked up without regard to case, as Windows does.
inline platform::EnvironmentLookup fixedEnvironment(std::map<std::string, std::string> variables) {
  return [variables = std::move(variables)](std::string_view name) -> std::optional<std::string> {
    for (const auto& [key, value] : variables)
      if (text::equalsNoCase(key, name)) return value;
    return std::nullopt;
  };
}

// --- A writer of small link files --------------------------------------------------

inline std::string le16(std::uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
inline std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

inline std::string linkHeader(std::uint32_t flags) {
  static const char clsid[] = "\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46";
  std::string header = le32(0x4C) + std::string(clsid, 16) + le32(flags);
  header.resize(0x4C, '\0');
  return header;
}

inline std::string idList(const std::vector<std::string>& items) {
  std::string body;
  for (const auto& item : items) body += le16(static_cast<std::uint32_t>(item.size() + 2)) + item;
  body += le16(0);
  return le16(static_cast<std::uint32_t>(body.size())) + body;
}

inline std::string myComputerItem() {
  return std::string("\x1F\x50\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D", 18);
}

inline std::string driveItem(std::string_view root) {
  std::string item = "\x2F" + std::string(root);
  item.resize(23, '\0');
  return item;
}

// A file entry as Windows writes it: short name, then a version-9 extension
// block with the long name; the item's last word points at the block.
inline std::string fileEntryItem(std::string_view shortName, std::string_view longName, bool folder) {
  std::string item = std::string(1, folder ? '\x31' : '\x32') + std::string(11, '\0') + std::string(shortName) + '\0';
  if ((item.size() + 2) % 2) item += '\0';
  const std::size_t blockOffset = item.size() + 2;  // counted from the item's size word
  const std::string name = text::toUtf16Bytes(longName, true);
  std::string block = le16(9) + le32(0xBEEF0004) + std::string(8, '\0') + le16(0x2E) + std::string(18, '\0') + le16(0) +
                      std::string(8, '\0') + name + le16(static_cast<std::uint32_t>(blockOffset));
  block = le16(static_cast<std::uint32_t>(block.size() + 2)) + block;
  return item + block;
}

struct LinkInfoStrings {
  std::string localBasePath;  // code-page bytes
  std::string commonPathSuffix;
  std::string netName;
  bool unicode;  // add UTF-16 copies of base path and suffix
};

inline std::string linkInfo(const LinkInfoStrings& s) {
  const std::uint32_t headerSize = s.unicode ? 0x24 : 0x1C;
  std::string tail;
  auto place = [&](const std::string& bytes) {
    const auto offset = static_cast<std::uint32_t>(headerSize + tail.size());
    tail += bytes;
    return offset;
  };
  std::uint32_t flags = 0, volume = 0, base = 0, network = 0, baseUnicode = 0, suffixUnicode = 0;
  if (!s.localBasePath.empty()) {
    flags |= 1;
    volume = place(le32(0x11) + le32(3) + le32(0x1234) + le32(0x10) + std::string(1, '\0'));
    base = place(s.localBasePath + '\0');
  }
  if (!s.netName.empty()) {
    flags |= 2;
    network = place(le32(0x14 + static_cast<std::uint32_t>(s.netName.size()) + 1) + le32(2) + le32(0x14) + le32(0) +
                    le32(0x20000) + s.netName + '\0');
  }
  const std::uint32_t suffix = place(s.commonPathSuffix + '\0');
  if (s.unicode) {
    if (!s.localBasePath.empty())
      baseUnicode = place(text::toUtf16Bytes(text::toUtf8(text::toUtf16(s.localBasePath)), true));
    suffixUnicode = place(text::toUtf16Bytes(s.commonPathSuffix, true));
  }
  std::string header = le32(headerSize + static_cast<std::uint32_t>(tail.size())) + le32(headerSize) + le32(flags) +
                       le32(volume) + le32(base) + le32(network) + le32(suffix);
  if (s.unicode) header += le32(baseUnicode) + le32(suffixUnicode);
  return header + tail;
}

inline std::string localLinkInfo(std::string base, std::string suffix = "", bool unicode = false) {
  return linkInfo({std::move(base), std::move(suffix), "", unicode});
}

inline std::string networkLinkInfo(std::string netName, std::string suffix) {
  return linkInfo({"", std::move(suffix), std::move(netName), false});
}

inline std::string environmentBlock(std::string_view target, std::uint32_t signature = 0xA0000001) {
  std::string block = le32(0x314) + le32(signature);
  std::string ansi(target.substr(0, 259));
  ansi.resize(260, '\0');
  std::string unicode = text::toUtf16Bytes(target, false).substr(0, 518);
  unicode.resize(520, '\0');
  return block + ansi + unicode;
}

// Link flags used by the tests.
inline constexpr std::uint32_t kLinkHasIdList = 0x1;
inline constexpr std::uint32_t kLinkHasLinkInfo = 0x2;
inline constexpr std::uint32_t kLinkIsUnicode = 0x80;
inline constexpr std::uint32_t kLinkForceNoLinkInfo = 0x100;
inline constexpr std::uint32_t kLinkHasExpString = 0x200;
inline constexpr std::uint32_t kLinkHasDarwinId = 0x1000;

}  // namespace hm::testing
