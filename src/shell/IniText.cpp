#include "shell/IniText.h"

#include "platform/Text.h"

namespace hm::shell {

bool isIniBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1a;
}

std::string_view trimIniBlanks(std::string_view s) {
  while (!s.empty() && isIniBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isIniBlank(s.back())) s.remove_suffix(1);
  return s;
}

IniText::IniText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bom_ = true;
    bytes.remove_prefix(3);
  }
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines_.push_back(parseLine(bytes.substr(start)));
      break;
    }
    lines_.push_back(parseLine(bytes.substr(start, end - start)));
    start = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
  }
  savedLines_ = lines_.size();
  savedEndsWithBreak_ = bytes.empty() || bytes.back() == '\r' || bytes.back() == '\n';
}

IniText::Line IniText::parseLine(std::string_view text) {
  Line line;
  line.text = std::string(text);
  const std::string_view trimmed = trimIniBlanks(text);
  if (trimmed.empty()) return line;
  if (trimmed.front() == '[') {
    const std::size_t close = trimmed.rfind(']');
    if (close != std::string_view::npos && close > 0) {
      line.kind = Kind::Header;
      line.name = std::string(trimIniBlanks(trimmed.substr(1, close - 1)));
      return line;
    }
  }
  line.kind = Kind::Entry;
  const std::size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) {
    line.name = std::string(trimmed);
  } else {
    line.name = std::string(trimIniBlanks(trimmed.substr(0, eq)));
    line.value = std::string(trimIniBlanks(trimmed.substr(eq + 1)));
  }
  return line;
}

namespace {

// Names compare as equalsNoCase compares them: equal exactly when their folded forms are.
std::string folded(std::string_view name) { return text::toUpper(name); }

}  // namespace

const IniText::Index& IniText::index() const {
  if (index_) return *index_;
  Index built;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Kind::Header) continue;
    if (!lines_[i].name.empty()) built.headers.try_emplace(folded(lines_[i].name), i);
    built.lastHeader = i;
  }
  index_ = std::move(built);
  return *index_;
}

void IniText::indexAppended(std::size_t from) {
  if (!index_) return;
  for (std::size_t i = from; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::Header) {
      if (!line.name.empty()) index_->headers.try_emplace(folded(line.name), i);
      index_->lastHeader = i;
    } else if (line.kind == Kind::Entry) {
      const auto keys = index_->keys.find(index_->lastHeader);
      if (keys != index_->keys.end()) keys->second.try_emplace(folded(line.name), i);
    }
  }
}

std::optional<std::size_t> IniText::findSection(std::string_view section) const {
  // The lines before the first header form a section without a name.
  if (section.empty()) return kLeading;
  const auto& headers = index().headers;
  const auto found = headers.find(folded(section));
  if (found == headers.end()) return std::nullopt;
  return found->second;
}

std::size_t IniText::sectionBegin(std::size_t header) { return header == kLeading ? 0 : header + 1; }

std::size_t IniText::sectionEnd(std::size_t header) const {
  std::size_t i = sectionBegin(header);
  while (i < lines_.size() && lines_[i].kind != Kind::Header) ++i;
  return i;
}

std::optional<std::size_t> IniText::findKey(std::size_t header, std::string_view key) const {
  index();
  auto [keys, added] = index_->keys.try_emplace(header);
  if (added) {
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = sectionBegin(header); i < end; ++i) {
      if (lines_[i].kind == Kind::Entry) keys->second.try_emplace(folded(lines_[i].name), i);
    }
  }
  const auto found = keys->second.find(folded(trimIniBlanks(key)));
  if (found == keys->second.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> IniText::value(std::string_view section, std::string_view key) const {
  const auto header = findSection(trimIniBlanks(section));
  if (!header) return std::nullopt;
  const auto at = findKey(*header, key);
  if (!at) return std::nullopt;
  return lines_[*at].value;
}

std::vector<std::string> IniText::sectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (line.kind == Kind::Header && !line.name.empty()) names.push_back(line.name);
  }
  return names;
}

