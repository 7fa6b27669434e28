// Reads the target of a shell-link (.lnk) file from its bytes, the way the
// Windows script shell's TargetPath reports it, without asking Windows. Every
// file is treated as hostile: anything malformed reads as no target.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hm::platform {

struct ShellLinkTarget {
  // UTF-8 Windows path; "" when the file cannot be read or the target is not a
  // file-system path (Control Panel items, URLs and the like).
  std::string path;
  // An installer ("advertised") shortcut: its path names a cached icon, not the
  // program, so it must never be reported as broken.
  bool advertised = false;
};

// The value of an environment variable of the machine being scanned (the name
// is matched without regard to case), or nothing when it is not defined.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// A shortcut file is a few kilobytes: a larger file is not one, and is not read.
inline constexpr std::uint64_t kMaxShellLinkBytes = 4u << 20;

ShellLinkTarget readShellLink(std::string_view fileBytes, const EnvironmentLookup& env);

// Replaces each %NAME% by its value as ExpandEnvironmentStrings does: unknown
// names and a lone "%" stay as written.
std::string expandEnvironmentVariables(std::string_view text, const EnvironmentLookup& env);

// Code-page strings in link files are decoded as Windows-1252: the file does
// not say which code page wrote it, and 1252 maps every byte to one character.
std::string decodeWindows1252(std::string_view bytes);

}  // namespace hm::platform
