#include "shell/IniFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Machine.h"
#include "platform/Text.h"
#include "shell/IniText.h"

namespace hm::shell {
namespace {

using platform::machine;

// Copies a value into a reading buffer of `buffer` UTF-16 units the way the
// profile functions do: one pair of enclosing quotes goes when the whole value
// fits, and at most buffer - 1 units come back. A buffer of 0 means no limit.
std::string copyEntry(std::string_view utf8, std::size_t buffer) {
  const std::u16string value = text::toUtf16(utf8);
  const bool quoted =
      value.size() > 1 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
  const std::u16string rest = quoted ? value.substr(1) : value;
  std::u16string out = buffer == 0 ? rest : rest.substr(0, std::min(rest.size(), buffer - 1));
  if (quoted && (buffer == 0 || buffer >= rest.size()) && !out.empty()) out.pop_back();
  if (!out.empty() && out.back() >= 0xD800 && out.back() < 0xDC00) out.pop_back();  // half a pair
  return text::toUtf8(out);
}

// The names as a list of the profile functions' "key names" form: each name
// followed by NUL, cut to a buffer of `buffer` units as they cut it.
std::string keyNameList(const std::vector<std::string>& names, std::size_t buffer) {
  std::u16string out;
  std::size_t remaining = buffer;
  for (const std::string& name : names) {
    if (remaining <= 2) break;
    const std::u16string unit = text::toUtf16(name).substr(0, remaining - 2);
    out += unit;
    out += u'\0';
    remaining -= unit.size() + 1;
    if (remaining < 2) break;
  }
  const std::size_t returned = remaining <= 1 ? buffer - 2 : buffer - remaining;
  return text::toUtf8(std::u16string_view(out).substr(0, std::min(out.size(), returned)));
}

// The same for section names, which the profile functions cut slightly differently.
std::string sectionNameList(const std::vector<std::string>& names, std::size_t buffer) {
  std::u16string out;
  std::size_t room = buffer - 1;
  for (const std::string& name : names) {
    const std::u16string unit = text::toUtf16(name);
    if (unit.size() + 1 >= room) {
      if (room > 0) {
        out += unit.substr(0, room - 1);
        out += u'\0';
      }
      return text::toUtf8(std::u16string_view(out).substr(0, std::min(out.size(), buffer - 2)));
    }
    out += unit;
    out += u'\0';
    room -= unit.size() + 1;
  }
  return text::toUtf8(out);
}

std::string withoutTrailingSpaces(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Values are single lines: each line break becomes one blank so that a value
// can never start a line of its own (a forged section or entry).
std::string singleLine(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      out += ' ';
    } else {
      out += value[i];
    }
  }
  return out;
}

// Reading drops blanks around a value and one pair of enclosing quotes; a
// value that would lose either is stored inside quotes so it reads back as written.
std::string protectForReading(std::string value) {
  const bool outerBlanks = trimIniBlanks(value).size() != value.size();
  const bool enclosed =
      value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (outerBlanks || enclosed) value = "\"" + value + "\"";
  return value;
}

bool validSectionName(std::string_view name) {
  return !trimIniBlanks(name).empty() && name.find_first_of("\r\n") == std::string_view::npos;
}

bool validKeyName(std::string_view name) {
  const std::string_view trimmed = trimIniBlanks(name);
  return !trimmed.empty() && trimmed.front() != '[' && name.find_first_of("\r\n=") == std::string_view::npos;
}

}  // namespace

const IniText& cInifile::parsed(const std::string& bytes) const {
  if (!cache_ || cache_->bytes != bytes) cache_ = ParsedFile{bytes, IniText(bytes)};
  return cache_->text;
}

const IniText* cInifile::readFileText() const {
  if (path_.empty()) return nullptr;
  if (keepLoaded_ && cache_) return &cache_->text;
  platform::FileSystemPort* files = machine().files;
  if (files == nullptr) return nullptr;
  const std::optional<std::string> bytes = files->readFile(path_);
  if (!bytes || bytes->size() > kMaxFileBytes) return nullptr;
  return &parsed(*bytes);
}

std::optional<std::string> cInifile::rawValue() const {
  const IniText* text = readFileText();
  if (text == nullptr) return std::nullopt;
  return text->value(section_, key_);
}