std::optional<std::vector<std::string>> IniText::keyNames(std::string_view section) const {
  // Unlike a value lookup, the profile functions take this name as it is, blanks included.
  const auto header = findSection(section);
  if (!header) return std::nullopt;
  std::vector<std::string> names;
  const std::size_t end = sectionEnd(*header);
  for (std::size_t i = sectionBegin(*header); i < end; ++i) {
    const Line& line = lines_[i];
    if (line.kind != Kind::Entry || !line.value || line.name.starts_with(';')) continue;
    names.push_back(line.name);
  }
  return names;
}

IniText::Change IniText::touched(std::size_t lineIndex) {
  if (lineIndex < savedLines_) rewriteNeeded_ = true;  // a line already on disk changed or moved
  return rewriteNeeded_ ? Change::Rewritten : Change::Appended;
}

IniText::Change IniText::setValue(std::string_view section, std::string_view key, std::string_view value) {
  section = trimIniBlanks(section);
  key = trimIniBlanks(key);
  const std::string entryText = std::string(key) + "=" + std::string(value);
  const auto header = findSection(section);
  if (header == kLeading) return Change::None;  // never written: callers refuse an empty section name
  if (!header) {
    const std::size_t at = lines_.size();
    lines_.push_back(parseLine("[" + std::string(section) + "]"));
    lines_.push_back(parseLine(entryText));
    indexAppended(at);
    return touched(at);
  }
  if (const auto at = findKey(*header, key)) {
    Line& line = lines_[*at];
    if (line.value && *line.value == value) return Change::None;
    Line replaced = parseLine(line.name + "=" + std::string(value));
    if (replaced.kind != line.kind || replaced.name != line.name) forgetIndex();
    line = std::move(replaced);
    return touched(*at);
  }
  std::size_t insertAt = *header + 1;
  const std::size_t end = sectionEnd(*header);
  for (std::size_t i = insertAt; i < end; ++i) {
    if (lines_[i].kind != Kind::Blank) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), parseLine(entryText));
  if (insertAt + 1 == lines_.size())
    indexAppended(insertAt);
  else
    forgetIndex();  // later lines moved
  return touched(insertAt);
}

IniText::Change IniText::deleteKey(std::string_view section, std::string_view key) {
  // Every section of that name is searched, as the profile functions do.
  key = trimIniBlanks(key);
  section = trimIniBlanks(section);
  for (std::size_t h = 0; h < lines_.size(); ++h) {
    if (lines_[h].kind != Kind::Header || !text::equalsNoCase(lines_[h].name, section)) continue;
    if (const auto at = findKey(h, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
      forgetIndex();
      rewriteNeeded_ = true;
      return Change::Rewritten;
    }
  }
  return Change::None;
}

IniText::Change IniText::deleteSection(std::string_view section) {
  const auto header = findSection(trimIniBlanks(section));
  if (!header || header == kLeading) return Change::None;
  const std::size_t end = sectionEnd(*header);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
               lines_.begin() + static_cast<std::ptrdiff_t>(end));
  forgetIndex();
  rewriteNeeded_ = true;
  return Change::Rewritten;
}

std::string IniText::bytes() const {
  std::string out = bom_ ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines_) {
    out += line.text;
    out += "\r\n";
  }
  return out;
}

std::string IniText::appendedBytes() const {
  std::string out = savedEndsWithBreak_ ? "" : "\r\n";
  for (std::size_t i = savedLines_; i < lines_.size(); ++i) {
    out += lines_[i].text;
    out += "\r\n";
  }
  return out;
}

void IniText::markSaved() {
  savedLines_ = lines_.size();
  savedEndsWithBreak_ = true;
  rewriteNeeded_ = false;
}

}  // namespace hm::shell
