#include "scan/CheckRules.h"

#include <array>

namespace hm {

namespace {
constexpr std::array<CheckRuleText, 13> kRules{{
    {CheckRule::EmptyHelpDirKey, "empty-helpdir-key", "the type library's help folder key has no value"},
    {CheckRule::EmptyOpenWithKey, "empty-openwith-key", "the file extension's Open With list has no value"},
    {CheckRule::ComServerMissing, "com-server-missing", "the class's server file does not exist"},
    {CheckRule::AppPathMissing, "app-path-missing", "the application's program file does not exist"},
    {CheckRule::FontFileMissing, "font-file-missing", "the font's file does not exist"},
    {CheckRule::HelpFileMissing, "help-file-missing", "the help file does not exist"},
    {CheckRule::SharedFileMissing, "shared-file-missing", "the shared file does not exist"},
    {CheckRule::VxdFileMissing, "vxd-file-missing", "the virtual device driver's file does not exist"},
    {CheckRule::StartupProgramMissing, "startup-program-missing", "the start-up command's program does not exist"},
    {CheckRule::UninstallProgramMissing, "uninstall-program-missing", "the uninstall command's program does not exist"},
    {CheckRule::QuietUninstallProgramMissing, "quiet-uninstall-program-missing",
     "the quiet uninstall command's program does not exist"},
    {CheckRule::InstallFileMissing, "install-file-missing",
     "the uninstall entry's install source, modify program or icon file does not exist"},
    {CheckRule::ShortcutTargetMissing, "shortcut-target-missing", "the shortcut's target does not exist"},
}};
}  // namespace

std::span<const CheckRuleText> AllCheckRules() { return kRules; }

std::string_view CheckRuleId(CheckRule rule) {
  for (const CheckRuleText& r : kRules)
    if (r.rule == rule) return r.id;
  return {};
}

std::string_view CheckRuleReason(std::string_view id) {
  if (id.empty()) return {};
  for (const CheckRuleText& r : kRules)
    if (r.id == id) return r.reason;
  return {};
}

}  // namespace hm
