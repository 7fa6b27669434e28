#include <string>
#include <string_view>
#include <utility>

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "platform/Text.h"
#include "scan/Checks.h"
#include "scan/ScanLists.h"

namespace hm {

namespace {
// ProgID keys name a class ("WMPlayer.OCX"), not a server file.
bool NamesComClass(std::string_view keyPath) {
  // The key's last name, read from the end: no ASCII name equals a text of
  // another length, so only the tail of the name's own length can match.
  const auto lastIs = [keyPath](std::string_view name) {
    if (keyPath.size() < name.size()) return false;
    const std::size_t start = keyPath.size() - name.size();
    return (start == 0 || keyPath[start - 1] == '\\') && text::equalsNoCase(keyPath.substr(start), name);
  };
  return lastIs("ProgID") || lastIs("VersionIndependentProgID");
}

bool IsComServerExtension(std::string_view extension) {
  return text::equalsNoCase(extension, "dll") || text::equalsNoCase(extension, "ax") ||
         text::equalsNoCase(extension, "ocx");
}

// A key-level record looked at a key, not a file: the key's full name.
std::string KeyTested(const CheckContext& ctx) {
  return std::string(ctx.rootKeyName) + "\\" + std::string(ctx.keyPath);
}

bool HoldsComFolderToken(std::string_view text) {
  if (text.find('%') == std::string_view::npos) return false;  // the common case, at the cost of one memchr
  for (const char* token : {"%Sysroot%", "%Systemroot%", "%ProgramFiles%", "%commonprogramfiles%"})
    if (text::containsNoCase(text, token)) return true;
  return false;
}
}  // namespace

void CheckRegistryActiveXComponent(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::ComServerMissing;
    std::string& text = ctx.valueText;
    if (text.empty() || NamesComClass(ctx.keyPath)) return;
    text = RemoveEnter(std::move(text));
    if (!str::Contains(text, ".")) return;
    if (!IsComServerExtension(FileExtensionView(text))) return;
    RecordMissingServerPath(lvwErrors, ctx, text, HoldsComFolderToken(text));
  } catch (...) {
    LogError("CheckRegistryActiveXComponent");
  }
}

void CheckRegistryIntegrity(platform::ListViewModel& lvwErrors, const CheckContext& ctx) {
  try {
    AddProblemEntry(lvwErrors, std::to_string(ctx.rootKey), "(Default)", "(value not set)", ctx.section, ctx.keyPath,
                    ctx.rootKeyName, {CheckRuleId(CheckRule::EmptyHelpDirKey), KeyTested(ctx)});
  } catch (...) {
    LogError("CheckRegistryIntegrity");
  }
}

void CheckFileExtensionEntry(platform::ListViewModel& lvwErrors, const CheckContext& ctx) {
  try {
    AddProblemEntry(lvwErrors, std::to_string(ctx.rootKey), "(Default)", ctx.keyPath, ctx.section, ctx.keyPath,
                    ctx.rootKeyName, {CheckRuleId(CheckRule::EmptyOpenWithKey), KeyTested(ctx)});
  } catch (...) {
    LogError("CheckRegistryActiveXComponent");
  }
}

}  // namespace hm
