#include <string>
#include <string_view>
#include <utility>

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "platform/Text.h"
#include "scan/Checks.h"

namespace hm {

namespace {
constexpr std::string_view kFolderTokens[] = {"%ProgramFiles%", "%Systemroot%", "%commonprogramfiles%"};

bool HoldsFolderToken(std::string_view text) {
  if (text.find('%') == std::string_view::npos) return false;  // the common case, at the cost of one memchr
  for (const std::string_view token : kFolderTokens)
    if (text::containsNoCase(text, token)) return true;
  return false;
}

// A token other than the three folder tokens (say %windir% or %Sysroot%)
// is one this rule cannot resolve.
bool HoldsUnknownToken(std::string_view text) {
  std::string rest(text);
  for (const std::string_view token : kFolderTokens) {
    for (std::size_t at = text::findNoCase(rest, token); at != std::string::npos; at = text::findNoCase(rest, token))
      rest.erase(at, token.size());
  }
  return HoldsPercentToken(rest);
}

bool ExtensionHasThreeCharacters(std::string_view text) { return str::Len(GetFileExtension(text)) == 3; }
}  // namespace

void CheckAllSystemdirectory(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& text) {
  try {
    if (HoldsUnknownToken(text)) return;
    std::string folder, rest;
    if (text::containsNoCase(text, "%Systemroot%")) {
      folder = GetWindowsDirectory();
      rest = CheckSystemRootDirectory(text);
    } else if (!text::containsNoCase(text, "%ProgramFiles%")) {
      folder = GetCommonProgramFilesPath();
      rest = CheckCommonProgramFilesPath(text);
    } else {
      folder = GetProgramFilesPath();
      rest = CheckSystemRootDirectory(text);
    }
    // A token whose folder cannot be read is as unresolvable as an unknown one.
    if (str::Trim(folder).empty()) return;
    RecordWhenMissing(lvwErrors, ctx, folder + rest);
  } catch (...) {
    LogError("CheckAllSystemdirectory");
  }
}

void CheckApplicationPath(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::AppPathMissing;
    std::string& text = ctx.valueText;
    if (text.empty()) return;
    text = RemoveEnter(std::move(text));
    const std::string_view extension = FileExtensionView(text);
    if (!text::equalsNoCase(extension, "tmp") && !text::equalsNoCase(extension, "dll") &&
        !text::equalsNoCase(extension, "exe"))
      return;
    RecordMissingServerPath(lvwErrors, ctx, text, HoldsFolderToken(text));
  } catch (...) {
    LogError("CheckApplicationPath");
  }
}

void CheckWindowsFontpath(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::FontFileMissing;
    const std::string& text = ctx.valueText;
    if (text.empty() || text::containsNoCase(text, ".FON")) return;
    if (!str::Contains(text, "\\")) {
      RecordWhenMissing(lvwErrors, ctx, GetPathWithSlash(GetWindowsDirectory()) + "Fonts\\" + text);
      return;
    }
    RecordWhenMissing(lvwErrors, ctx, text);
  } catch (...) {
    LogError("CheckWindowsFontpath");
  }
}

void CheckHelpFilesPath(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::HelpFileMissing;
    const std::string& folder = ctx.valueText;
    if (folder.empty()) return;
    const std::string combined = (folder.back() == '\\' ? folder : GetPathWithSlash(folder)) + ctx.valueName;
    // A folder of blanks leaves a bare file name that Windows looks for along
    // its own help path; with no folder to judge, nothing is reported.
    if (!str::Contains(combined, "\\")) return;
    RecordWhenMissing(lvwErrors, ctx, combined);
  } catch (...) {
    LogError("CheckHelpFilesPath");
  }
}

void CheckMicrosoftSharedPath(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::SharedFileMissing;
    std::string& text = ctx.valueText;
    if (text.empty() || !str::Contains(text, ".")) return;
    if (str::Contains(text, "\\")) {
      if (!str::Contains(text, ":\\")) return;
      text = FromDriveLetter(text);
      if (!ExtensionHasThreeCharacters(text)) return;
      RecordWhenMissing(lvwErrors, ctx, text);
      return;
    }
    if (str::Contains(text, "*") || !ExtensionHasThreeCharacters(text)) return;
    RecordWhenMissing(lvwErrors, ctx, SystemFolderPrefix() + text);
  } catch (...) {
    LogError("CheckMicrosoftSharedPath");
  }
}

void CheckVirtualDeviceSection(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::VxdFileMissing;
    std::string& text = ctx.valueText;
    if (text.empty() || !str::Contains(text, ".")) return;
    if (!str::Contains(text, "\\")) {
      RecordWhenMissing(lvwErrors, ctx, SystemFolderPrefix() + text);
      return;
    }
    if (!str::Contains(text, ":\\")) return;
    text = FromDriveLetter(text);
    RecordWhenMissing(lvwErrors, ctx, text);
  } catch (...) {
    LogError("CheckVirtualDeviceSection");
  }
}

}  // namespace hm
