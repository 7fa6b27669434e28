// UTF-8 to wide strings for the W entry points, and back.
#pragma once

#include <string>
#include <string_view>

#include "platform/Text.h"

namespace hm::platform::win32 {

inline std::wstring wide(std::string_view utf8) {
  const std::u16string w = text::toUtf16(utf8);
  return std::wstring(w.begin(), w.end());
}

inline std::string narrow(std::wstring_view w) {
  return text::toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size()));
}

}  // namespace hm::platform::win32
