#include <string>
#include <string_view>
#include <utility>

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "platform/Text.h"
#include "scan/Checks.h"

namespace hm {

namespace {
// The program file a command line starts with: the text up to the first
// blank that follows a file name with an extension; the whole text when
// there is none.
std::string CommandFile(std::string_view command) {
  for (std::size_t blank = command.find(' '); blank != std::string_view::npos; blank = command.find(' ', blank + 1)) {
    const std::string_view head = command.substr(0, blank);
    if (!GetFileExtension(head).empty()) return RemoveEnter(head);
  }
  return RemoveEnter(command);
}

// A name the platform refuses counts as absent: this second look only ever
// spares a record, it never adds a failure of its own.
bool ProgramFileExists(std::string_view file) {
  if (HoldsPercentToken(file)) return false;
  try {
    return !PathMissing(file);
  } catch (const Failure&) {
    return false;
  }
}

// True when the text, without its quotes, or the part of it in quotes is the
// full path of an existing file. The cutting rules below assume a file name
// without blanks, commas or dashes; a command that names a real file as it
// stands is never reported, whatever those rules would make of it.
bool NamesExistingFile(std::string_view text) {
  auto namesFile = [](std::string_view candidate) {
    const bool absolute = candidate.size() > 3 && candidate[1] == ':' && candidate[2] == '\\';
    // No file name holds a wildcard, a quote or a "/" (a switch such as /S): nothing to look up.
    const auto cannotBeInName = [](char c) { return c == '*' || c == '?' || c == '"' || c == '/'; };
    return absolute && std::none_of(candidate.begin(), candidate.end(), cannotBeInName) && ProgramFileExists(candidate);
  };
  if (namesFile(RemoveEnterView(text))) return true;
  const std::size_t open = text.find('"');
  const std::size_t close = open == std::string_view::npos ? open : text.find('"', open + 1);
  return close != std::string_view::npos && namesFile(str::Trim(text.substr(open + 1, close - open - 1)));
}

// Records `tested` when nothing exists there, unless the program file of the
// command it was cut from exists: arguments behind an uninstaller, or a cut
// that lands inside a dotted folder name, do not make the uninstaller missing.
void RecordUninstallerWhenMissing(platform::ListViewModel& lvwErrors, const CheckContext& ctx,
                                  const std::string& tested, std::string_view command) {
  if (HoldsPercentToken(tested) || !PathMissing(tested)) return;
  const std::string file = CommandFile(command);
  if (str::Trim(file) != str::Trim(tested) && ProgramFileExists(file)) return;
  RecordMissing(lvwErrors, ctx, tested);
}

// One of two absolute paths in a command line: cut before switches, and to
// a three-character extension when more follows the first dot.
void CheckCommandCandidate(platform::ListViewModel& lvwErrors, const CheckContext& ctx, std::string candidate) {
  candidate = RemoveBackSlashandComma(candidate);
  const std::string command = candidate;
  if (const std::size_t dot = str::InStr(candidate, "."); dot > 0) {
    if (str::Len(RemoveEnter(str::Mid(candidate, dot + 1))) != 3) candidate = str::Left(candidate, dot + 3);
  }
  RecordUninstallerWhenMissing(lvwErrors, ctx, candidate, command);
}
}  // namespace

void CheckUninstallFilePath(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    const auto is = [&](std::string_view name) { return text::equalsNoCase(ctx.valueName, name); };
    if (is("UninstallString") || is("UninstallPath")) {
      ctx.rule = CheckRule::UninstallProgramMissing;
      CheckUninstallString(lvwErrors, std::move(ctx));
    } else if (is("QuietUninstallString")) {
      CheckQuietUninstallString(lvwErrors, std::move(ctx));
    } else if (is("InstallSource") || is("ModifyPath") || is("DisplayIcon")) {
      CheckInstallSource(lvwErrors, std::move(ctx));
    }
  } catch (...) {
    LogError("CheckUninstallFilePath");
  }
}

