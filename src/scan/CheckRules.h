// Why a record was made: one rule per check that can flag an entry, with a
// short identifier that stays stable for scripts and a sentence for people.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace hm {

enum class CheckRule : std::uint8_t {
  None,
  EmptyHelpDirKey,
  EmptyOpenWithKey,
  ComServerMissing,
  AppPathMissing,
  FontFileMissing,
  HelpFileMissing,
  SharedFileMissing,
  VxdFileMissing,
  StartupProgramMissing,
  UninstallProgramMissing,
  QuietUninstallProgramMissing,
  InstallFileMissing,
  ShortcutTargetMissing,
};

struct CheckRuleText {
  CheckRule rule;
  std::string_view id;      // "com-server-missing"
  std::string_view reason;  // "the class's server file does not exist"
};

// Every rule but None, in the order above.
std::span<const CheckRuleText> AllCheckRules();
// "" for None.
std::string_view CheckRuleId(CheckRule rule);
// The sentence of a rule identifier; "" for an identifier no rule has (a
// record read back from a backup set carries none).
std::string_view CheckRuleReason(std::string_view id);

}  // namespace hm
