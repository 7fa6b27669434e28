// Text at the boundary: UTF-8 inside the program, UTF-16 where Windows keeps
// it, and the case-insensitive comparison Windows uses for names and paths.
#pragma once

#include <compare>
#include <string>
#include <string_view>

namespace hm::text {

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// UTF-16 units needed for a UTF-8 text (what Win32 counts as characters).
std::size_t utf16Length(std::string_view utf8);

// Upper case of one UTF-16 unit, for the scripts names are commonly written in.
char16_t upperUnit(char16_t c);
std::string toUpper(std::string_view utf8);
std::string toLower(std::string_view utf8);

// Windows name order: unit by unit on the upper-cased text, then by length.
std::strong_ordering compareNoCase(std::string_view a, std::string_view b);
bool equalsNoCase(std::string_view a, std::string_view b);
// The 0-based byte position of `needle` in `hay` without regard to case, or npos.
std::size_t findNoCase(std::string_view hay, std::string_view needle, std::size_t from = 0);
inline bool containsNoCase(std::string_view hay, std::string_view needle) {
  return findNoCase(hay, needle) != std::string_view::npos;
}

// UTF-16LE bytes of a text, optionally followed by a NUL unit.
std::string toUtf16Bytes(std::string_view utf8, bool withNul);
// Text of UTF-16LE bytes (an odd trailing byte is dropped).
std::string fromUtf16Bytes(std::string_view bytes);

}  // namespace hm::text
