#include "backup/ZipReader.h"

#include <algorithm>
#include <unordered_set>

#define ZLIB_CONST
#include <zlib.h>

#include "backup/ZipEntryName.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm::backup {
namespace {

using namespace zipformat;

// Names without the UTF-8 flag are in code page 437, as the format says.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

std::string fromCp437(std::string_view raw) {
  std::u16string units;
  for (const char c : raw) {
    const auto b = static_cast<unsigned char>(c);
    units += b < 0x80 ? static_cast<char16_t>(b) : kCp437High[b - 0x80];
  }
  return text::toUtf8(units);
}

// The UTF-8 name of an "Info-ZIP Unicode Path" extra field, when it belongs to this raw name.
std::optional<std::string> unicodePathField(std::string_view extra, std::string_view rawName) {
  std::size_t at = 0;
  while (at + 4 <= extra.size()) {
    const std::uint16_t id = read16(extra, at), size = read16(extra, at + 2);
    if (at + 4 + size > extra.size()) break;
    if (id == 0x7075 && size > 5 && extra[at + 4] == 1 && read32(extra, at + 5) == crc32(rawName)) {
      return std::string(extra.substr(at + 9, size - 5));
    }
    at += 4 + size;
  }
  return std::nullopt;
}

// Names without the flag that are valid UTF-8 are taken as UTF-8: zip tools
// on Linux store them so, and code page 437 text is almost never valid UTF-8.
std::string entryName(std::uint16_t flags, std::string_view raw, std::string_view extra) {
  if (flags & kFlagUtf8Name) return std::string(raw);  // checked as UTF-8 with the rest of the name
  if (auto unicode = unicodePathField(extra, raw)) return *unicode;
  if (text::toUtf8(text::toUtf16(raw)) == raw) return std::string(raw);
  return fromCp437(raw);
}

bool inflateRaw(std::string_view input, std::uint64_t expectedSize, std::string& output, std::string& error) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) {
    error = "cannot start decompression";
    return false;
  }
  output.clear();
  output.reserve(expectedSize);
  constexpr std::size_t kInChunk = 1u << 30;
  constexpr std::size_t kOutChunk = 1u << 16;
  std::size_t consumed = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (z.avail_in == 0 && consumed < input.size()) {
      const std::size_t n = std::min(kInChunk, input.size() - consumed);
      z.next_in = reinterpret_cast<const Bytef*>(input.data() + consumed);
      z.avail_in = static_cast<uInt>(n);
      consumed += n;
    }
    // Never give zlib more room than the declared size leaves, plus one byte to notice an overrun.
    const std::uint64_t room = expectedSize - output.size() + 1;
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(kOutChunk, room));
    const std::size_t before = output.size();
    output.resize(before + chunk);
    z.next_out = reinterpret_cast<Bytef*>(output.data() + before);
    z.avail_out = static_cast<uInt>(chunk);
    rc = inflate(&z, Z_NO_FLUSH);
    output.resize(before + chunk - z.avail_out);
    if (output.size() > expectedSize) {
      error = "the entry inflates beyond its declared size";
      break;
    }
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK || (z.avail_in == 0 && consumed == input.size() && z.avail_out != 0)) {
      error = "the compressed data are damaged or cut short";
      break;
    }
  }
  inflateEnd(&z);
  if (error.empty() && output.size() != expectedSize) error = "the entry is shorter than its declared size";
  return error.empty();
}

}  // namespace

void ZipReader::reset() {
  bytes_.clear();
  entries_.clear();
  dataOffsets_.clear();
  skipped_ = 0;
}

ZipResult ZipReader::openFile(std::string_view windowsPath) {
  platform::FileSystemPort* files = platform::machine().files;
  std::optional<std::string> bytes = files != nullptr ? files->readFile(windowsPath) : std::nullopt;
  if (!bytes) {
    reset();
    return ZipResult::failure("cannot read \"" + std::string(windowsPath) + "\"");
  }
  return open(std::move(*bytes));
}

ZipResult ZipReader::open(std::string archiveBytes) {
  reset();
  bytes_ = std::move(archiveBytes);
  ZipResult result = readDirectory();
  if (!result.ok()) reset();
  return result;
}

