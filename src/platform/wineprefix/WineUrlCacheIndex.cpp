#include "platform/wineprefix/WineUrlCacheIndex.h"

#include <cstring>
#include <set>

namespace hm::platform {
namespace {

constexpr char kSignature[] = "WINE URLCache Ver 0.2012001";  // with its NUL: 28 bytes
constexpr std::size_t kFileSizeField = 0x1c, kHashTableField = 0x20, kBlocksInUseField = 0x28;
constexpr std::size_t kCacheUsageField = 0x38, kExemptUsageField = 0x40, kDirCountField = 0x48, kDirs = 0x4c;
constexpr std::size_t kDirRecordSize = 12, kMaxDirs = 32, kDirNameLength = 8;
constexpr std::size_t kAllocationTable = 0x250, kEntriesStart = 0x4000, kBlockSize = 128;
constexpr std::size_t kHashSlots = 448, kHashSlotsStart = 16, kHashTableSize = kHashSlotsStart + kHashSlots * 8;
constexpr std::uint32_t kSlotDeleted = 1, kSlotFree = 3;
constexpr std::uint32_t kStickyEntry = 0x4;
constexpr std::uint8_t kNoFolder = 0xfe;
// Offsets inside an entry.
constexpr std::size_t kEntrySize = 0x20, kUrlOffset = 0x34, kFolderNumber = 0x38, kLocalNameOffset = 0x3c,
                      kEntryType = 0x40, kUrlEntryFixed = 0x68;

std::uint32_t sig(const char (&s)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24;
}

// A folder or file name Wine made: no separators, no parent steps.
bool plainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name)
    if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

}  // namespace

std::uint32_t WineUrlCacheIndex::u32(std::size_t at) const {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes_[at + i]);
  return v;
}
std::uint64_t WineUrlCacheIndex::u64(std::size_t at) const {
  return static_cast<std::uint64_t>(u32(at + 4)) << 32 | u32(at);
}
void WineUrlCacheIndex::put32(std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>(v >> (8 * i) & 0xff);
}
void WineUrlCacheIndex::put64(std::size_t at, std::uint64_t v) {
  put32(at, static_cast<std::uint32_t>(v));
  put32(at + 4, static_cast<std::uint32_t>(v >> 32));
}

bool WineUrlCacheIndex::parse(std::string bytes, std::string& error) {
  bytes_ = std::move(bytes);
  records_.clear();
  const std::size_t size = bytes_.size();
  const auto bad = [&](const std::string& what) {
    error = "malformed cache index: " + what;
    records_.clear();
    return false;
  };
  if (size < kEntriesStart || std::memcmp(bytes_.data(), kSignature, sizeof kSignature) != 0) {
    error = "not a cache index of the version this Wine writes";
    return false;
  }
  if (u32(kFileSizeField) > size) return bad("it is shorter than its header says");
  const std::uint32_t dirCount = u32(kDirCountField);
  if (dirCount > kMaxDirs) return bad("it names " + std::to_string(dirCount) + " cache folders");
  std::vector<std::string> folders;
  for (std::uint32_t d = 0; d < dirCount; ++d) {
    const char* name = bytes_.data() + kDirs + d * kDirRecordSize + 4;
    std::string folder(name, kDirNameLength);
    if (!plainName(folder) || folder.find('\0') != std::string::npos) return bad("a cache folder's name is not plain");
    folders.push_back(std::move(folder));
  }

  std::set<std::uint32_t> tables, entries;
  for (std::uint32_t table = u32(kHashTableField); table != 0; table = u32(table + 8)) {
    if (table < kEntriesStart || table > size || size - table < kHashTableSize || table % 8 != 0)
      return bad("a hash table lies outside the file");
    if (u32(table) != sig("HASH")) return bad("a hash table has no signature");
    if (!tables.insert(table).second) return bad("its hash tables form a loop");
    for (std::size_t slot = 0; slot < kHashSlots; ++slot) {
      const std::size_t at = table + kHashSlotsStart + slot * 8;
      const std::uint32_t key = u32(at);
      if (key == kSlotDeleted || key == kSlotFree) continue;
      const std::uint32_t entry = u32(at + 4);
      if (entry < kEntriesStart || (entry - kEntriesStart) % kBlockSize != 0 || entry > size ||
          size - entry < kUrlEntryFixed)
        return bad("an entry lies outside the file");
      // Redirections and leaked files are no entries of the listing.
      if (u32(entry) != sig("URL ")) continue;
      const std::uint64_t blocks = u32(entry + 4);
      if (blocks == 0 || blocks * kBlockSize > size - entry) return bad("an entry runs past the end of the file");
      if (!entries.insert(entry).second) return bad("two slots name the same entry");
      const std::size_t entryEnd = entry + blocks * kBlockSize;
      // A text inside the entry, ended by a NUL before the entry's end.
      const auto text = [&](std::uint32_t offset, std::string& out) {
        if (offset < kUrlEntryFixed || offset >= entryEnd - entry) return false;
        const char* begin = bytes_.data() + entry + offset;
        const void* nul = std::memchr(begin, '\0', entryEnd - entry - offset);
        if (nul == nullptr) return false;
        out.assign(begin, static_cast<const char*>(nul));
        return true;
      };
      WineCacheRecord r;
      if (!text(u32(entry + kUrlOffset), r.url) || r.url.empty()) return bad("an entry's URL is out of place");
      if (const std::uint32_t local = u32(entry + kLocalNameOffset); local != 0) {
        if (!text(local, r.localName) || (!r.localName.empty() && !plainName(r.localName)))
          return bad("the file name of " + r.url + " is out of place");
      }
      const auto folder = static_cast<std::uint8_t>(bytes_[entry + kFolderNumber]);
      if (folder < folders.size()) {
        r.folder = folders[folder];
      } else if (folder != kNoFolder && !r.localName.empty()) {
        return bad("the cache folder of " + r.url + " does not exist");
      }
      r.type = u32(entry + kEntryType);
      r.slotOffset = static_cast<std::uint32_t>(at);
      r.entryOffset = entry;
      records_.push_back(std::move(r));
    }
  }
  return true;
}

void WineUrlCacheIndex::remove(const WineCacheRecord& r) {
  const std::size_t entry = r.entryOffset;
  const std::uint32_t blocks = u32(entry + 4);
  // Free the entry's blocks in the bitmap (as far as the bitmap reaches).
  const std::size_t first = (entry - kEntriesStart) / kBlockSize;
  for (std::size_t b = first; b < first + blocks; ++b) {
    const std::size_t at = kAllocationTable + b / 8;
    if (at >= kEntriesStart) break;
    bytes_[at] = static_cast<char>(static_cast<unsigned char>(bytes_[at]) & ~(1u << (b % 8)));
  }
  const std::uint32_t inUse = u32(kBlocksInUseField);
  put32(kBlocksInUseField, inUse > blocks ? inUse - blocks : 0);
  const std::size_t usage = (r.type & kStickyEntry) != 0 ? kExemptUsageField : kCacheUsageField;
  const std::uint64_t used = u64(usage), entryBytes = u64(entry + kEntrySize);
  put64(usage, used > entryBytes ? used - entryBytes : 0);
  const auto folder = static_cast<std::uint8_t>(bytes_[entry + kFolderNumber]);
  if (folder < u32(kDirCountField)) {
    const std::size_t files = kDirs + folder * kDirRecordSize;
    if (const std::uint32_t n = u32(files); n > 0) put32(files, n - 1);
  }
  put32(r.slotOffset, kSlotDeleted);
}

}  // namespace hm::platform
