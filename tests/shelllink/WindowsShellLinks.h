// Windows only: makes shortcuts with the shell's own writer and reads them back
// with its own readers, for the fixture generator and the live agreement test.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace hm::testing {

enum class TargetKind { None, File, Folder };

// One shortcut to make. "{base}" in the target stands for a scratch folder
// that the caller owns; `kind` says what to create there first.
struct ShortcutCase {
  const wchar_t* name;
  const wchar_t* target;
  TargetKind kind;
};

inline const std::vector<ShortcutCase>& shortcutCases() {
  static const std::vector<ShortcutCase> cases = {
      {L"file", L"{base}\\app.exe", TargetKind::File},
      {L"file_spaces", L"{base}\\Program Files\\My App 2.0\\run me.exe", TargetKind::File},
      {L"folder", L"{base}\\Folder", TargetKind::Folder},
      {L"folder_dotted", L"{base}\\Tools.v2", TargetKind::Folder},
      {L"nonascii_latin", L"{base}\\Dossier été\\Ünïcødé.txt", TargetKind::File},
      {L"nonascii_cyrillic", L"{base}\\Программы\\Приложение.exe", TargetKind::File},
      {L"nonascii_cjk", L"{base}\\程序\\播放器.exe", TargetKind::File},
      {L"long_path",
       L"{base}\\a-rather-long-folder-name-number-one-for-testing\\a-rather-long-folder-name-number-two-for-testing\\"
       L"a-rather-long-folder-name-number-three-for-testing\\program-with-a-long-name.exe",
       TargetKind::File},
      {L"long_path_missing",
       L"{base}\\Gone\\a-rather-long-folder-name-number-one-for-testing\\a-rather-long-folder-name-number-two-for-"
       L"testing\\a-rather-long-folder-name-number-three-for-testing\\a-rather-long-folder-name-number-four-for-"
       L"testing\\"
       L"program-with-a-long-name.exe",
       TargetKind::None},
      {L"drive_root", L"C:\\", TargetKind::None},
      {L"missing_file", L"{base}\\Gone\\missing.exe", TargetKind::None},
      {L"missing_folder", L"{base}\\GoneFolder", TargetKind::None},
      {L"network", L"\\\\server\\share\\x.exe", TargetKind::None},
      {L"env_var", L"%SystemRoot%\\system32\\notepad.exe", TargetKind::None},
  };
  return cases;
}

inline std::wstring expandCaseTarget(const ShortcutCase& c, const std::wstring& base) {
  std::wstring target = c.target;
  const std::wstring placeholder = L"{base}";
  if (const auto at = target.find(placeholder); at != std::wstring::npos) target.replace(at, placeholder.size(), base);
  return target;
}