// Reads the file for an edit, applies it and stores the result: appended
// when the edit only added lines at the end, else rewritten as a whole.
bool cInifile::editFile(const std::function<IniText::Change(IniText&)>& edit) {
  if (path_.empty()) return false;
  platform::FileSystemPort* files = machine().files;
  if (files == nullptr) return false;
  const std::optional<std::string> bytes = files->readFile(path_);
  if (!bytes && files->attributes(path_)) return false;  // there but unreadable: never overwrite it
  if (bytes && bytes->size() > kMaxFileBytes) return false;
  parsed(bytes ? *bytes : std::string());
  IniText& text = cache_->text;
  std::string written;
  bool ok = true;
  // A file grown past the limit could no longer be read: the edit is refused before it is written.
  switch (edit(text)) {
    case IniText::Change::None:
      return true;
    case IniText::Change::Appended:
      if (bytes && !bytes->empty()) {
        const std::string added = text.appendedBytes();
        ok = bytes->size() + added.size() <= kMaxFileBytes && files->appendFile(path_, added);
        written = *bytes + added;
        break;
      }
      [[fallthrough]];
    case IniText::Change::Rewritten:
      written = text.bytes();
      ok = written.size() <= kMaxFileBytes && files->writeFileAtomic(path_, written);
      break;
  }
  if (ok) {
    text.markSaved();
    cache_->bytes = std::move(written);
  } else {
    cache_.reset();
  }
  return ok;
}

std::string cInifile::value() const {
  const auto raw = rawValue();
  return copyEntry(raw ? *raw : withoutTrailingSpaces(default_), kValueBuffer);
}

std::string cInifile::wholeValue() const {
  const auto raw = rawValue();
  return copyEntry(raw ? *raw : withoutTrailingSpaces(default_), 0);
}

void cInifile::setValue(std::string_view sValue) {
  std::string text(sValue);
  std::erase(text, '\0');
  if (text.empty()) {
    lastReturnCode_ = removeKey() ? 1 : 0;
    return;
  }
  lastReturnCode_ = writeKeyText(key_, protectForReading(singleLine(text))) ? 1 : 0;
}

void cInifile::setValues(const std::vector<std::pair<std::string, std::string>>& entries) {
  const bool valid = validSectionName(section_) && std::all_of(entries.begin(), entries.end(), [](const auto& entry) {
                       return validKeyName(entry.first);
                     });
  lastReturnCode_ =
      valid && editFile([&](IniText& t) {
        IniText::Change change = IniText::Change::None;
        for (const auto& [key, value] : entries) {
          std::string text(value);
          std::erase(text, '\0');
          change = std::max(change, text.empty() ? t.deleteKey(section_, key)
                                                 : t.setValue(section_, key, protectForReading(singleLine(text))));
        }
        return change;
      })
          ? 1
          : 0;
}

bool cInifile::holdsExactly(std::string_view value) {
  return value.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos &&
         text::toUtf8(text::toUtf16(value)) == value;
}

bool cInifile::writeKeyText(std::string_view key, std::string_view value) {
  if (!validSectionName(section_) || !validKeyName(key)) return false;
  return editFile([&](IniText& t) { return t.setValue(section_, key, value); });
}

bool cInifile::removeKey() {
  return editFile([&](IniText& t) { return t.deleteKey(section_, key_); });
}

bool cInifile::removeSection() {
  return editFile([&](IniText& t) { return t.deleteSection(section_); });
}

std::string cInifile::iniSection() const {
  const IniText* text = readFileText();
  std::string list;
  if (text != nullptr) {
    if (const auto names = text->keyNames(section_)) list = keyNameList(*names, kListBuffer);
  }
  if (list.empty()) return copyEntry(withoutTrailingSpaces(default_), kListBuffer);
  return list;
}

void cInifile::setINISection(std::string_view /*sSection*/) { lastReturnCode_ = removeSection() ? 1 : 0; }

std::string cInifile::sections() const {
  const IniText* text = readFileText();
  std::string list;
  if (text != nullptr) list = sectionNameList(text->sectionNames(), kListBuffer);
  if (list.empty()) return copyEntry(withoutTrailingSpaces(default_), kListBuffer);
  return list;
}

void cInifile::DeleteKey() { lastReturnCode_ = removeKey() ? 1 : 0; }

void cInifile::DeleteSection() { lastReturnCode_ = removeSection() ? 1 : 0; }