void CheckUninstallString(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    // The same rules judge start-up commands and uninstall commands.
    if (ctx.rule == CheckRule::None) ctx.rule = CheckRule::StartupProgramMissing;
    std::string& text = ctx.valueText;
    if (text.empty()) return;
    if (NamesExistingFile(text)) return;
    text = RemoveEnter(std::move(text));
    const std::size_t firstDot = str::InStr(text, ".");
    if (firstDot == 0) return;
    if (const std::size_t slash = str::InStr(text, "\\", firstDot + 1); slash > 0) {
      // A dotted folder name, or a second path behind the program.
      if (str::InStr(text, ".", slash + 1) == 0) return;
      CheckUninstallStringValue(lvwErrors, ctx, text);
      return;
    }
    std::string program = RemoveBackSlashandComma(text);
    if (const std::size_t dash = str::InStr(program, "-"); dash > 0 && str::InStr(program, "\\", dash) == 0)
      program = str::Left(program, dash - 1);
    program = RemoveEnter(std::move(program));
    // "launcher argument": the argument is the file to look for.
    if (const std::size_t blank = str::InStr(program, " "); blank > 0 && str::InStr(program, "\\", blank) == 0)
      program = str::Mid(program, blank + 1);
    const std::size_t dot = str::InStr(program, ".");
    const std::string extension = dot > 0 ? str::Trim(str::Mid(program, dot + 1)) : std::string();
    if (str::Len(extension) != 3) return;
    if (!str::Contains(program, ":\\")) program = SystemFolderPrefix() + program;
    RecordWhenMissing(lvwErrors, ctx, program);
  } catch (...) {
    LogError("CheckUninstallString");
  }
}

void CheckUninstallStringValue(platform::ListViewModel& lvwErrors, const CheckContext& ctx, std::string text) {
  try {
    const std::size_t first = str::InStr(text, ":\\");
    if (first == 0) return;
    const std::size_t second = str::InStr(text, ":\\", first + 1);
    if (first == 1) Raise(kErrInvalidCall);
    if (second == 0) {
      text = RemoveBackSlashandComma(str::Mid(text, first - 1));
      RecordUninstallerWhenMissing(lvwErrors, ctx, text, text);
      return;
    }
    CheckCommandCandidate(lvwErrors, ctx, str::Mid(text, first - 1, second - 2));
    CheckCommandCandidate(lvwErrors, ctx, str::Mid(text, second - 1));
  } catch (...) {
    LogError("CheckUninstallStringValue");
  }
}

void CheckQuietUninstallString(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::QuietUninstallProgramMissing;
    const std::string& text = ctx.valueText;
    if (NamesExistingFile(text)) return;
    std::size_t p = str::InStr(text, ".");
    if (p == 0) return;
    const std::string program = str::Left(text, p + 3);
    if (!str::Contains(program, ":\\")) RegistryValueCheck(lvwErrors, ctx, program);
    if (const std::size_t q = str::InStr(text, ".", p + 1); q > 0) {
      const std::string head = str::Left(text, q + 3);
      p = str::InStr(head, " ");
      std::string argument;
      if (p > 0) argument = RemoveEnter(str::InStr(head, "\\", p + 1) > 0 ? head : str::Mid(head, p + 1));
      if (!str::Contains(argument, "\\")) RegistryValueCheck(lvwErrors, ctx, argument);
    }
    if (p >= 1) {
      const std::size_t slash = str::InStr(text, "\\", p + 1);
      if (slash > 0 && str::InStr(text, ".", slash + 1) > 0) CheckUninstallStringValue(lvwErrors, ctx, text);
    }
  } catch (...) {
    LogError("CheckQuietUninstallString");
  }
}

void RegistryValueCheck(platform::ListViewModel& lvwErrors, const CheckContext& ctx, std::string text) {
  try {
    const std::size_t dot = str::InStr(text, ".");
    if (dot == 0 || str::Len(str::Mid(text, dot + 1)) != 3) return;
    if (!str::Contains(text, ":\\")) {
      const std::size_t blank = str::InStr(text, " ");
      text = GetSystemDirectory() + "\\" + (blank > 0 ? str::Mid(text, blank + 1) : text);
    }
    RecordWhenMissing(lvwErrors, ctx, text);
  } catch (...) {
    LogError("RegistryValueCheck");
  }
}

void CheckInstallSource(platform::ListViewModel& lvwErrors, CheckContext&& ctx) {
  try {
    ctx.rule = CheckRule::InstallFileMissing;
    std::string& text = ctx.valueText;
    if (text.empty()) return;
    if (NamesExistingFile(text)) return;
    text = RemoveEnter(std::move(text));
    if (!str::Contains(text, ".")) return;
    if (str::Contains(text, "\\")) {
      if (!str::Contains(text, ":\\")) return;
      text = RemoveBackSlashandComma(FromDriveLetter(text));
      RecordWhenMissing(lvwErrors, ctx, text);
      return;
    }
    if (str::Contains(text, ":/")) return;
    text = RemoveBackSlashandComma(text);
    RecordWhenMissing(lvwErrors, ctx, SystemFolderPrefix() + text);
  } catch (...) {
    LogError("CheckInstallSource");
  }
}

}  // namespace hm
