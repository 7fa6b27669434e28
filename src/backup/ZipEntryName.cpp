#include "backup/ZipEntryName.h"

#include <vector>

#include "platform/Text.h"

namespace hm::backup {
namespace {

constexpr std::size_t kMaxNameBytes = 32767;

bool isSafeStep(std::string_view step) {
  if (step.empty() || step == "." || step == "..") return false;
  if (step.back() == '.' || step.back() == ' ') return false;  // Windows would drop them and name another file
  for (const char c : step) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
    if (std::string_view("<>:\"|?*\\/").find(c) != std::string_view::npos) return false;
  }
  return true;
}

std::vector<std::string_view> split(std::string_view s, char separator) {
  std::vector<std::string_view> steps;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = s.find(separator, start);
    steps.push_back(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return steps;
}

// Malformed bytes decode as U+FFFD and so do not survive the round trip.
bool isValidUtf8(std::string_view s) { return text::toUtf8(text::toUtf16(s)) == s; }

}  // namespace

std::optional<std::string> zipEntryNameForPath(std::string_view windowsPath) {
  std::string path(windowsPath);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::string_view p = path;
  if (p.starts_with("\\\\?\\UNC\\")) {
    p.remove_prefix(8);
    path = "\\\\" + std::string(p);
    p = path;
  } else if (p.starts_with("\\\\?\\")) {
    p.remove_prefix(4);
  }
  std::string name;
  if (p.size() >= 3 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':' && p[2] == '\\') {
    name = static_cast<char>(p[0] & ~0x20);
    p.remove_prefix(3);
  } else if (p.starts_with("\\\\")) {
    name = "UNC";
    p.remove_prefix(2);
  } else {
    return std::nullopt;
  }
  for (const std::string_view step : split(p, '\\')) {
    if (!isSafeStep(step)) return std::nullopt;
    name += '/';
    name += step;
  }
  if (name.size() > kMaxNameBytes || !isValidUtf8(name)) return std::nullopt;
  return name;
}

bool isSafeZipEntryName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameBytes || !isValidUtf8(name)) return false;
  for (const std::string_view step : split(name, '/')) {
    if (!isSafeStep(step)) return false;
  }
  return true;
}

}  // namespace hm::backup
