#include "tools/CacheCleaner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "shell/SettingsStore.h"

namespace hm::tools {
namespace {

constexpr std::size_t kCookieFileEnding = 7;  // "[1].txt"
// A keep-list is a short list of names; anything far larger is no keep-list.
constexpr std::uint64_t kMaxKeepListBytes = 4u << 20;

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace

std::string CookieName(std::string_view url) {
  if (url.find("Cookie:") == std::string_view::npos || url.size() <= 8) return {};
  std::string_view name = url.substr(7, url.size() - 8);
  if (const auto dot = name.find('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::vector<std::string> FreeFormatItems(std::string_view text) {
  std::vector<std::string> items;
  std::size_t i = 0;
  const auto lineEnd = [&](std::size_t at) { return text[at] == '\r' || text[at] == '\n'; };
  // Steps over the comma or line end that ends an item.
  const auto skipSeparator = [&] {
    if (i >= text.size()) return;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    ++i;
  };
  while (i < text.size()) {
    while (i < text.size() && blank(text[i])) ++i;
    if (i < text.size() && text[i] == '"') {
      const std::size_t close = text.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? text.size() : close;
      items.emplace_back(text.substr(i + 1, end - i - 1));
      i = end == text.size() ? end : end + 1;
      // Whatever follows the closing quote up to the separator is not part of the item.
      while (i < text.size() && text[i] != ',' && !lineEnd(i)) ++i;
    } else {
      const std::size_t start = i;
      while (i < text.size() && text[i] != ',' && !lineEnd(i)) ++i;
      items.push_back(trimmed(text.substr(start, i - start)));
    }
    skipSeparator();
  }
  return items;
}

std::optional<std::string> KeptCookieName(std::string_view item) {
  const auto slash = item.rfind('\\');
  if (slash == std::string_view::npos) return std::string(item);
  const std::string_view file = item.substr(slash + 1);
  if (file.size() < kCookieFileEnding) return std::nullopt;
  return std::string(file.substr(0, file.size() - kCookieFileEnding));
}

std::string KeepListPath() { return platform::machine().files->programFolder() + "\\DoNotDeleteCookie"; }

bool ReadKeepList(KeepList& list, std::string& error) {
  list = KeepList{};
  const std::string path = KeepListPath();
  auto& files = *platform::machine().files;
  switch (files.findFirst(path, false)) {
    case platform::FindResult::NotFound:
      return true;
    case platform::FindResult::Found:
      break;
    default:
      error = "the cookie keep-list " + path + " cannot be looked at";
      return false;
  }
  const std::optional<std::string> text = files.readFileUpTo(path, kMaxKeepListBytes);
  if (!text) {
    error = "the cookie keep-list " + path + " cannot be read";
    return false;
  }
  list.present = true;
  for (const std::string& item : FreeFormatItems(*text)) {
    const auto name = KeptCookieName(item);
    if (!name) {
      error = "the cookie keep-list " + path + " names no cookie file in \"" + item + "\"";
      list = KeepList{};
      return false;
    }
    if (!name->empty()) list.names.push_back(*name);
  }
  return true;
}

bool CacheCleaningSwitchedOn() {
  const std::string stored = trimmed(GetSetting(kProductName, "IESettings", "Cache", "1"));
  char* end = nullptr;
  const double value = std::strtod(stored.c_str(), &end);
  if (stored.empty() || end != stored.c_str() + stored.size()) return false;
  return std::nearbyint(value) == 1.0;
}

CacheCleaning CleanUrlCache(bool dryRun) {
  CacheCleaning result;
  try {
    platform::UrlCachePort* cache = platform::machine().urlCache;
    if (cache == nullptr) {
      result.error = "this machine has no browser cache to clean";
      return result;
    }
    KeepList keep;
    if (!ReadKeepList(keep, result.error)) return result;
    std::vector<platform::UrlCacheEntry> entries;
    if (!cache->listEntries(entries, result.error)) return result;
    for (const auto& entry : entries) {
      DoEvents();
      const std::string cookie = CookieName(entry.url);
      if (!cookie.empty() && std::any_of(keep.names.begin(), keep.names.end(),
                                         [&](const std::string& name) { return text::equalsNoCase(name, cookie); })) {
        result.kept.push_back(entry.url);
        continue;
      }
      if (!dryRun && !cache->deleteEntry(entry.url, result.error)) break;
      result.deleted.push_back(entry.url);
    }
    if (dryRun) return result;
    // What was deleted so far is made lasting even when a deletion stopped the run.
    std::vector<std::string> notDeleted;
    std::string error;
    if (!cache->commit(notDeleted, error)) {
      result.error = result.error.empty() ? error : result.error + "; " + error;
      std::erase_if(result.deleted, [&](const std::string& url) {
        return std::find(notDeleted.begin(), notDeleted.end(), url) != notDeleted.end();
      });
    }
  } catch (...) {
    LogError("GetCacheURLList");
    if (result.error.empty()) result.error = "an unexpected failure (see the error log)";
  }
  return result;
}

std::string CacheCleaningMessage(const CacheCleaning& r) {
  if (r.switchedOff) return "Clearing the cache is turned off in the settings; nothing was deleted.";
  const std::string counts =
      "Deleted: " + std::to_string(r.deleted.size()) + ". Kept: " + std::to_string(r.kept.size()) + ".";
  if (r.ok()) return "All Cache Files have been cleared sucessfully.\r\n" + counts;
  return "The cache was not cleared completely: " + r.error +
         ".\r\nDeleted before that: " + std::to_string(r.deleted.size()) + ". Kept: " + std::to_string(r.kept.size()) +
         ".";
}

}  // namespace hm::tools
