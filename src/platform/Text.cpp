#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace hm::text {
namespace {

// Decodes one code point; malformed bytes decode as U+FFFD, one byte at a time.
char32_t decodeOne(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](std::size_t k) -> int {
    if (i + k >= s.size()) return -1;
    const auto b = static_cast<unsigned char>(s[i + k]);
    return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
  };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if (b0 >= 0xC2 && b0 < 0xE0) {
    const int c1 = cont(1);
    if (c1 >= 0) {
      i += 2;
      return static_cast<char32_t>(((b0 & 0x1F) << 6) | c1);
    }
  } else if (b0 >= 0xE0 && b0 < 0xF0) {
    const int c1 = cont(1), c2 = c1 >= 0 ? cont(2) : -1;
    if (c2 >= 0) {
      const char32_t cp = static_cast<char32_t>(((b0 & 0x0F) << 12) | (c1 << 6) | c2);
      if (cp >= 0x800) {
        i += 3;
        return cp;  // lone surrogates pass through so UTF-16 round-trips
      }
    }
  } else if (b0 >= 0xF0 && b0 < 0xF5) {
    const int c1 = cont(1), c2 = c1 >= 0 ? cont(2) : -1, c3 = c2 >= 0 ? cont(3) : -1;
    if (c3 >= 0) {
      const char32_t cp = static_cast<char32_t>(((b0 & 0x07) << 18) | (c1 << 12) | (c2 << 6) | c3);
      if (cp >= 0x10000 && cp <= 0x10FFFF) {
        i += 4;
        return cp;
      }
    }
  }
  ++i;
  return 0xFFFD;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char16_t lowerUnit(char16_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
  for (char16_t l = c;; ++l) {  // invert upperUnit within a small window
    if (upperUnit(l) == c && l != c) return l;
    if (l - c > 80) break;
  }
  return c;
}

}  // namespace

std::u16string toUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = decodeOne(utf8, i);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out += static_cast<char16_t>(0xD800 + (v >> 10));
      out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string toUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    }
    appendUtf8(out, cp);
  }
  return out;
}

std::size_t utf16Length(std::string_view utf8) {
  if (isAscii(utf8)) return utf8.size();
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size();) n += decodeOne(utf8, i) >= 0x10000 ? 2 : 1;
  return n;
}

char16_t upperUnit(char16_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: mostly even upper, odd lower
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
      return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

std::string toUpper(std::string_view utf8) {
  if (isAscii(utf8)) {
    std::string s(utf8);
    for (auto& ch : s)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    return s;
  }
  auto w = toUtf16(utf8);
  for (auto& c : w) c = upperUnit(c);
  return toUtf8(w);
}

std::string toLower(std::string_view utf8) {
  if (isAscii(utf8)) {
    std::string s(utf8);
    for (auto& ch : s)
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
    return s;
  }
  auto w = toUtf16(utf8);
  for (auto& c : w) c = lowerUnit(c);
  return toUtf8(w);
}

std::strong_ordering compareNoCase(std::string_view a, std::string_view b) {
  // ASCII characters are single UTF-16 units at the same positions, so a
  // difference, or an end, met before any other character decides the order
  // as the full comparison below would.
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i < n; ++i) {
    char ca = a[i], cb = b[i];
    if (((static_cast<unsigned char>(ca) | static_cast<unsigned char>(cb)) & 0x80) != 0) break;
    if (ca >= 'a' && ca <= 'z') ca = static_cast<char>(ca - 32);
    if (cb >= 'a' && cb <= 'z') cb = static_cast<char>(cb - 32);
    if (ca != cb) return static_cast<unsigned char>(ca) <=> static_cast<unsigned char>(cb);
  }
  if (i == n) return a.size() <=> b.size();
  const auto wa = toUtf16(a), wb = toUtf16(b);
  const std::size_t units = std::min(wa.size(), wb.size());
  for (std::size_t u = 0; u < units; ++u) {
    const char16_t ca = upperUnit(wa[u]), cb = upperUnit(wb[u]);
    if (ca != cb) return ca <=> cb;
  }
  return wa.size() <=> wb.size();
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  // No character outside ASCII upper-cases into it, so an ASCII text equals
  // only ASCII texts of its own length: one look at the shorter side settles
  // most calls.
  if (a.size() != b.size()) {
    const std::string_view shorter = a.size() < b.size() ? a : b;
    const std::string_view longer = a.size() < b.size() ? b : a;
    if (isAscii(shorter) || isAscii(longer)) return false;
  }
  return compareNoCase(a, b) == 0;
}

std::size_t findNoCase(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  if (isAscii(needle)) {
    // ASCII needles match byte-wise; multi-byte sequences never equal ASCII bytes.
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (hay.size() < needle.size() || from > hay.size() - needle.size()) return std::string_view::npos;
    // Candidates are found by the first character alone (memchr when it has no case).
    const char first = up(needle[0]);
    const char firstLower = (first >= 'A' && first <= 'Z') ? static_cast<char>(first + 32) : first;
    const std::size_t last = hay.size() - needle.size();
    for (std::size_t i = from; i <= last; ++i) {
      if (first == firstLower) {
        const void* at = std::memchr(hay.data() + i, first, last - i + 1);
        if (at == nullptr) break;
        i = static_cast<std::size_t>(static_cast<const char*>(at) - hay.data());
      } else if (hay[i] != first && hay[i] != firstLower) {
        continue;
      }
      std::size_t k = 1;
      while (k < needle.size() && up(hay[i + k]) == up(needle[k])) ++k;
      if (k == needle.size()) return i;
    }
    return std::string_view::npos;
  }
  const std::string uh = toUpper(hay), un = toUpper(needle);
  // Upper-casing keeps byte lengths for the scripts upperUnit covers, so
  // positions carry over (checked, falling back to a plain search).
  if (uh.size() == hay.size()) return uh.find(un, from);
  return hay.find(needle, from);
}

std::string toUtf16Bytes(std::string_view utf8, bool withNul) {
  auto w = toUtf16(utf8);
  if (withNul) w += u'\0';
  std::string out(w.size() * 2, '\0');
  for (std::size_t i = 0; i < w.size(); ++i) {
    out[2 * i] = static_cast<char>(w[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(w[i] >> 8);
  }
  return out;
}

std::string fromUtf16Bytes(std::string_view bytes) {
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  // Registry text is mostly ASCII: write it straight through, one byte a unit.
  std::string out(units, '\0');
  std::size_t i = 0;
  for (; i < units; ++i) {
    const char32_t cp = unit(i);
    if (cp >= 0x80) break;
    out[i] = static_cast<char>(cp);
  }
  out.resize(i);
  for (; i < units; ++i) {
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units) {
      const char32_t low = unit(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    appendUtf8(out, cp);
  }
  return out;
}

}  // namespace hm::text
