#include <string>
#include <string_view>

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "scan/Checks.h"
#include "scan/ScanLists.h"

namespace hm {

namespace {
// Characters an environment-variable name never holds; they keep "%1 %2"
// style placeholders and literal percent signs from reading as a token.
bool canBeInTokenName(char c) {
  if (static_cast<unsigned char>(c) < 0x20) return false;
  return std::string_view(" \"*,/:;<=>?\\|%").find(c) == std::string_view::npos;
}
}  // namespace

void RecordMissing(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& testedPath) {
  AddProblemEntry(lvwErrors, std::to_string(ctx.rootKey), ctx.valueName, testedPath, ctx.section, ctx.keyPath,
                  ctx.rootKeyName, {CheckRuleId(ctx.rule), ExistenceLookupPath(testedPath)});
}

void RecordWhenMissing(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& path) {
  // The literal text of an unexpanded variable names no file; testing it
  // would report files that exist.
  if (HoldsPercentToken(path)) return;
  if (PathMissing(path)) RecordMissing(lvwErrors, ctx, path);
}

bool HoldsPercentToken(std::string_view text) {
  for (std::size_t open = text.find('%'); open != std::string_view::npos; open = text.find('%', open + 1)) {
    std::size_t end = open + 1;
    while (end < text.size() && canBeInTokenName(text[end])) ++end;
    if (end > open + 1 && end < text.size() && text[end] == '%') return true;
  }
  return false;
}

std::string SystemFolderPrefix() { return GetPathWithSlash(GetSystemDirectory()); }

std::string FromDriveLetter(std::string_view text) {
  const std::size_t colon = str::InStr(text, ":\\");
  if (colon <= 1) Raise(kErrInvalidCall);
  return str::Mid(text, colon - 1);
}

void RecordMissingServerPath(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& text,
                             bool hasToken) {
  if (hasToken) {
    CheckAllSystemdirectory(lvwErrors, ctx, text);
  } else if (!str::Contains(text, "\\")) {
    RecordWhenMissing(lvwErrors, ctx, SystemFolderPrefix() + text);
  } else {
    RecordWhenMissing(lvwErrors, ctx, text);
  }
}

}  // namespace hm
