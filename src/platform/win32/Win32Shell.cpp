#include "platform/win32/Win32Shell.h"

#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/win32/Wide.h"

namespace hm::platform::win32 {
namespace {

constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED, missing from older headers

// The shell calls below want COM on the calling thread; a thread that already
// has it (in either model) keeps it as it was.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

// The shell's instance results are error codes up to 32 and "success" above.
int shellResult(HINSTANCE result) {
  const auto v = reinterpret_cast<INT_PTR>(result);
  return static_cast<int>(std::clamp<INT_PTR>(v, INT_MIN, INT_MAX));
}

std::wstring folderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

const wchar_t* orNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

bool shellExecuteEx(const wchar_t* verb, const std::wstring& file, const std::wstring& parameters,
                    const std::wstring& folder) {
  ComScope com;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = GetActiveWindow();
  info.lpVerb = verb;
  info.lpFile = file.c_str();
  info.lpParameters = orNull(parameters);
  info.lpDirectory = orNull(folder);
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

}  // namespace

std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::wstring argumentsOf(std::wstring_view line) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    const auto close = line.find(L'"', 1);
    i = close == std::wstring_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
  }
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
  return std::wstring(line.substr(i));
}

std::string Win32Shell::programName() {
  const std::wstring path = modulePath();
  const auto slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot > 0) name.resize(dot);
  return narrow(name);
}

std::string Win32Shell::commandLine() {
  const wchar_t* line = GetCommandLineW();
  return line ? narrow(argumentsOf(line)) : std::string();
}

bool Win32Shell::anotherCopyRunning() {
  if (instanceMutex_) return false;  // this copy is the one that runs
  SetLastError(ERROR_SUCCESS);
  ScopedHandle mutex(CreateMutexW(nullptr, FALSE, mutexName_.c_str()));
  const DWORD error = GetLastError();
  // A copy of another user in this session holds it with rights we lack.
  if (!mutex) return error == ERROR_ACCESS_DENIED;
  if (error == ERROR_ALREADY_EXISTS) return true;
  instanceMutex_ = std::move(mutex);
  return false;
}

int Win32Shell::findExecutable(const std::string& document, std::string& executable) {
  ComScope com;
  wchar_t found[MAX_PATH + 1] = {};
  const int result = shellResult(FindExecutableW(wide(document).c_str(), nullptr, found));
  executable = result > 32 ? narrow(found) : std::string();
  return result;
}

int Win32Shell::shellExecute(const std::string& executable, const std::string& parameters) {
  ComScope com;
  const std::wstring params = wide(parameters);
  return shellResult(
      ShellExecuteW(GetActiveWindow(), L"open", wide(executable).c_str(), orNull(params), nullptr, SW_SHOWNORMAL));
}

bool Win32Shell::startProgram(const std::string& path) {
  const std::wstring file = wide(path);
  const std::wstring folder = folderOf(file);
  std::wstring line = L"\"" + file + L"\"";  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, orNull(folder), &startup,
                     &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }
  // A program whose manifest asks for elevation starts only through the shell.
  if (GetLastError() != kElevationRequired) return false;
  return shellExecuteEx(nullptr, file, {}, folder);
}

bool Win32Shell::elevated() {
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return false;
  return elevation.TokenIsElevated != 0;
}

bool Win32Shell::restartElevated(const std::string& arguments) {
  const std::wstring self = modulePath();
  if (self.empty()) return false;
  // The new copy must not find this one running; take the mark back when it
  // did not start.
  const bool held = static_cast<bool>(instanceMutex_);
  instanceMutex_.reset();
  const bool started = shellExecuteEx(L"runas", self, wide(arguments), folderOf(self));
  if (!started && held) anotherCopyRunning();
  return started;
}

std::uintptr_t Win32Shell::systemImageList(bool smallIcons) {
  ComScope com;
  SHFILEINFOW info{};
  const UINT flags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | (smallIcons ? SHGFI_SMALLICON : 0);
  const DWORD_PTR list = SHGetFileInfoW(L".txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags);
  return list == 0 || list == static_cast<DWORD_PTR>(-1) ? 0 : static_cast<std::uintptr_t>(list);
}

int Win32Shell::fileIconIndex(const std::string& path, bool smallIcons, bool openFile) {
  ComScope com;
  SHFILEINFOW info{};
  const UINT flags = SHGFI_SYSICONINDEX | (smallIcons ? SHGFI_SMALLICON : 0) | (openFile ? 0 : SHGFI_USEFILEATTRIBUTES);
  if (SHGetFileInfoW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags) == 0) return -1;
  return info.iIcon;
}

}  // namespace hm::platform::win32
