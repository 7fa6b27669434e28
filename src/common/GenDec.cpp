#include "common/GenDec.h"

#include "common/ErrorLog.h"
#include "common/ExistenceMemo.h"
#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm {

namespace str {
namespace {
bool isLead(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// Byte offset of the 1-based character position `pos` (s.size() past the end).
std::size_t byteOffset(std::string_view s, std::size_t pos) {
  std::size_t chars = 1;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!isLead(s[i])) continue;
    if (chars == pos) return i;
    ++chars;
  }
  return s.size();
}

std::size_t charPosition(std::string_view s, std::size_t byte) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i <= byte && i < s.size(); ++i)
    if (isLead(s[i])) ++chars;
  return chars;
}
}  // namespace

std::size_t Len(std::string_view s) {
  std::size_t n = 0;
  for (char c : s)
    if (isLead(c)) ++n;
  return n;
}

std::size_t InStr(std::string_view hay, std::string_view needle, std::size_t start) {
  if (start < 1) start = 1;
  const std::size_t from = byteOffset(hay, start);
  if (from > hay.size()) return 0;
  const std::size_t at = hay.find(needle, from);
  return at == std::string_view::npos ? 0 : charPosition(hay, at);
}

std::size_t InStrNoCase(std::string_view hay, std::string_view needle, std::size_t start) {
  if (start < 1) start = 1;
  const std::size_t from = byteOffset(hay, start);
  if (from > hay.size()) return 0;
  const std::size_t at = text::findNoCase(hay, needle, from);
  return at == std::string_view::npos ? 0 : charPosition(hay, at);
}

std::string Left(std::string_view s, std::size_t chars) { return std::string(s.substr(0, byteOffset(s, chars + 1))); }

std::string Mid(std::string_view s, std::size_t start, std::size_t chars) {
  if (start < 1) Raise(kErrInvalidCall);
  const std::size_t from = byteOffset(s, start);
  if (from >= s.size()) return {};
  const std::string_view rest = s.substr(from);
  if (chars == std::string_view::npos) return std::string(rest);
  return std::string(rest.substr(0, byteOffset(rest, chars + 1)));
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

bool Contains(std::string_view hay, std::string_view needle) { return hay.find(needle) != std::string_view::npos; }
}  // namespace str

std::string GetPathWithSlash(std::string_view text) {
  try {
    if (str::Trim(text).empty()) return {};
    if (text.back() == '\\') return std::string(text);
    return std::string(text) + "\\";
  } catch (...) {
    LogError("GetPathWithSlash");
    return {};
  }
}

std::string GetSystemDirectory() {
  try {
    return platform::machine().files->systemFolder();
  } catch (...) {
    LogError("GetSystemDirectory");
    return {};
  }
}

std::string GetWindowsDirectory() {
  try {
    return platform::machine().files->windowsFolder();
  } catch (...) {
    LogError("GetWindowsDirectory");
    return {};
  }
}

std::string_view FileExtensionView(std::string_view text) {
  for (std::size_t i = text.size(); i > 0; --i) {
    const char c = text[i - 1];
    if (c == '.') return text.substr(i);
    if (c == ':' || c == '\\') return {};
  }
  return {};
}

std::string GetFileExtension(std::string_view text) {
  try {
    return text::toLower(FileExtensionView(text));
  } catch (...) {
    LogError("GetFileExtension");
    return {};
  }
}

std::string_view RemoveEnterView(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == '"' || text[b] == '\r' || text[b] == ' ')) ++b;
  while (e > b && (text[e - 1] == '"' || text[e - 1] == '\n' || text[e - 1] == ' ')) --e;
  return text.substr(b, e - b);
}

std::string RemoveEnter(std::string_view text) {
  try {
    return std::string(RemoveEnterView(text));
  } catch (...) {
    LogError("RemoveEnter");
    return {};
  }
}

std::string RemoveEnter(std::string&& text) {
  const std::string_view kept = RemoveEnterView(text);
  const auto b = static_cast<std::size_t>(kept.data() - text.data());
  text.erase(b + kept.size()).erase(0, b);
  return std::move(text);
}

std::string RemoveBackSlashandComma(std::string_view text) {
  try {
    const std::size_t slash = text.find('/');
    const std::size_t comma = text.find(',');
    std::string candidate;
    if (slash != std::string_view::npos) candidate = RemoveEnter(text.substr(0, slash));
    if (comma != std::string_view::npos) candidate = RemoveEnter(text.substr(0, comma));
    return candidate.empty() ? std::string(text) : candidate;
  } catch (...) {
    LogError("RemoveBackSlashandComma");
    return {};
  }
}

namespace {
std::string currentVersionValue(const char* name) {
  std::string value;
  if (!QueryValue(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", name, value)) return {};
  return str::Trim(value);
}

std::string textAfterToken(std::string_view text, std::string_view token) {
  const std::size_t at = text::findNoCase(text, token);
  if (at == std::string_view::npos) return {};
  return std::string(text.substr(at + token.size()));
}
}  // namespace

std::string GetProgramFilesPath() {
  try {
    return currentVersionValue("ProgramFilesDir");
  } catch (...) {
    LogError("GetProgramFilesPath");
    return {};
  }
}

std::string GetCommonProgramFilesPath() {
  try {
    return currentVersionValue("CommonFilesDir");
  } catch (...) {
    LogError("GetCommonProgramFilesPath");
    return {};
  }
}

std::string CheckSystemRootDirectory(std::string_view text) {
  try {
    if (text::containsNoCase(text, "%Systemroot%")) return textAfterToken(text, "%Systemroot%");
    return textAfterToken(text, "%ProgramFiles%");
  } catch (...) {
    LogError("CheckSystemRootDirectory");
    return {};
  }
}

std::string CheckCommonProgramFilesPath(std::string_view text) {
  try {
    return textAfterToken(text, "%commonprogramfiles%");
  } catch (...) {
    LogError("CheckCommonProgramFilesPath");
    return {};
  }
}

std::string_view ExistenceLookupPath(std::string_view path) {
  // A folder written with its closing "\" is that folder; Windows finds it
  // only without the separator.
  while (path.size() > 3 && path.back() == '\\') path.remove_suffix(1);
  return path;
}

bool PathMissing(std::string_view path) {
  path = ExistenceLookupPath(path);
  if (path.empty()) return false;
  // One search that takes files and folders alike answers both questions.
  ExistenceMemo* memo = ActiveExistenceMemo();
  std::optional<platform::FindResult> found = memo != nullptr ? memo->find(path) : std::nullopt;
  if (!found) {
    found = platform::machine().files->findFirst(path, true);
    if (memo != nullptr) memo->rememberMissed(path, *found);
  }
  switch (*found) {
    case platform::FindResult::Found:
    case platform::FindResult::CannotTell:  // what cannot be looked at is not called missing
      return false;
    case platform::FindResult::InvalidName:
      Raise(kErrBadFileName);
    case platform::FindResult::NotFound:
      break;
  }
  return true;
}

}  // namespace hm
