// Makes shortcut fixtures with the platform's own shell-link writer and records
// what the shell reads back from each, so the Linux build is tested against the
// same answers. Usage: make_lnk_fixtures OUTPUT_FOLDER [TARGET_FOLDER]
// (targets default to C:\hmfix; run it in a throwaway wine prefix).
#include <cstdio>
#include <string>

#include "shelllink/WindowsShellLinks.h"

namespace {

std::wstring backslashes(std::wstring path) {
  for (auto& c : path)
    if (c == L'/') c = L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: make_lnk_fixtures OUTPUT_FOLDER [TARGET_FOLDER]\n", stderr);
    return 2;
  }
  const std::wstring output = backslashes(argv[1]);
  const std::wstring base = argc > 2 ? backslashes(argv[2]) : L"C:\\hmfix";
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;

  // The script shell's answer where it has one (Wine's TargetPath is a stub),
  // else IShellLinkW::GetPath's; the third column says which.
  std::string table = "# file\ttarget\tread by\n";
  int failures = 0;
  for (const auto& shortcutCase : hm::testing::shortcutCases()) {
    const std::wstring target = hm::testing::expandCaseTarget(shortcutCase, base);
    const std::wstring link = output + L"\\" + shortcutCase.name + L".lnk";
    if (!hm::testing::createCaseTarget(target, shortcutCase.kind) || !hm::testing::createShortcut(link, target)) {
      std::fprintf(stderr, "cannot make %ls\n", shortcutCase.name);
      ++failures;
      continue;
    }
    const auto scripted = hm::testing::scriptShellTargetPath(link);
    const auto shell = hm::testing::shellLinkGetPath(link);
    if (!scripted && !shell) {
      std::fprintf(stderr, "the shell cannot read %ls\n", shortcutCase.name);
      ++failures;
      continue;
    }
    table += hm::testing::toUtf8(std::wstring(shortcutCase.name) + L".lnk") + "\t" +
             hm::testing::toUtf8(scripted ? *scripted : *shell) + "\t" + (scripted ? "TargetPath" : "GetPath") + "\n";
  }

  const std::wstring tablePath = output + L"\\expected.tsv";
  FILE* out = _wfopen(tablePath.c_str(), L"wb");
  if (!out) return 1;
  std::fwrite(table.data(), 1, table.size(), out);
  std::fclose(out);
  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
