// Builds a standard zip archive in memory (deflate through zlib, CRC-32, DOS
// times, UTF-8 names flagged) and writes it whole: to a temporary file,
// flushed, then renamed over the archive.
#pragma once

#include <cstdint>
#include <optional>
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
  // The file's own modification time at full precision, when known.
  std::optional<std::uint64_t> fileTime;
  // The DOS attributes the file had (read-only, hidden, system, archive).
  std::uint32_t attributes = kKeptAttributes;

  static constexpr std::uint32_t kKeptAttributes = 0x20;  // archive
};

class ZipWriter {
 public:
  // Adds the bytes under the entry name of `windowsPath`; an entry of exactly
  // that name is replaced. Names that differ only in case are two files (a
  // Linux folder can hold both), so they get an entry each.
  ZipResult addBytes(std::string_view windowsPath, std::string_view bytes, const platform::LocalTime& modified);
  // Adds a file read through the files port with its attributes and its
  // modification time (the clock's time when the port cannot tell it).
  ZipResult addFile(std::string_view windowsPath);
  // Takes over an entry already compressed (an existing archive's), unless one of exactly that name is there.
  void keepEntry(StoredZipEntry entry);

  const std::vector<StoredZipEntry>& entries() const { return entries_; }
  void clear() { entries_.clear(); }

  // The archive's bytes; fails when it would outgrow what a zip without zip64 holds.
  ZipResult build(std::string& archive) const;
  ZipResult writeTo(std::string_view archivePath) const;

 private:
  StoredZipEntry* findEntry(std::string_view name);
  ZipResult addEntry(std::string_view windowsPath, std::string_view bytes, StoredZipEntry entry);
  std::vector<StoredZipEntry> entries_;
};

}  // namespace hm::backup
