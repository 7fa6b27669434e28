// Builds a standard zip archive in memory (deflate through zlib, CRC-32, DOS
// times, UTF-8 names flagged) and writes it whole: to a temporary file,
// flushed, then renamed over the archive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backup/ZipFormat.h"
#include "platform/System.h"

namespace hm::backup {

// One entry as it is stored: its data already compressed.
struct StoredZipEntry {
  std::string name;  // zip form, UTF-8
  std::uint16_t method = zipformat::kMethodStored;
  zipformat::DosDateTime modified;
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  std::string data;  // compressed bytes
};

class ZipWriter {
 public:
  // Adds the bytes under the entry name of `windowsPath`; an entry of that
  // name (compared without regard to case) is replaced.
  ZipResult addBytes(std::string_view windowsPath, std::string_view bytes, const platform::LocalTime& modified);
  // Adds a file read through the files port, dated with the clock's time.
  ZipResult addFile(std::string_view windowsPath);
  // Takes over an entry already compressed (an existing archive's), unless one of that name is there.
  void keepEntry(StoredZipEntry entry);

  const std::vector<StoredZipEntry>& entries() const { return entries_; }
  void clear() { entries_.clear(); }

  // The archive's bytes; fails when it would outgrow what a zip without zip64 holds.
  ZipResult build(std::string& archive) const;
  ZipResult writeTo(std::string_view archivePath) const;

 private:
  StoredZipEntry* findEntry(std::string_view name);
  std::vector<StoredZipEntry> entries_;
};

}  // namespace hm::backup
