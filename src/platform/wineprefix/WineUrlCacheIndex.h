// One index file ("index.dat") of the URL cache that Wine's WinINet keeps in
// a prefix, read and edited in memory. The file is untrusted: every offset
// and length is checked against the file before it is used, and anything out
// of place makes the whole index malformed.
//
// Layout, as Wine writes it: a header (signature, the offset of the first
// hash table, the counters of blocks and bytes in use, up to 32 cache
// folders with their file counts, then an allocation bitmap from 0x250 of the
// 128-byte blocks that start at 0x4000); chained hash tables of 448 slots
// (key, entry offset); and "URL " entries with the source URL, the local file
// name and the folder number. Wine deletes an entry by marking its slot
// deleted (key 1), clearing its blocks in the bitmap and taking its blocks,
// bytes and file off the counters; the entry's bytes stay as they were.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hm::platform {

struct WineCacheRecord {
  std::string url;
  std::string localName;         // the file's name in its folder ("" for none)
  std::string folder;            // the cache folder's name ("" when the file lies in the container itself)
  std::uint32_t type = 0;        // entry type bits
  std::uint32_t slotOffset = 0;  // where the hash slot is in the file
  std::uint32_t entryOffset = 0;
};

class WineUrlCacheIndex {
 public:
  // False with a message (naming what is wrong) when the bytes are no index
  // of the version Wine writes, or are malformed.
  bool parse(std::string bytes, std::string& error);
  const std::vector<WineCacheRecord>& records() const { return records_; }
  // Deletes a record of this index as Wine does.
  void remove(const WineCacheRecord& record);
  const std::string& bytes() const { return bytes_; }

 private:
  std::uint32_t u32(std::size_t at) const;
  std::uint64_t u64(std::size_t at) const;
  void put32(std::size_t at, std::uint32_t v);
  void put64(std::size_t at, std::uint64_t v);

  std::string bytes_;
  std::vector<WineCacheRecord> records_;
};

}  // namespace hm::platform
