#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Wide.h"

namespace hm::platform::win32 {
namespace {

// Predefined roots are sign-extended handle values on 64-bit Windows.
HKEY toHkey(HKey key) {
  if (isPredefinedRoot(key))
    return reinterpret_cast<HKEY>(static_cast<INT_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(key))));
  return reinterpret_cast<HKEY>(static_cast<UINT_PTR>(key));
}

HKey fromHkey(HKEY key) { return static_cast<HKey>(reinterpret_cast<UINT_PTR>(key)); }

}  // namespace

std::int32_t Win32Registry::openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) {
  HKEY h = nullptr;
  const LONG status = RegOpenKeyExW(toHkey(parent), wide(subKey).c_str(), 0, access, &h);
  result = status == ERROR_SUCCESS ? fromHkey(h) : 0;
  return status;
}

std::int32_t Win32Registry::openKeyNoFollow(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) {
  HKEY h = nullptr;
  const LONG status = RegOpenKeyExW(toHkey(parent), wide(subKey).c_str(), REG_OPTION_OPEN_LINK, access, &h);
  result = status == ERROR_SUCCESS ? fromHkey(h) : 0;
  return status;
}

std::int32_t Win32Registry::createKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  const LONG status = RegCreateKeyExW(toHkey(parent), wide(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                      nullptr, &h, &disposition);
  result = status == ERROR_SUCCESS ? fromHkey(h) : 0;
  return status;
}

std::int32_t Win32Registry::closeKey(HKey key) {
  if (key == 0 || isPredefinedRoot(key)) return ERROR_SUCCESS;
  return RegCloseKey(toHkey(key));
}

std::int32_t Win32Registry::enumKey(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity) {
  std::vector<wchar_t> buf(nameCapacity + 1u);
  DWORD len = nameCapacity;
  const LONG status = RegEnumKeyExW(toHkey(key), index, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name = narrow(std::wstring_view(buf.data(), len));
  return status;
}

std::int32_t Win32Registry::enumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity,
                                      RegValue* value, std::uint32_t dataCapacity) {
  std::vector<wchar_t> buf(nameCapacity + 1u);
  DWORD len = nameCapacity;
  DWORD type = 0;
  std::vector<BYTE> data(value != nullptr ? dataCapacity + 1u : 0u);
  DWORD dataLen = dataCapacity;
  const LONG status = RegEnumValueW(toHkey(key), index, buf.data(), &len, nullptr, &type,
                                    value != nullptr ? data.data() : nullptr, value != nullptr ? &dataLen : nullptr);
  if (status == ERROR_SUCCESS) {
    name = narrow(std::wstring_view(buf.data(), len));
    if (value != nullptr) {
      value->type = type;
      value->data.assign(reinterpret_cast<const char*>(data.data()), dataLen);
    }
  }
  return status;
}

std::int32_t Win32Registry::queryValueInfo(HKey key, std::string_view name, std::uint32_t& type, std::uint32_t& size) {
  DWORD t = 0, s = 0;
  const LONG status = RegQueryValueExW(toHkey(key), wide(name).c_str(), nullptr, &t, nullptr, &s);
  if (status == ERROR_SUCCESS) {
    type = t;
    size = s;
  }
  return status;
}

std::int32_t Win32Registry::queryValue(HKey key, std::string_view name, RegValue& value) {
  const std::wstring w = wide(name);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0, size = 0;
    LONG status = RegQueryValueExW(toHkey(key), w.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    std::vector<BYTE> data(size + 2u);
    DWORD got = size;
    status = RegQueryValueExW(toHkey(key), w.c_str(), nullptr, &type, data.data(), &got);
    if (status == ERROR_MORE_DATA) continue;  // it grew in between
    if (status != ERROR_SUCCESS) return status;
    value.type = type;
    value.data.assign(reinterpret_cast<const char*>(data.data()), got);
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

std::int32_t Win32Registry::setValue(HKey key, std::string_view name, std::uint32_t type, std::string_view data) {
  // Windows stretches string data by one NUL when a NUL character happens to
  // follow the buffer; a non-NUL guard after the copy keeps the bytes exact.
  std::vector<BYTE> buffer(data.begin(), data.end());
  buffer.push_back(0xFF);
  buffer.push_back(0xFF);
  return RegSetValueExW(toHkey(key), wide(name).c_str(), 0, type, buffer.data(), static_cast<DWORD>(data.size()));
}

std::int32_t Win32Registry::deleteValue(HKey key, std::string_view name) {
  return RegDeleteValueW(toHkey(key), wide(name).c_str());
}

std::int32_t Win32Registry::deleteKey(HKey parent, std::string_view subKey) {
  return RegDeleteKeyW(toHkey(parent), wide(subKey).c_str());
}

std::uint32_t Win32Registry::platformId() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return 0;
  return info.dwPlatformId;
}

}  // namespace hm::platform::win32
