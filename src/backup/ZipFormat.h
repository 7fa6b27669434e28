// The pieces of the zip format both the writer and the reader need: record
// signatures, little-endian fields, CRC-32 and MS-DOS date and time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/System.h"

namespace hm::backup {

// What a zip operation answered: empty when it worked, else why not.
struct ZipResult {
  std::string error;
  bool ok() const { return error.empty(); }
  static ZipResult failure(std::string why) { return ZipResult{std::move(why)}; }
};

namespace zipformat {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kZip64LocatorSize = 20;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;

// "Version made by" hosts whose external attributes hold DOS attributes.
inline constexpr std::uint8_t kHostMsDos = 0;
inline constexpr std::uint8_t kHostNtfs = 10;
// The extra field that holds the NTFS times (FILETIME, 100 ns since 1601).
inline constexpr std::uint16_t kNtfsExtraId = 0x000A;
inline constexpr std::size_t kNtfsExtraSize = 36;  // with its own 4-byte header

// The largest size or offset a zip without zip64 records can hold.
inline constexpr std::uint64_t kMaxField32 = 0xFFFFFFFEu;
inline constexpr std::size_t kMaxEntries = 0xFFFF;

inline std::uint16_t read16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
}
inline std::uint32_t read32(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(read16(bytes, at)) | (static_cast<std::uint32_t>(read16(bytes, at + 2)) << 16);
}
inline void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

std::uint32_t crc32(std::string_view bytes);

struct DosDateTime {
  std::uint16_t time = 0;
  std::uint16_t date = (1 << 5) | 1;  // 1980-01-01
};
// Local time in MS-DOS form (two-second steps; years outside 1980-2107 are clamped).
DosDateTime toDosDateTime(const platform::LocalTime& t);
// A FILETIME as its calendar time (the same clock: UTC stays UTC).
platform::LocalTime fromFileTime(std::uint64_t fileTime);

// The NTFS extra field with the file's modification time (also given as its
// access and creation times, which the field requires).
std::string ntfsTimesField(std::uint64_t modified);
// The modification time of an NTFS extra field among `extra`'s fields.
std::optional<std::uint64_t> ntfsModifiedTime(std::string_view extra);

}  // namespace zipformat
}  // namespace hm::backup
