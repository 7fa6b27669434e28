#include "backup/ZipWriter.h"

#include <algorithm>

#define ZLIB_CONST
#include <zlib.h>

#include "backup/ZipEntryName.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm::backup {
namespace {

using namespace zipformat;

constexpr std::uint32_t kDosAttributeBits =
    platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive;

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Raw deflate (no zlib header), as zip stores it.
bool deflateRaw(std::string_view input, std::string& output) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  constexpr std::size_t kInChunk = 1u << 30;
  constexpr std::size_t kOutChunk = 1u << 16;
  output.clear();
  std::size_t consumed = 0;
  int flush = Z_NO_FLUSH;
  bool ok = true;
  while (ok && flush != Z_FINISH) {
    const std::size_t n = std::min(kInChunk, input.size() - consumed);
    z.next_in = reinterpret_cast<const Bytef*>(input.data() + consumed);
    z.avail_in = static_cast<uInt>(n);
    consumed += n;
    flush = consumed == input.size() ? Z_FINISH : Z_NO_FLUSH;
    do {
      const std::size_t before = output.size();
      output.resize(before + kOutChunk);
      z.next_out = reinterpret_cast<Bytef*>(output.data() + before);
      z.avail_out = static_cast<uInt>(kOutChunk);
      const int rc = deflate(&z, flush);
      output.resize(before + kOutChunk - z.avail_out);
      if (rc == Z_STREAM_ERROR) ok = false;
    } while (ok && z.avail_out == 0);
  }
  deflateEnd(&z);
  return ok;
}

std::string extraField(const StoredZipEntry& e) { return e.fileTime ? ntfsTimesField(*e.fileTime) : std::string(); }

void putLocalHeader(std::string& out, const StoredZipEntry& e) {
  put32(out, kLocalHeaderSignature);
  put16(out, 20);  // version needed: deflate
  put16(out, isAscii(e.name) ? 0 : kFlagUtf8Name);
  put16(out, e.method);
  put16(out, e.modified.time);
  put16(out, e.modified.date);
  put32(out, e.crc);
  put32(out, static_cast<std::uint32_t>(e.data.size()));
  put32(out, static_cast<std::uint32_t>(e.size));
  put16(out, static_cast<std::uint32_t>(e.name.size()));
  const std::string extra = extraField(e);
  put16(out, static_cast<std::uint32_t>(extra.size()));
  out += e.name;
  out += extra;
}

void putCentralHeader(std::string& out, const StoredZipEntry& e, std::uint32_t localOffset) {
  put32(out, kCentralHeaderSignature);
  put16(out, 20);  // made by: MS-DOS attributes, version 2.0
  put16(out, 20);
  put16(out, isAscii(e.name) ? 0 : kFlagUtf8Name);
  put16(out, e.method);
  put16(out, e.modified.time);
  put16(out, e.modified.date);
  put32(out, e.crc);
  put32(out, static_cast<std::uint32_t>(e.data.size()));
  put32(out, static_cast<std::uint32_t>(e.size));
  put16(out, static_cast<std::uint32_t>(e.name.size()));
  const std::string extra = extraField(e);
  put16(out, static_cast<std::uint32_t>(extra.size()));
  put16(out, 0);  // comment
  put16(out, 0);  // disk
  put16(out, 0);  // internal attributes
  put32(out, e.attributes & kDosAttributeBits);
  put32(out, localOffset);
  out += e.name;
  out += extra;
}

}  // namespace

