// The checks that judge one registry entry: each turns the value's text into
// a file path by its own rule and appends a problem record when nothing exists
// there. The walker hands every value to CheckPathExistinDirectory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Controls.h"
#include "scan/CheckRules.h"

namespace hm {

// The check context, passed along unchanged from the driver to the checks.
// A check may normalise `valueText` in its own copy. The names are views of
// the caller's strings, which outlive the check: a scan makes one context per
// value and need not copy them.
struct CheckContext {
  std::int32_t rootKey = 0;
  std::string_view rootKeyName;
  std::string valueName;
  std::string valueText;
  std::string_view section;
  std::string_view keyPath;
  // The rule a record made with this context names; each check sets its own.
  CheckRule rule = CheckRule::None;
};

// Appends a record for `ctx` with the tested path as KeyValue ("(Default)"
// for an empty value name), naming ctx.rule and the path that was looked up.
void RecordMissing(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& testedPath);
// Tests `path` and records it when nothing exists there. A path that still
// holds a %NAME% token cannot be resolved here and is not tested.
void RecordWhenMissing(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& path);
// The rule COM servers and application paths share: a text with a folder
// token (`hasToken`) is resolved by CheckAllSystemdirectory, a bare name is
// tested in the system folder, anything else as it stands.
void RecordMissingServerPath(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& text,
                             bool hasToken);
// True when `text` holds a %NAME% token (an environment-variable reference).
bool HoldsPercentToken(std::string_view text);
// The system folder with a trailing "", to put in front of a bare file name.
std::string SystemFolderPrefix();
// `text` from the drive letter in front of its first ":" on; raises an
// invalid-call failure when the text starts with ":".
std::string FromDriveLetter(std::string_view text);

// COM and registry integrity.
// Leaves the normalised text in ctx.valueText, so a caller may reuse its buffer.
void CheckRegistryActiveXComponent(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void CheckRegistryIntegrity(platform::ListViewModel& lvwErrors, const CheckContext& ctx);
void CheckFileExtensionEntry(platform::ListViewModel& lvwErrors, const CheckContext& ctx);

// The checks below that take the context by rvalue leave ctx.valueText with
// any contents, so a caller may reuse its buffer.

// File references.
void CheckAllSystemdirectory(platform::ListViewModel& lvwErrors, const CheckContext& ctx, const std::string& text);
void CheckApplicationPath(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void CheckWindowsFontpath(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void CheckHelpFilesPath(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void CheckMicrosoftSharedPath(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void CheckVirtualDeviceSection(platform::ListViewModel& lvwErrors, CheckContext&& ctx);

// Uninstall entries and start-up commands.
void CheckUninstallFilePath(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void CheckUninstallString(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void CheckUninstallStringValue(platform::ListViewModel& lvwErrors, const CheckContext& ctx, std::string text);
void CheckQuietUninstallString(platform::ListViewModel& lvwErrors, CheckContext&& ctx);
void RegistryValueCheck(platform::ListViewModel& lvwErrors, const CheckContext& ctx, std::string text);
void CheckInstallSource(platform::ListViewModel& lvwErrors, CheckContext&& ctx);

}  // namespace hm
