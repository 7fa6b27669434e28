#include "platform/win32/Win32UrlCache.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "platform/win32/Wide.h"

namespace hm::platform::win32 {
namespace {

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                         FORMAT_MESSAGE_FROM_HMODULE,
                     GetModuleHandleW(L"wininet.dll"), code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n > 0 && text != nullptr ? narrow(std::wstring_view(text, n)) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return "error " + std::to_string(code) + (message.empty() ? "" : " (" + message + ")");
}

// The entry record is fixed fields followed by the strings they point to, in
// one buffer whose size the first call of each pair reports.
class EntryBuffer {
 public:
  INTERNET_CACHE_ENTRY_INFOW* resize(DWORD size) {
    // Whole 8-byte words keep the record's pointers aligned.
    words_.assign((size + 7) / 8 + 1, 0);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(words_.data());
    entry->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
    return entry;
  }
  DWORD bytes() const { return static_cast<DWORD>(words_.size() * 8); }
  const void* data() const { return words_.data(); }

 private:
  std::vector<unsigned long long> words_;
};

UrlCacheEntry ToEntry(const INTERNET_CACHE_ENTRY_INFOW& e) {
  UrlCacheEntry out;
  if (e.lpszSourceUrlName != nullptr) out.url = narrow(e.lpszSourceUrlName);
  if (e.lpszLocalFileName != nullptr) out.localFile = narrow(e.lpszLocalFileName);
  out.type = e.CacheEntryType;
  return out;
}

struct FindHandle {
  HANDLE h = nullptr;
  ~FindHandle() {
    if (h != nullptr) FindCloseUrlCache(h);
  }
};

}  // namespace

bool Win32UrlCache::listEntries(std::vector<UrlCacheEntry>& entries, std::string& error) {
  entries.clear();
  FindHandle find;
  EntryBuffer buffer;
  // Each entry takes two calls: the first, with no buffer, reports the size
  // it needs. 1: an entry is in the buffer; 0: no more entries; -1: an error.
  const auto fetch = [&](bool first) {
    DWORD size = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
      INTERNET_CACHE_ENTRY_INFOW* entry = nullptr;
      if (attempt > 0) {
        entry = buffer.resize(size);
        size = buffer.bytes();
      }
      bool ok = false;
      if (first) {
        find.h = FindFirstUrlCacheEntryW(nullptr, entry, &size);
        ok = find.h != nullptr;
      } else {
        ok = FindNextUrlCacheEntryW(find.h, entry, &size) != FALSE;
      }
      const DWORD code = GetLastError();
      if (ok && entry != nullptr) return 1;
      if (!ok && code == ERROR_NO_MORE_ITEMS) return 0;
      if (ok || code != ERROR_INSUFFICIENT_BUFFER) {
        error = "the cache cannot be listed: " +
                (ok ? std::string("an entry came without its record") : SystemMessage(code));
        return -1;
      }
    }
    error = "the cache cannot be listed: it kept changing while it was read";
    return -1;
  };
  for (int got = fetch(true); got != 0; got = fetch(false)) {
    if (got < 0) {
      entries.clear();
      return false;
    }
    entries.push_back(ToEntry(*reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(buffer.data())));
  }
  return true;
}

bool Win32UrlCache::deleteEntry(const std::string& url, std::string& error) {
  if (DeleteUrlCacheEntryW(wide(url).c_str())) return true;
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND) return true;  // gone already
  error = "Windows refused to delete " + url + ": " + SystemMessage(code);
  return false;
}

}  // namespace hm::platform::win32
