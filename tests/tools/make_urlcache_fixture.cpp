// Fills the URL cache of the prefix it runs in through Wine's own WinINet, or
// lists it: the fixture of the prefix cache tests (tests/data/urlcache) is
// made with `fill`, and the tests read a cleaned cache back with `list`.
//   make_urlcache_fixture fill   two pages with local files, two cookies, one visited page
//   make_urlcache_fixture list   every entry's URL, one a line, sorted
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool AddPage(const wchar_t* url, const char* body) {
  wchar_t file[MAX_PATH];
  if (!CreateUrlCacheEntryW(url, 0, L"html", file, 0)) return false;
  HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(h, body, static_cast<DWORD>(strlen(body)), &written, nullptr);
  CloseHandle(h);
  const FILETIME never{};
  return CommitUrlCacheEntryW(url, file, never, never, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr) != FALSE;
}

bool Fill() {
  constexpr const wchar_t* kLasting = L"; expires=Fri, 01 Jan 2038 00:00:00 GMT";
  bool ok = AddPage(L"http://example.com/index.html", "<p>cached page</p>") &&
            AddPage(L"http://example.com/style.css", "p { color: red }") &&
            InternetSetCookieW(L"http://www.keep.example/", L"k", (std::wstring(L"v") + kLasting).c_str()) &&
            InternetSetCookieW(L"http://drop.example/", L"d", (std::wstring(L"w") + kLasting).c_str());
  const FILETIME never{};
  ok = ok && CommitUrlCacheEntryW(L"Visited: user@http://example.com/index.html", nullptr, never, never,
                                  URLHISTORY_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
  return ok;
}

int List() {
  std::vector<std::wstring> urls;
  DWORD size = 0;
  HANDLE find = FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
  if (find == nullptr && GetLastError() == ERROR_NO_MORE_ITEMS) return 0;
  std::vector<unsigned char> buffer;
  for (bool first = true;; first = false) {
    buffer.assign(size, 0);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    const BOOL got = first ? (find = FindFirstUrlCacheEntryW(nullptr, entry, &size)) != nullptr
                           : FindNextUrlCacheEntryW(find, entry, &size);
    if (!got) return 1;
    urls.push_back(entry->lpszSourceUrlName);
    size = 0;
    if (FindNextUrlCacheEntryW(find, nullptr, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
  }
  FindCloseUrlCache(find);
  std::sort(urls.begin(), urls.end());
  for (const auto& u : urls) std::printf("%ls\n", u.c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"fill") return Fill() ? 0 : 1;
  if (mode == L"list") return List();
  std::fprintf(stderr, "usage: make_urlcache_fixture fill|list\n");
  return 2;
}
