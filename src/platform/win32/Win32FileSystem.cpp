#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/PathRules.h"
#include "platform/win32/Wide.h"
#include "platform/win32/gui/ScopedHandles.h"

// RtlGenRandom, as advapi32 exports it.
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace hm::platform::win32 {
namespace {

bool isLink(const std::string& path) {
  const DWORD a = GetFileAttributesW(wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// True when a folder on the path below its drive's root (the last component
// left out) is a symbolic link or junction: a write must not follow it.
bool throughLinkedFolder(std::string_view path) {
  const std::string p(path);
  for (std::size_t slash = p.find('\\', 3); slash != std::string::npos; slash = p.find('\\', slash + 1))
    if (isLink(p.substr(0, slash))) return true;
  return false;
}

std::string stripTrailingSlash(std::string s) {
  while (s.size() > 3 && s.back() == '\\') s.pop_back();
  return s;
}

bool writeAll(HANDLE h, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD wrote = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return true;
}

// A folder as the file system knows it, whatever path names it.
struct FolderIdentity {
  DWORD volume = 0, indexHigh = 0, indexLow = 0;
  bool operator==(const FolderIdentity&) const = default;
};

std::optional<FolderIdentity> identityOf(const wchar_t* folder) {
  ScopedHandle f(CreateFileW(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!f || !GetFileInformationByHandle(f.get(), &info)) return std::nullopt;
  return FolderIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Under wine, the host's root folder ("/"), which wine names \\?\unix\; nothing
// on Windows.
std::optional<FolderIdentity> wineHostRoot() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return std::nullopt;
  return identityOf(L"\\\\?\\unix\\");
}

std::string folderFrom(UINT (*query)(LPWSTR, UINT)) {
  wchar_t buf[MAX_PATH + 1];
  const UINT n = query(buf, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return {};
  return narrow(std::wstring_view(buf, n));
}

}  // namespace

FindResult Win32FileSystem::findFirst(std::string_view path, bool includeFolders) {
  while (!path.empty() && path.back() == ' ') path.remove_suffix(1);
  if (IsRefusedPath(path, true)) return FindResult::InvalidName;
  WIN32_FIND_DATAW data;
  ScopedFind find(FindFirstFileW(wide(path).c_str(), &data));
  if (!find) {
    const DWORD err = GetLastError();
    if (err == ERROR_INVALID_NAME || err == ERROR_FILENAME_EXCED_RANGE || err == ERROR_BAD_PATHNAME ||
        err == ERROR_DIRECTORY)
      return FindResult::InvalidName;
    if (err == ERROR_BAD_NETPATH || err == ERROR_BAD_NET_NAME || err == ERROR_NETNAME_DELETED ||
        err == ERROR_NETWORK_UNREACHABLE || err == ERROR_HOST_UNREACHABLE || err == ERROR_NO_NET_OR_BAD_PATH ||
        err == ERROR_NOT_READY || err == ERROR_ACCESS_DENIED)
      return FindResult::CannotTell;
    return FindResult::NotFound;
  }
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || includeFolders) return FindResult::Found;
  } while (FindNextFileW(find.get(), &data));
  return FindResult::NotFound;
}

std::optional<std::uint32_t> Win32FileSystem::attributes(std::string_view path) {
  const DWORD a = GetFileAttributesW(wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return a;
}

bool Win32FileSystem::listFolder(std::string_view folder, std::vector<DirEntry>& entries) {
  entries.clear();
  std::string pattern(folder);
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAW data;
  ScopedFind find(FindFirstFileW(wide(pattern).c_str(), &data));
  if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back(DirEntry{narrow(name), data.dwFileAttributes});
  } while (FindNextFileW(find.get(), &data));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

bool Win32FileSystem::deleteFile(std::string_view path) {
  return !throughLinkedFolder(path) && DeleteFileW(wide(path).c_str()) != 0;
}

bool Win32FileSystem::createFolder(std::string_view path) {
  if (throughLinkedFolder(path)) return false;
  if (CreateDirectoryW(wide(path).c_str(), nullptr)) return true;
  const DWORD a = GetFileAttributesW(wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32FileSystem::readFile(std::string_view path) { return readFileUpTo(path, 1u << 31); }

std::optional<std::string> Win32FileSystem::readFileUpTo(std::string_view path, std::uint64_t maxBytes) {
  ScopedHandle f(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size) ||
      static_cast<std::uint64_t>(size.QuadPart) > std::min<std::uint64_t>(maxBytes, 1u << 31))
    return std::nullopt;
  std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    if (!ReadFile(f.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr))
      return std::nullopt;
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  return data;
}

bool Win32FileSystem::appendFile(std::string_view path, std::string_view bytes) {
  if (throughLinkedFolder(path) || isLink(std::string(path))) return false;
  ScopedHandle f(CreateFileW(wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  // Flushed before it counts: a backup record must outlive a power cut.
  return writeAll(f.get(), bytes) && FlushFileBuffers(f.get());
}

bool Win32FileSystem::writeFileAtomic(std::string_view path, std::string_view bytes) {
  const std::string target(path);
  if (throughLinkedFolder(target) || isLink(target)) return false;
  const std::size_t slash = target.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  // An unpredictable name, created only where nothing is: nothing planted
  // beside the target can receive the bytes.
  std::string tmp;
  ScopedHandle f;
  for (int attempt = 0; attempt < 16 && !f; ++attempt) {
    unsigned long long random = 0;
    if (!SystemFunction036(&random, sizeof random)) return false;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".hm-%012llx", random & 0xFFFFFFFFFFFFull);
    tmp = folder + "." + name + suffix;
    f.reset(CreateFileW(wide(tmp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!f && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (!f) return false;
  const bool written = writeAll(f.get(), bytes) && FlushFileBuffers(f.get());
  f.reset();
  if (!written ||
      !MoveFileExW(wide(tmp).c_str(), wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(wide(tmp).c_str());
    return false;
  }
  return true;
}

std::optional<std::uint64_t> Win32FileSystem::modifiedTime(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

bool Win32FileSystem::setModifiedTime(std::string_view path, std::uint64_t fileTime) {
  if (throughLinkedFolder(path)) return false;
  ScopedHandle f(CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!f) return false;
  FILETIME written;
  written.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFFu);
  written.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  return SetFileTime(f.get(), nullptr, nullptr, &written) != 0;
}

bool Win32FileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
  if (throughLinkedFolder(path)) return false;
  const DWORD kept = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY);
  return SetFileAttributesW(wide(path).c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL) != 0;
}

std::string Win32FileSystem::windowsFolder() {
  if (overrides_.windows) return *overrides_.windows;
  return folderFrom([](LPWSTR b, UINT n) { return GetWindowsDirectoryW(b, n); });
}

std::string Win32FileSystem::systemFolder() {
  if (overrides_.system) return *overrides_.system;
  return folderFrom([](LPWSTR b, UINT n) { return GetSystemDirectoryW(b, n); });
}

std::string Win32FileSystem::tempFolder() {
  if (overrides_.temp) return *overrides_.temp;
  wchar_t buf[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 2, buf);
  if (n == 0 || n > MAX_PATH + 1) return {};
  return stripTrailingSlash(narrow(std::wstring_view(buf, n)));
}

std::string Win32FileSystem::programFolder() {
  if (overrides_.program) return *overrides_.program;
  std::vector<wchar_t> buf(32768);
  const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  std::string exe = narrow(std::wstring_view(buf.data(), n));
  const std::size_t slash = exe.find_last_of('\\');
  return slash == std::string::npos ? std::string() : stripTrailingSlash(exe.substr(0, slash + 1));
}

std::vector<DriveInfo> Win32Drives::drives() {
  // No "insert a disk" boxes while drives are looked at.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::vector<DriveInfo> result;
  const std::optional<FolderIdentity> hostRoot = wineHostRoot();
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const wchar_t root[4] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
    int type = kDriveUnknown;
    switch (GetDriveTypeW(root)) {
      case DRIVE_REMOVABLE:
        type = kDriveRemovable;
        break;
      case DRIVE_FIXED:
        type = kDriveFixed;
        break;
      case DRIVE_REMOTE:
        type = kDriveNetwork;
        break;
      case DRIVE_CDROM:
        type = kDriveCdRom;
        break;
      case DRIVE_RAMDISK:
        type = kDriveRamDisk;
        break;
      default:
        break;
    }
    if (hostRoot && type != kDriveNetwork && identityOf(root) == hostRoot) type = kDriveNetwork;
    const bool ready = GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
    result.push_back(DriveInfo{static_cast<char>('A' + i), type, ready});
  }
  SetErrorMode(oldMode);
  return result;
}

bool Win32Drives::volumeInformation(std::string_view root) {
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  wchar_t volume[14], fileSystem[32];
  const bool ok = GetVolumeInformationW(wide(root).c_str(), volume, 14, nullptr, nullptr, nullptr, fileSystem, 32);
  SetErrorMode(oldMode);
  return ok;
}

}  // namespace hm::platform::win32
