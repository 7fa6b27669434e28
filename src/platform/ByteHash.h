// A fast hash of byte strings for in-memory tables (not stored anywhere):
// eight bytes a step, then a full mix. Its steps are exposed so that a caller
// producing the bytes eight at a time can hash them on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace hm::platform::bytehash {

inline constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;

inline std::uint64_t Start(std::size_t size) { return size * kMul; }

inline std::uint64_t Step(std::uint64_t h, std::uint64_t eightBytes) {
  h = (h ^ eightBytes) * kMul;
  return h ^ (h >> 32);
}

// The last size % 8 bytes as one word (zero when there are none).
inline std::uint64_t Tail(const char* bytes, std::size_t n) {
  std::uint64_t w = 0;
  for (std::size_t k = 0; k < n; ++k) w |= std::uint64_t{static_cast<unsigned char>(bytes[k])} << (8 * k);
  return w;
}

inline std::uint64_t Finish(std::uint64_t h, std::uint64_t tail) {
  h = (h ^ tail) * kMul;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

inline std::uint64_t Hash(std::string_view s) {
  std::uint64_t h = Start(s.size());
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w = 0;
    std::memcpy(&w, s.data() + i, 8);
    h = Step(h, w);
  }
  return Finish(h, Tail(s.data() + i, s.size() - i));
}

}  // namespace hm::platform::bytehash