ZipResult ZipReader::readDirectory() {
  const std::string_view b = bytes_;
  const std::uint64_t fileSize = b.size();
  if (fileSize < kEndRecordSize) return ZipResult::failure("not a zip archive: too short");

  // The end record sits last, followed only by its own comment.
  std::size_t end = std::string_view::npos;
  const std::size_t lowest = fileSize > kEndRecordSize + 0xFFFF ? fileSize - kEndRecordSize - 0xFFFF : 0;
  for (std::size_t at = fileSize - kEndRecordSize + 1; at-- > lowest;) {
    if (read32(b, at) == kEndRecordSignature && at + kEndRecordSize + read16(b, at + 20) == fileSize) {
      end = at;
      break;
    }
  }
  if (end == std::string_view::npos) return ZipResult::failure("not a zip archive: no end record");

  const std::uint16_t disk = read16(b, end + 4), directoryDisk = read16(b, end + 6);
  const std::uint16_t countHere = read16(b, end + 8), count = read16(b, end + 10);
  const std::uint64_t directorySize = read32(b, end + 12), directoryOffset = read32(b, end + 16);
  if (end >= kZip64LocatorSize && read32(b, end - kZip64LocatorSize) == kZip64LocatorSignature) {
    return ZipResult::failure("zip64 archives are not supported");
  }
  if (disk != 0 || directoryDisk != 0 || countHere != count) {
    return ZipResult::failure("archives split over several disks are not supported");
  }
  if (directoryOffset + directorySize > end) return ZipResult::failure("the central directory lies outside the file");
  if (static_cast<std::uint64_t>(count) * kCentralHeaderSize > directorySize) {
    return ZipResult::failure("the central directory is too small for its entry count");
  }

  struct Span {
    std::uint64_t begin, end;
  };
  std::vector<Span> spans;
  std::unordered_set<std::string> seenNames;
  std::size_t at = static_cast<std::size_t>(directoryOffset);
  const std::size_t directoryEnd = static_cast<std::size_t>(directoryOffset + directorySize);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + kCentralHeaderSize > directoryEnd || read32(b, at) != kCentralHeaderSignature) {
      return ZipResult::failure("central directory entry " + std::to_string(i + 1) + " is damaged");
    }
    const std::uint8_t madeOn = static_cast<std::uint8_t>(b[at + 5]);
    const std::uint16_t flags = read16(b, at + 8), method = read16(b, at + 10);
    ZipEntryInfo info;
    info.method = method;
    info.modified.time = read16(b, at + 12);
    info.modified.date = read16(b, at + 14);
    info.crc = read32(b, at + 16);
    info.compressedSize = read32(b, at + 20);
    info.size = read32(b, at + 24);
    const std::size_t nameLength = read16(b, at + 28), extraLength = read16(b, at + 30);
    const std::size_t commentLength = read16(b, at + 32);
    const std::uint32_t externalAttributes = read32(b, at + 38);
    const std::uint64_t localOffset = read32(b, at + 42);
    const std::size_t next = at + kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (next > directoryEnd)
      return ZipResult::failure("central directory entry " + std::to_string(i + 1) + " is cut short");
    const std::string_view rawName = b.substr(at + kCentralHeaderSize, nameLength);
    const std::string_view extra = b.substr(at + kCentralHeaderSize + nameLength, extraLength);
    at = next;

    if (info.compressedSize == 0xFFFFFFFF || info.size == 0xFFFFFFFF || localOffset == 0xFFFFFFFF) {
      return ZipResult::failure("zip64 archives are not supported");
    }
    if (flags & (kFlagEncrypted | kFlagStrongEncryption))
      return ZipResult::failure("encrypted archives are not supported");
    if (method == kMethodStored && info.compressedSize != info.size) {
      return ZipResult::failure("stored entry " + std::to_string(i + 1) + " has two different sizes");
    }

    // The local header must agree with the directory and its data must lie before the directory.
    if (localOffset + kLocalHeaderSize > directoryOffset || read32(b, localOffset) != kLocalHeaderSignature) {
      return ZipResult::failure("entry " + std::to_string(i + 1) + " points at no local header");
    }
    const std::size_t local = static_cast<std::size_t>(localOffset);
    const std::uint64_t dataOffset = localOffset + kLocalHeaderSize + read16(b, local + 26) + read16(b, local + 28);
    if (read16(b, local + 26) != nameLength || b.substr(local + kLocalHeaderSize, nameLength) != rawName ||
        read16(b, local + 8) != method) {
      return ZipResult::failure("entry " + std::to_string(i + 1) + " disagrees with its local header");
    }
    if (dataOffset + info.compressedSize > directoryOffset) {
      return ZipResult::failure("entry " + std::to_string(i + 1) + " runs past the end of the data");
    }
    spans.push_back({localOffset, dataOffset + info.compressedSize});

    info.name = entryName(flags, rawName, extra);
    info.fileTime = ntfsModifiedTime(extra);
    if (madeOn == kHostMsDos || madeOn == kHostNtfs)
      info.attributes = externalAttributes & (platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem |
                                              platform::kAttrArchive);
    if (info.name.ends_with('/') && info.size == 0) continue;  // a folder entry: nothing to hand out
    if (!isSafeZipEntryName(info.name)) {
      ++skipped_;
      continue;
    }
    // Names that differ only in case are two files of a Linux folder.
    if (!seenNames.insert(info.name).second) {
      return ZipResult::failure("two entries are named \"" + info.name + "\"");
    }
    entries_.push_back(std::move(info));
    dataOffsets_.push_back(dataOffset);
  }

  std::sort(spans.begin(), spans.end(), [](const Span& l, const Span& r) { return l.begin < r.begin; });
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].begin < spans[i - 1].end) return ZipResult::failure("entries of the archive overlap");
  }
  return {};
}

