// libFuzzer target for the shell-link reader: any bytes must read to an answer
// without a crash, a hang or a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Text.h"
#include "platform/shelllink/ShellLink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const hm::platform::EnvironmentLookup env = [](std::string_view name) -> std::optional<std::string> {
    if (hm::text::equalsNoCase(name, "SystemRoot")) return std::string("C:\\Windows");
    if (hm::text::equalsNoCase(name, "USERPROFILE")) return std::string("C:\\Users\\fuzz");
    return std::nullopt;
  };
  const auto target = hm::platform::readShellLink(std::string_view(reinterpret_cast<const char*>(data), size), env);
  if (target.path.size() > 3 && target.path.back() == '\\') __builtin_trap();
  return 0;
}