void cInifile::EnumerateCurrentSection(std::vector<std::string>& sKey, std::int32_t& iCount) const {
  sKey.clear();
  if (const IniText* text = readFileText()) {
    if (auto names = text->keyNames(section_)) sKey = std::move(*names);
  }
  iCount = static_cast<std::int32_t>(sKey.size());
}

void cInifile::EnumerateAllSections(std::vector<std::string>& sSections, std::int32_t& iCount) const {
  sSections.clear();
  if (const IniText* text = readFileText()) sSections = text->sectionNames();
  iCount = static_cast<std::int32_t>(sSections.size());
}

void cInifile::SaveFormPosition(const FormPlacement& frmThis) {
  const std::string savedKey = key_;
  auto write = [&](std::string_view key, std::int64_t number) {
    key_ = std::string(key);
    setValue(std::to_string(number));
    return success();
  };
  bool ok = true;
  if (frmThis.state != FormPlacement::State::Minimised) {
    ok = write("Maximised", frmThis.state == FormPlacement::State::Maximised ? 1 : 0);
    if (ok && frmThis.state == FormPlacement::State::Normal) {
      ok = write("Left", frmThis.left) && write("Top", frmThis.top) && write("Width", frmThis.width) &&
           write("Height", frmThis.height);
    }
  }
  key_ = savedKey;
  if (!ok) lastReturnCode_ = 0;
}

void cInifile::LoadFormPosition(FormPlacement& frmThis, const ScreenArea& screen, std::int32_t lMinWidth,
                                std::int32_t lMinHeight) {
  const std::string savedKey = key_;
  const std::string savedDefault = default_;
  default_ = "FAIL";
  auto read = [&](std::string_view key, std::int32_t fallback) -> std::int64_t {
    key_ = std::string(key);
    return CLngDefault(value(), fallback);
  };
  std::int64_t left = read("Left", frmThis.left);
  std::int64_t top = read("Top", frmThis.top);
  std::int64_t width = std::max<std::int64_t>(read("Width", frmThis.width), lMinWidth);
  std::int64_t height = std::max<std::int64_t>(read("Height", frmThis.height), lMinHeight);

  // Keep the window on the screen with a margin of four pixels.
  auto fit = [](std::int64_t& start, std::int64_t& size, std::int64_t screenSize, std::int64_t margin) {
    start = std::max(start, margin);
    if (start + size > screenSize - margin) {
      start = std::max(screenSize - margin - size, margin);
      if (start + size > screenSize - margin) size = screenSize - start - margin;
    }
  };
  fit(left, width, screen.width, 4 * static_cast<std::int64_t>(screen.twipsPerPixelX));
  fit(top, height, screen.height, 4 * static_cast<std::int64_t>(screen.twipsPerPixelY));

  auto fitsInt32 = [](std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
  };
  bool ok = fitsInt32(left) && fitsInt32(top) && fitsInt32(width) && fitsInt32(height);
  if (ok && width >= lMinWidth && height >= lMinHeight) {
    frmThis.left = static_cast<std::int32_t>(left);
    frmThis.top = static_cast<std::int32_t>(top);
    frmThis.width = static_cast<std::int32_t>(width);
    frmThis.height = static_cast<std::int32_t>(height);
  }
  if (ok && read("Maximised", 0) != 0) frmThis.state = FormPlacement::State::Maximised;
  key_ = savedKey;
  default_ = savedDefault;
  if (!ok) lastReturnCode_ = 0;
}

std::int32_t cInifile::CLngDefault(std::string_view sString, std::int32_t lDefault) {
  std::string_view s = trimIniBlanks(sString);
  // Accept only a plain decimal number: sign, digits, fraction, exponent.
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t digitsStart = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  std::size_t digits = i - digitsStart;
  if (i < s.size() && s[i] == '.') {
    const std::size_t fractionStart = ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    digits += i - fractionStart;
  }
  if (digits == 0) return lDefault;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t exponentStart = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    if (i == exponentStart) return lDefault;
  }
  if (i != s.size()) return lDefault;
  if (s.front() == '+') s.remove_prefix(1);
  double number = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), number);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(number)) return lDefault;
  const double rounded = std::nearbyint(number);  // the default rounding mode: half to even
  if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max()) {
    return lDefault;
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace hm::shell