const ZipEntryInfo* ZipReader::find(std::string_view name) const {
  for (const ZipEntryInfo& e : entries_) {
    if (e.name == name) return &e;
  }
  // Case-blind only when that leaves no doubt which file is meant.
  const ZipEntryInfo* match = nullptr;
  for (const ZipEntryInfo& e : entries_) {
    if (!text::equalsNoCase(e.name, name)) continue;
    if (match != nullptr) return nullptr;
    match = &e;
  }
  return match;
}

ZipResult ZipReader::extract(std::string_view name, std::string& bytes, std::uint64_t maxSize) const {
  bytes.clear();
  const ZipEntryInfo* entry = find(name);
  if (entry == nullptr) return ZipResult::failure("\"" + std::string(name) + "\" is not in the archive");
  if (entry->size > maxSize) {
    return ZipResult::failure("\"" + entry->name + "\" declares " + std::to_string(entry->size) +
                              " bytes, more than the " + std::to_string(maxSize) + " allowed");
  }
  const std::uint64_t offset = dataOffsets_[static_cast<std::size_t>(entry - entries_.data())];
  const std::string_view data = std::string_view(bytes_).substr(static_cast<std::size_t>(offset),
                                                                static_cast<std::size_t>(entry->compressedSize));
  std::string error;
  if (entry->method == kMethodStored) {
    bytes = std::string(data);
  } else if (entry->method == kMethodDeflated) {
    if (!inflateRaw(data, entry->size, bytes, error)) {
      bytes.clear();
      return ZipResult::failure("\"" + entry->name + "\": " + error);
    }
  } else {
    return ZipResult::failure("\"" + entry->name + "\" uses compression method " + std::to_string(entry->method) +
                              ", which is not supported");
  }
  if (crc32(bytes) != entry->crc) {
    bytes.clear();
    return ZipResult::failure("\"" + entry->name + "\" does not match its CRC");
  }
  return {};
}

ZipResult ZipReader::storedEntry(std::string_view name, StoredZipEntry& entry) const {
  const ZipEntryInfo* info = find(name);
  if (info == nullptr) return ZipResult::failure("\"" + std::string(name) + "\" is not in the archive");
  if (info->method != kMethodStored && info->method != kMethodDeflated) {
    return ZipResult::failure("\"" + info->name + "\" uses a compression method that is not supported");
  }
  const std::uint64_t offset = dataOffsets_[static_cast<std::size_t>(info - entries_.data())];
  entry.name = info->name;
  entry.method = info->method;
  entry.modified = info->modified;
  entry.crc = info->crc;
  entry.size = info->size;
  entry.fileTime = info->fileTime;
  entry.attributes = info->attributes.value_or(StoredZipEntry::kKeptAttributes);
  entry.data = bytes_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(info->compressedSize));
  return {};
}

}  // namespace hm::backup
