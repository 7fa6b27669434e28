#include "backup/ZipFormat.h"

#include <zlib.h>

#include <algorithm>

namespace hm::backup::zipformat {

std::uint32_t crc32(std::string_view bytes) {
  uLong crc = ::crc32(0L, Z_NULL, 0);
  constexpr std::size_t kChunk = 1u << 30;  // zlib counts in uInt
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    const std::size_t n = std::min(kChunk, bytes.size() - at);
    crc = ::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), static_cast<uInt>(n));
  }
  return static_cast<std::uint32_t>(crc);
}

DosDateTime toDosDateTime(const platform::LocalTime& t) {
  DosDateTime d;
  if (t.year < 1980) return d;
  if (t.year > 2107) {
    d.date = static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31);
    d.time = static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29);
    return d;
  }
  const int month = std::clamp(t.month, 1, 12), day = std::clamp(t.day, 1, 31);
  const int hour = std::clamp(t.hour, 0, 23), minute = std::clamp(t.minute, 0, 59);
  const int second = std::clamp(t.second, 0, 59);
  d.date = static_cast<std::uint16_t>(((t.year - 1980) << 9) | (month << 5) | day);
  d.time = static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  return d;
}

platform::LocalTime fromFileTime(std::uint64_t fileTime) {
  constexpr std::uint64_t kTicksPerSecond = 10'000'000, kSecondsPerDay = 86'400;
  const std::uint64_t seconds = fileTime / kTicksPerSecond;
  // Days since 1601-01-01 turned into a civil date (Howard Hinnant's algorithm, from 0000-03-01).
  const std::int64_t days = static_cast<std::int64_t>(seconds / kSecondsPerDay) + 584'694;
  const std::int64_t era = days / 146'097, dayOfEra = days - era * 146'097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  const std::uint64_t inDay = seconds % kSecondsPerDay;
  return platform::LocalTime{year,
                             month,
                             day,
                             static_cast<int>(inDay / 3600),
                             static_cast<int>(inDay / 60 % 60),
                             static_cast<int>(inDay % 60),
                             static_cast<int>(fileTime % kTicksPerSecond / 10'000)};
}

std::string ntfsTimesField(std::uint64_t modified) {
  std::string field;
  put16(field, kNtfsExtraId);
  put16(field, kNtfsExtraSize - 4);
  put32(field, 0);  // reserved
  put16(field, 1);  // attribute tag 1: the three times
  put16(field, 24);
  for (int i = 0; i < 3; ++i) {
    put32(field, static_cast<std::uint32_t>(modified));
    put32(field, static_cast<std::uint32_t>(modified >> 32));
  }
  return field;
}

std::optional<std::uint64_t> ntfsModifiedTime(std::string_view extra) {
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const std::uint16_t id = read16(extra, at), size = read16(extra, at + 2);
    if (at + 4 + size > extra.size()) break;
    if (id == kNtfsExtraId) {
      // Attributes follow the reserved word, each with its tag and size.
      for (std::size_t attr = at + 8; attr + 4 <= at + 4 + size;) {
        const std::uint16_t tag = read16(extra, attr), length = read16(extra, attr + 2);
        if (attr + 4 + length > at + 4 + size) break;
        if (tag == 1 && length >= 8)
          return read32(extra, attr + 4) | (static_cast<std::uint64_t>(read32(extra, attr + 8)) << 32);
        attr += 4 + length;
      }
    }
    at += 4 + size;
  }
  return std::nullopt;
}

}  // namespace hm::backup::zipformat
