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

}  // namespace hm::backup::zipformat
