// Reads a zip archive without trusting it: every offset and size is checked
// against the file, entries may not overlap, names must be plain relative
// names, and extraction checks the size while inflating and the CRC after.
// It hands back bytes only; where they go is the caller's choice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/ZipFormat.h"
#include "backup/ZipWriter.h"

namespace hm::backup {

struct ZipEntryInfo {
  std::string name;  // zip form, UTF-8, checked by isSafeZipEntryName
  std::uint64_t size = 0;
  std::uint64_t compressedSize = 0;
  std::uint32_t crc = 0;
  std::uint16_t method = 0;
  zipformat::DosDateTime modified;
  // From the NTFS extra field, when the entry has one.
  std::optional<std::uint64_t> fileTime;
  // The DOS attributes, when the archive was made where files have them.
  std::optional<std::uint32_t> attributes;
};

class ZipReader {
 public:
  // No entry of a backup set comes near this; anything larger is refused.
  static constexpr std::uint64_t kDefaultMaxEntrySize = 256u << 20;

  ZipResult open(std::string archiveBytes);
  ZipResult openFile(std::string_view windowsPath);

  // The file entries with safe names, in central directory order.
  const std::vector<ZipEntryInfo>& entries() const { return entries_; }
  // Entries left out for their names ("..", absolute, drive letters, ...).
  std::size_t skippedEntries() const { return skipped_; }
  // The entry of exactly that name; else the one entry of that name without
  // regard to case (nothing when several differ only in case).
  const ZipEntryInfo* find(std::string_view name) const;

  // The bytes of one entry, refused above `maxSize` or when they do not match the CRC.
  ZipResult extract(std::string_view name, std::string& bytes, std::uint64_t maxSize = kDefaultMaxEntrySize) const;
  // An entry as stored, for carrying it into a new archive unchanged.
  ZipResult storedEntry(std::string_view name, StoredZipEntry& entry) const;

 private:
  void reset();
  ZipResult readDirectory();

  std::string bytes_;
  std::vector<ZipEntryInfo> entries_;
  std::vector<std::uint64_t> dataOffsets_;  // parallel to entries_
  std::size_t skipped_ = 0;
};

}  // namespace hm::backup