StoredZipEntry* ZipWriter::findEntry(std::string_view name) {
  for (StoredZipEntry& e : entries_) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

ZipResult ZipWriter::addBytes(std::string_view windowsPath, std::string_view bytes,
                              const platform::LocalTime& modified) {
  StoredZipEntry entry;
  entry.modified = toDosDateTime(modified);
  return addEntry(windowsPath, bytes, std::move(entry));
}

ZipResult ZipWriter::addEntry(std::string_view windowsPath, std::string_view bytes, StoredZipEntry entry) {
  const auto name = zipEntryNameForPath(windowsPath);
  if (!name) return ZipResult::failure("\"" + std::string(windowsPath) + "\" is not a full path of a file");
  if (bytes.size() > kMaxField32) {
    return ZipResult::failure("\"" + std::string(windowsPath) + "\" is 4 GiB or larger, more than a zip archive holds");
  }
  entry.name = *name;
  entry.crc = crc32(bytes);
  entry.size = bytes.size();
  std::string deflated;
  if (!bytes.empty() && deflateRaw(bytes, deflated) && deflated.size() < bytes.size()) {
    entry.method = kMethodDeflated;
    entry.data = std::move(deflated);
  } else {
    entry.method = kMethodStored;
    entry.data = std::string(bytes);
  }
  if (StoredZipEntry* existing = findEntry(entry.name)) {
    *existing = std::move(entry);
  } else {
    entries_.push_back(std::move(entry));
  }
  return {};
}

ZipResult ZipWriter::addFile(std::string_view windowsPath) {
  platform::Machine& m = platform::machine();
  if (m.files == nullptr) return ZipResult::failure("no file system");
  const std::optional<std::string> bytes = m.files->readFile(windowsPath);
  if (!bytes) return ZipResult::failure("cannot read \"" + std::string(windowsPath) + "\"");
  StoredZipEntry entry;
  entry.fileTime = m.files->modifiedTime(windowsPath);
  // Without a timezone the DOS field holds the file's time in UTC; the NTFS field is exact.
  entry.modified = toDosDateTime(entry.fileTime       ? fromFileTime(*entry.fileTime)
                                 : m.clock != nullptr ? m.clock->now()
                                                      : platform::LocalTime{1980, 1, 1});
  if (const auto attributes = m.files->attributes(windowsPath)) entry.attributes = *attributes & kDosAttributeBits;
  return addEntry(windowsPath, *bytes, std::move(entry));
}

void ZipWriter::keepEntry(StoredZipEntry entry) {
  if (findEntry(entry.name) == nullptr) entries_.push_back(std::move(entry));
}

ZipResult ZipWriter::build(std::string& archive) const {
  const auto tooLarge = ZipResult::failure("the archive would be 4 GiB or larger, more than a zip archive holds");
  if (entries_.size() > kMaxEntries) return ZipResult::failure("more than 65535 files for one archive");
  archive.clear();
  std::vector<std::uint32_t> offsets;
  offsets.reserve(entries_.size());
  for (const StoredZipEntry& e : entries_) {
    if (archive.size() > kMaxField32 || e.data.size() > kMaxField32) return tooLarge;
    offsets.push_back(static_cast<std::uint32_t>(archive.size()));
    putLocalHeader(archive, e);
    archive += e.data;
  }
  const std::uint64_t directoryOffset = archive.size();
  for (std::size_t i = 0; i < entries_.size(); ++i) putCentralHeader(archive, entries_[i], offsets[i]);
  const std::uint64_t directorySize = archive.size() - directoryOffset;
  if (directoryOffset > kMaxField32 || archive.size() + kEndRecordSize > kMaxField32) return tooLarge;
  put32(archive, kEndRecordSignature);
  put16(archive, 0);  // this disk
  put16(archive, 0);  // disk of the directory
  put16(archive, static_cast<std::uint32_t>(entries_.size()));
  put16(archive, static_cast<std::uint32_t>(entries_.size()));
  put32(archive, static_cast<std::uint32_t>(directorySize));
  put32(archive, static_cast<std::uint32_t>(directoryOffset));
  put16(archive, 0);  // comment
  return {};
}

ZipResult ZipWriter::writeTo(std::string_view archivePath) const {
  std::string archive;
  if (ZipResult built = build(archive); !built.ok()) return built;
  platform::FileSystemPort* files = platform::machine().files;
  if (files == nullptr || !files->writeFileAtomic(archivePath, archive)) {
    return ZipResult::failure("cannot write \"" + std::string(archivePath) + "\"");
  }
  return {};
}

}  // namespace hm::backup
