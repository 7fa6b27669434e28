// The reader on real shortcut files made by Windows, against another parser's
// reading of each (tests/data/lnk/samples/NAME.json).
#include <gtest/gtest.h>

#include "shelllink/ShellLinkTestSupport.h"

namespace hm::platform {
namespace {

using namespace hm::testing;

// The string value of the first "key" at or after `from` in a JSON text, or
// nothing when the key is missing or null. Enough JSON for these files.
std::optional<std::string> jsonString(const std::string& json, std::string_view key, std::size_t from = 0) {
  const std::string quoted = "\"" + std::string(key) + "\": ";
  const std::size_t at = json.find(quoted, from);
  if (at == std::string::npos || json.compare(at + quoted.size(), 1, "\"") != 0) return std::nullopt;
  std::u16string value;
  for (std::size_t i = at + quoted.size() + 1; i < json.size() && json[i] != '"'; ++i) {
    if (json[i] != '\\') {
      const std::size_t start = i;
      while (i + 1 < json.size() && json[i + 1] != '"' && json[i + 1] != '\\') ++i;
      value += text::toUtf16(json.substr(start, i - start + 1));
    } else if (json[++i] == 'u') {
      value += static_cast<char16_t>(std::stoi(json.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      value += static_cast<char16_t>(json[i] == 'n' ? '\n' : json[i]);
    }
  }
  return text::toUtf8(value);
}

// Equal, where U+FFFD in the other parser's text stands for a byte it could not decode.
bool sameText(std::string_view ours, std::string_view theirs) {
  const auto a = text::toUtf16(ours), b = text::toUtf16(theirs);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && b[i] != 0xFFFD) return false;
  return true;
}

std::string folderForm(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

const EnvironmentLookup kEnv = fixedEnvironment({{"SystemRoot", "C:\\Windows"},
                                                 {"windir", "C:\\Windows"},
                                                 {"COMSPEC", "C:\\Windows\\system32\\cmd.exe"},
                                                 {"USERNAME", "Jonathan"}});

// Samples whose JSON has neither an expandable target nor a local base path:
// the ID list spells these (its primary names and the files' working folders agree).
const std::map<std::string, std::string> kIdListTargets = {
    {"broken_link_info", "C:\\Program Files\\xt\\xt.exe"},
    {"darwin_block", "C:\\Windows\\Installer\\{DB8757A3-1B62-4136-8D95-D2CB9F00E36C}\\test_icon.ico"},
    {"darwin_block_modified", "C:\\Windows\\Installer\\{DB8757A3-1B62-4136-8D95-D2CB9F00E36C}\\test_icon.ico"},
    {"invalid_date2", "C:\\Windows\\system32\\cmd.exe"},
    {"network_info",
     "Z:\\A - LM METAL LIFT\\01.OBCHOD - BROŽURY - Prodejní a technické informace o produktech\\ETN\\"
     "ETN-Katalog-ENG\\Katalog ETN 10_2017\\Lift-programme\\ETN-lift programme 2017.pdf"},
    {"padded_cli_arguments", "C:\\Windows\\System32\\cmd.exe"},
    {"sample7", "C:\\ProgramData\\VК_DJ\\VК_DJ.exe"},
    {"unknown_block", "C:\\Windows\\system32\\cmd.exe"},
    {"sample3", ""},         // Control Panel items
    {"unknown_target", ""},  // a device through a shell namespace, no file-system path
};

TEST(ShellLinkSamples, AgreeWithTheOtherParsersReading) {
  int agreed = 0, total = 0;
  for (const auto& file : lnkFixtures()) {
    if (file.parent_path().filename() != "samples") continue;
    ++total;
    const std::string name = file.stem().string();
    const std::string json = readBinaryFile(std::filesystem::path(file).replace_extension(".json"));
    const auto target = readShellLink(readBinaryFile(file), kEnv);
    std::string expected;
    const auto envBlock = json.find("ENVIRONMENTAL_VARIABLES_LOCATION_BLOCK");
    const auto base = jsonString(json, "local_base_path");
    if (json.find("\"HasExpString\"") != std::string::npos && envBlock != std::string::npos) {
      expected = folderForm(expandEnvironmentVariables(*jsonString(json, "target_unicode", envBlock), kEnv));
    } else if (base) {
      const std::string suffix = jsonString(json, "common_path_suffix").value_or("");
      expected = folderForm(suffix.empty() || base->back() == '\\' ? *base + suffix : *base + "\\" + suffix);
    } else {
      ASSERT_TRUE(kIdListTargets.count(name)) << name;
      expected = kIdListTargets.at(name);
    }
    EXPECT_TRUE(sameText(target.path, expected)) << name << ": " << target.path << " vs " << expected;
    EXPECT_EQ(target.advertised, json.find("\"HasDarwinID\"") != std::string::npos) << name;
    agreed += sameText(target.path, expected) ? 1 : 0;
  }
  EXPECT_EQ(total, 34);
  EXPECT_EQ(agreed, total);
}

}  // namespace
}  // namespace hm::platform
