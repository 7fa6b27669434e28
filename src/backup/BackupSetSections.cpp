#include "backup/BackupSetSections.h"

#include <set>

#include "platform/Machine.h"
#include "platform/Text.h"
#include "shell/IniFile.h"
#include "shell/IniText.h"

namespace hm::backup {
namespace {

// The value as cInifile::wholeValue hands it out.
std::string readValue(const std::string& stored) {
  std::u16string value = text::toUtf16(stored);
  if (value.size() > 1 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return text::toUtf8(value);
}

// Splits at CR LF, LF or CR, as IniText does.
std::vector<std::string_view> lines(std::string_view bytes) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    out.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) out.push_back(bytes.substr(start));
  return out;
}

}  // namespace

std::vector<IniSectionEntries> ReadIniSections(const std::string& path) {
  const auto bytes = platform::machine().files->readFile(path);
  if (!bytes || bytes->size() > shell::cInifile::kMaxFileBytes) return {};
  std::string_view text = *bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

  // Cut the text into one block per section header, each header recognised
  // by the same parser that reads the block.
  struct Block {
    std::string name, text;
  };
  std::vector<Block> blocks;
  for (std::string_view line : lines(text)) {
    if (!line.empty() && shell::trimIniBlanks(line).starts_with('[')) {
      const auto names = shell::IniText(line).sectionNames();
      if (!names.empty()) {
        blocks.push_back({names.front(), std::string()});
      }
    }
    if (!blocks.empty()) (blocks.back().text += line) += "\r\n";
  }

  std::vector<IniSectionEntries> sections;
  std::set<std::string> seen;
  for (const Block& block : blocks) {
    if (!seen.insert(text::toUpper(block.name)).second) continue;  // a later section of a name is never read
    const shell::IniText parsed(block.text);
    IniSectionEntries section{block.name, {}};
    for (const std::string& key : parsed.keyNames(block.name).value_or(std::vector<std::string>{}))
      section.entries.emplace_back(key, readValue(parsed.value(block.name, key).value_or(std::string())));
    sections.push_back(std::move(section));
  }
  return sections;
}

}  // namespace hm::backup
