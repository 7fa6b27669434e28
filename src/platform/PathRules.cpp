#include "platform/PathRules.h"

#include "platform/Text.h"

namespace hm::platform {

bool IsRefusedPath(std::string_view path, bool wildcardsInLastComponent) {
  if (path.size() > 32767 && text::utf16Length(path) > 32767) return true;  // never more units than bytes
  const std::size_t lastSep = path.find_last_of("\\/");
  const std::size_t lastStart = lastSep == std::string_view::npos ? 0 : lastSep + 1;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|') return true;
    if (c == ':' && !(i == 1 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z'))) return true;
    if ((c == '*' || c == '?') && (!wildcardsInLastComponent || i < lastStart)) return true;
  }
  return false;
}

}  // namespace hm::platform