// Creates the file or folder a case points at (with its parent folders).
inline bool createCaseTarget(const std::wstring& target, TargetKind kind) {
  if (kind == TargetKind::None) return true;
  for (std::size_t at = target.find(L'\\', 3); at != std::wstring::npos; at = target.find(L'\\', at + 1)) {
    CreateDirectoryW(target.substr(0, at).c_str(), nullptr);
  }
  if (kind == TargetKind::Folder)
    return CreateDirectoryW(target.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  const HANDLE file =
      CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

inline std::optional<std::string> readWholeFile(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

// Gives a saved shortcut an environment-variable target block and sets the
// flag that makes it the target, as the shell does for a target written with
// %VARIABLES% (Wine's writer does not, so the block is added here).
inline bool addEnvironmentTarget(const std::wstring& linkPath, const std::wstring& unexpanded) {
  auto bytes = readWholeFile(linkPath);
  if (!bytes || bytes->size() < 0x50 || bytes->compare(bytes->size() - 4, 4, std::string(4, '\0')) != 0 ||
      unexpanded.size() >= 260)
    return false;
  std::string block(0x314, '\0');
  block[0] = 0x14;
  block[1] = 0x03;
  block[4] = 0x01;
  block[7] = static_cast<char>(0xA0);
  for (std::size_t i = 0; i < unexpanded.size(); ++i) {
    block[8 + i] = unexpanded[i] < 0x80 ? static_cast<char>(unexpanded[i]) : '?';
    block[268 + 2 * i] = static_cast<char>(unexpanded[i] & 0xFF);
    block[269 + 2 * i] = static_cast<char>(unexpanded[i] >> 8);
  }
  (*bytes)[21] = static_cast<char>((*bytes)[21] | 0x02);  // HasExpString
  bytes->insert(bytes->size() - 4, block);
  FILE* file = _wfopen(linkPath.c_str(), L"wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes->data(), 1, bytes->size(), file) == bytes->size();
  return std::fclose(file) == 0 && written;
}

inline bool saveShellLink(const std::wstring& linkPath, const std::wstring& target);

// Writes a shortcut with IShellLinkW + IPersistFile; a target with
// %VARIABLES% points at their expansion and keeps the unexpanded form.
inline bool createShortcut(const std::wstring& linkPath, const std::wstring& target) {
  if (target.find(L'%') == std::wstring::npos) return saveShellLink(linkPath, target);
  std::vector<wchar_t> expanded(32768, L'\0');
  if (!ExpandEnvironmentStringsW(target.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()))) return false;
  return saveShellLink(linkPath, std::wstring(expanded.data())) && addEnvironmentTarget(linkPath, target);
}

inline bool saveShellLink(const std::wstring& linkPath, const std::wstring& target) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return false;
  bool saved = false;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->SetPath(target.c_str())) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    saved = SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}

// The target as IShellLinkW::GetPath reports it after loading the file.
inline std::optional<std::wstring> shellLinkGetPath(const std::wstring& linkPath) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return std::nullopt;
  std::optional<std::wstring> result;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(linkPath.c_str(), STGM_READ))) {
      std::vector<wchar_t> buffer(32768, L'\0');
      if (SUCCEEDED(link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, 0)))
        result = std::wstring(buffer.data());
    }
    file->Release();
  }
  link->Release();
  return result;
}

namespace detail {
inline std::optional<VARIANT> invoke(IDispatch* object, const wchar_t* member, WORD kind, VARIANT* argument) {
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(member);
  if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return std::nullopt;
  DISPPARAMS params = {argument, nullptr, argument ? 1u : 0u, 0};
  VARIANT result;
  VariantInit(&result);
  if (FAILED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &result, nullptr, nullptr)))
    return std::nullopt;
  return result;
}
}  // namespace detail

// The target as the script shell reports it: WScript.Shell, CreateShortcut, TargetPath.
// Nothing when the script shell is not available.
inline std::optional<std::wstring> scriptShellTargetPath(const std::wstring& linkPath) {
  CLSID shellClass;
  if (FAILED(CLSIDFromProgID(L"WScript.Shell", &shellClass))) return std::nullopt;
  IDispatch* shell = nullptr;
  if (FAILED(
          CoCreateInstance(shellClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&shell))))
    return std::nullopt;
  std::optional<std::wstring> result;
  VARIANT path;
  VariantInit(&path);
  path.vt = VT_BSTR;
  path.bstrVal = SysAllocString(linkPath.c_str());
  if (auto shortcut = detail::invoke(shell, L"CreateShortcut", DISPATCH_METHOD, &path)) {
    if (shortcut->vt == VT_DISPATCH && shortcut->pdispVal) {
      if (auto target = detail::invoke(shortcut->pdispVal, L"TargetPath", DISPATCH_PROPERTYGET, nullptr)) {
        if (target->vt == VT_BSTR) result = std::wstring(target->bstrVal ? target->bstrVal : L"");
        VariantClear(&*target);
      }
    }
    VariantClear(&*shortcut);
  }
  VariantClear(&path);
  shell->Release();
  return result;
}

inline std::string toUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace hm::testing
