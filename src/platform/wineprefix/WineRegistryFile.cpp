#include "platform/wineprefix/WineRegistryFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unordered_set>
#include <vector>

#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/wineprefix/WineNameOrder.h"

namespace hm::platform {
namespace {

constexpr std::string_view kRelativeToPrefix = ";; All keys relative to ";
constexpr int kToEndOfLine = -1;

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
unsigned hexValue(char c) {
  if (c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
void skipBlanks(std::string_view s, std::size_t& i) {
  while (i < s.size() && isBlank(s[i])) ++i;
}
bool onlyBlanksFrom(std::string_view s, std::size_t i) {
  skipBlanks(s, i);
  return i == s.size();
}

// One UTF-8 sequence, strictly; Wine reads its files as UTF-8.
bool decodeUtf8(std::string_view s, std::size_t& i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int extra = 0;
  if (b0 >= 0xC2 && b0 < 0xE0) {
    extra = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 < 0xF0) {
    extra = 2;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 < 0xF5) {
    extra = 3;
    cp = b0 & 0x07;
  } else {
    return false;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

void appendUnit(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

// Reads an escaped string up to `endChar` (consumed), or to the end of the
// line with kToEndOfLine. Unknown escapes stand for the character itself, as
// in Wine.
bool parseEscaped(std::string_view s, std::size_t& i, int endChar, std::u16string& out, std::string& why) {
  while (i < s.size()) {
    char c = s[i];
    if (c == endChar) {
      ++i;
      return true;
    }
    if (c == '\\') {
      if (++i >= s.size()) {
        why = "a backslash ends the line";
        return false;
      }
      c = s[i];
      switch (c) {
        case 'a':
          out += u'\a';
          ++i;
          continue;
        case 'b':
          out += u'\b';
          ++i;
          continue;
        case 'e':
          out += char16_t{0x1B};
          ++i;
          continue;
        case 'f':
          out += u'\f';
          ++i;
          continue;
        case 'n':
          out += u'\n';
          ++i;
          continue;
        case 'r':
          out += u'\r';
          ++i;
          continue;
        case 't':
          out += u'\t';
          ++i;
          continue;
        case 'v':
          out += u'\v';
          ++i;
          continue;
        case 'x': {
          ++i;
          unsigned v = 0;
          int n = 0;
          for (; n < 4 && i < s.size() && isHexDigit(s[i]); ++n, ++i) v = v * 16 + hexValue(s[i]);
          out += n == 0 ? u'x' : static_cast<char16_t>(v);
          continue;
        }
        default:
          break;
      }
      if (c >= '0' && c <= '7') {
        unsigned v = static_cast<unsigned>(c - '0');
        ++i;
        for (int n = 0; n < 2 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n, ++i)
          v = v * 8 + static_cast<unsigned>(s[i] - '0');
        out += static_cast<char16_t>(v);
        continue;
      }
    }
    if (static_cast<unsigned char>(c) < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    char32_t cp = 0;
    if (!decodeUtf8(s, i, cp)) {
      why = "the text is not valid UTF-8";
      return false;
    }
    appendUnit(out, cp);
  }
  if (endChar == kToEndOfLine) return true;
  why = std::string("the closing ") + static_cast<char>(endChar) + " is missing";
  return false;
}

void appendUtf16Bytes(std::string& out, std::u16string_view units) {
  const std::size_t at = out.size();
  out.resize(at + units.size() * 2);
  for (std::size_t k = 0; k < units.size(); ++k) {
    out[at + 2 * k] = static_cast<char>(units[k] & 0xFF);
    out[at + 2 * k + 1] = static_cast<char>(units[k] >> 8);
  }
}

std::string formatTicks(std::uint64_t ticks) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%x%08x", static_cast<unsigned>(ticks >> 32), static_cast<unsigned>(ticks));
  return buf;
}

std::uint32_t secondsOfTicks(std::uint64_t ticks) {
  const auto since1970 = static_cast<std::int64_t>(ticks - kWineTicksTo1970);
  return static_cast<std::uint32_t>(since1970 / static_cast<std::int64_t>(kWineTicksPerSecond));
}

class Parser {
 public:
  Parser(std::string_view text, std::string_view path) : text_(text), path_(path) {}

  bool run(WineRegistryFile& file) {
    std::string_view line;
    if (!nextLine(line) || line != kWineRegistrySignature)
      return fail("this is not a Wine registry file (the first line must read \"" +
                  std::string(kWineRegistrySignature) + "\")");
    while (nextLine(line)) {
      std::size_t i = 0;
      skipBlanks(line, i);
      const std::string_view rest = line.substr(i);
      if (rest.empty()) continue;
      bool ok = true;
      switch (rest[0]) {
        case '[':
          ok = keyLine(*file.root, rest);
          break;
        case '@':
        case '"':
          ok = key_ != nullptr ? valueLine(rest) : fail("a value comes before any key");
          break;
        case '#':
          ok = key_ != nullptr ? keyOption(rest) : globalOption(file, rest);
          break;
        case ';':
          if (key_ == nullptr && file.relativeToLine.empty() && rest.starts_with(kRelativeToPrefix))
            file.relativeToLine = std::string(rest);
          break;
        default:
          ok = fail("unrecognized line");
      }
      if (!ok) return false;
    }
    return error_.empty();
  }

  const std::string& error() const { return error_; }

 private:
  bool nextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\0') != std::string_view::npos) {
      fail("the line holds a NUL byte");
      return false;
    }
    return true;
  }

  bool fail(const std::string& what) {
    if (error_.empty())
      error_ = std::string(path_) + ", line " + std::to_string(std::max<std::size_t>(lineNumber_, 1)) + ": " + what +
               "; the file was not loaded";
    return false;
  }

  bool keyLine(RegistryKey& root, std::string_view line) {
    std::size_t i = 1;
    std::u16string path;
    std::string why;
    if (!parseEscaped(line, i, ']', path, why)) return fail("malformed key line: " + why);
    skipBlanks(line, i);
    std::uint64_t seconds = 0;
    bool hasSeconds = false;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
      seconds = seconds * 10 + static_cast<unsigned>(line[i++] - '0');
      if (seconds > 0xFFFFFFFFu) return fail("the key's time stamp is out of range");
      hasSeconds = true;
    }
    if (!onlyBlanksFrom(line, i)) return fail("unexpected text after the key's time stamp");

    std::vector<std::u16string_view> parts = splitPath(path);
    if (parts.size() > kMaxKeyDepth)
      return fail("the key is nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
    key_ = &openPath(root, parts);
    duplicateSection_ = !sectioned_.insert(key_).second;
    if (!duplicateSection_ && hasSeconds) {  // a repeated section keeps the first one's time, as in Wine
      key_->hasTimeStamp = true;
      key_->timeStamp = static_cast<std::int64_t>(seconds);
      key_->timeStampText.clear();
    }
    return true;
  }

  // Sections mostly follow one another down the tree: reuse the previous path.
  static std::vector<std::u16string_view> splitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = path.find(u'\\', start);
      if (end == std::u16string_view::npos) end = path.size();
      if (end > start) parts.push_back(path.substr(start, end - start));
      start = end + 1;
    }
    return parts;
  }

  RegistryKey& openPath(RegistryKey& root, const std::vector<std::u16string_view>& parts) {
    std::size_t shared = 0;
    while (shared < parts.size() && shared < lastParts_.size() && lastParts_[shared].first == parts[shared]) ++shared;
    lastParts_.resize(shared);
    RegistryKey* key = shared == 0 ? &root : lastParts_[shared - 1].second;
    for (std::size_t k = shared; k < parts.size(); ++k) {
      key = &key->ensureSubkey(text::toUtf8(parts[k]));
      lastParts_.emplace_back(std::u16string(parts[k]), key);
    }
    return *key;
  }

  bool keyOption(std::string_view line) {
    std::string why;
    if (line.starts_with("#time=")) {
      std::size_t i = 6;
      std::uint64_t ticks = 0;
      int digits = 0;
      for (; i < line.size() && isHexDigit(line[i]); ++i, ++digits) ticks = ticks * 16 + hexValue(line[i]);
      if (digits == 0 || digits > 16 || !onlyBlanksFrom(line, i)) return fail("malformed #time line");
      if (!duplicateSection_) {
        key_->hasTimeStamp = true;
        key_->timeStampText = formatTicks(ticks);
        key_->timeStamp = secondsOfTicks(ticks);
      }
    } else if (line.starts_with("#class=\"")) {
      std::size_t i = 8;
      std::u16string name;
      if (!parseEscaped(line, i, '"', name, why)) return fail("malformed #class line: " + why);
      if (!onlyBlanksFrom(line, i)) return fail("unexpected text after the class name");
      key_->className = text::toUtf8(name);
    } else if (line.starts_with("#link")) {
      if (!onlyBlanksFrom(line, 5)) return fail("unexpected text after #link");
      key_->isLink = true;
    }
    return true;  // other options are Wine's to ignore too
  }

  bool globalOption(WineRegistryFile& file, std::string_view line) {
    if (!line.starts_with("#arch=")) return true;
    const std::string_view arch = line.substr(6);
    if (arch != "win32" && arch != "win64") return fail("unknown architecture \"" + std::string(arch) + "\"");
    file.archLine = std::string(line);
    return true;
  }

  bool valueLine(std::string_view line) {
    std::size_t i = 1;
    std::u16string name;
    std::string why;
    if (line[0] == '"' && !parseEscaped(line, i, '"', name, why)) return fail("malformed value name: " + why);
    skipBlanks(line, i);
    if (i >= line.size() || line[i] != '=') return fail("the value name is not followed by =");
    ++i;
    skipBlanks(line, i);
    const std::string_view data = line.substr(i);

    std::uint32_t type = kRegSz;
    std::size_t tag = 0;
    if (data.starts_with("\"")) {
      tag = 1;
    } else if (data.starts_with("str:\"")) {
      tag = 5;
    } else if (data.starts_with("str(2):\"")) {
      type = kRegExpandSz;
      tag = 8;
    } else if (data.starts_with("str(7):\"")) {
      type = kRegMultiSz;
      tag = 8;
    }
    std::string bytes;
    if (tag > 0) {
      std::u16string units;
      std::size_t k = i + tag;
      if (!parseEscaped(line, k, '"', units, why)) return fail("malformed string value: " + why);
      if (!onlyBlanksFrom(line, k)) return fail("unexpected text after the string value");
      units += u'\0';
      appendUtf16Bytes(bytes, units);
    } else if (data.starts_with("dword:")) {
      type = kRegDword;
      std::size_t k = 6;
      std::uint32_t v = 0;
      int digits = 0;
      for (; k < data.size() && isHexDigit(data[k]); ++k, ++digits) v = v * 16 + hexValue(data[k]);
      if (digits == 0 || digits > 8 || !onlyBlanksFrom(data, k)) return fail("malformed dword value");
      for (int b = 0; b < 4; ++b) bytes += static_cast<char>((v >> (8 * b)) & 0xFF);
    } else if (data.starts_with("hex:") || data.starts_with("hex(")) {
      std::size_t k = 4;
      if (data[3] == ':') {
        type = kRegBinary;
      } else {
        std::uint64_t t = 0;
        int digits = 0;
        for (; k < data.size() && isHexDigit(data[k]); ++k, ++digits) t = t * 16 + hexValue(data[k]);
        if (digits == 0 || digits > 8 || data.substr(k, 2) != "):") return fail("malformed hex(type) value");
        type = static_cast<std::uint32_t>(t);
        k += 2;
      }
      if (!hexBytes(data.substr(k), bytes)) return false;
    } else {
      return fail("unknown value type");
    }
    key_->setValue(text::toUtf8(name), type, std::move(bytes));
    return true;
  }

  // Comma-separated bytes; a backslash at the end of a line continues them.
  bool hexBytes(std::string_view line, std::string& bytes) {
    std::size_t i = 0;
    for (;;) {
      skipBlanks(line, i);
      if (i >= line.size()) return true;
      if (line[i] == '\\') {
        if (!onlyBlanksFrom(line, i + 1)) return fail("unexpected text after a continuation backslash");
        if (!nextLine(line)) return error_.empty() ? fail("the hex data continues past the end of the file") : false;
        i = 0;
        continue;
      }
      if (!isHexDigit(line[i])) return fail("malformed hex data");
      unsigned v = hexValue(line[i++]);
      if (i < line.size() && isHexDigit(line[i])) v = v * 16 + hexValue(line[i++]);
      if (i < line.size() && isHexDigit(line[i])) return fail("a hex byte has more than two digits");
      bytes += static_cast<char>(v);
      skipBlanks(line, i);
      if (i < line.size() && line[i] == ',') ++i;
    }
  }

  std::string_view text_;
  std::string_view path_;
  std::size_t pos_ = 0;
  std::size_t lineNumber_ = 0;
  std::string error_;
  RegistryKey* key_ = nullptr;
  bool duplicateSection_ = false;
  std::unordered_set<const RegistryKey*> sectioned_;
  std::vector<std::pair<std::u16string, RegistryKey*>> lastParts_;
};

// --- writing ---

constexpr char kHex[] = "0123456789abcdef";

// Wine's escaping of names and string data; returns the characters written.
template <class UnitAt>
std::size_t appendEscaped(std::string& out, std::size_t count, UnitAt unitAt, char quote1, char quote2,
                          bool dropFinalNul) {
  static constexpr char kEscapes[33] = ".......abtnvfr.............e....";
  const std::size_t start = out.size();
  char buf[16];
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t c = unitAt(i);
    const bool hasNext = i + 1 < count;
    if (c > 127) {
      const char16_t next = hasNext ? unitAt(i + 1) : 0;
      const bool nextIsHex = hasNext && next < 128 && isHexDigit(static_cast<char>(next));
      std::snprintf(buf, sizeof buf, nextIsHex ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
      out += buf;
    } else if (c < 32) {
      if (c == 0 && !hasNext && dropFinalNul) continue;
      if (kEscapes[c] != '.') {
        out += '\\';
        out += kEscapes[c];
      } else {
        const char16_t next = hasNext ? unitAt(i + 1) : 0;
        std::snprintf(buf, sizeof buf, (hasNext && next >= '0' && next <= '7') ? "\\%03o" : "\\%o",
                      static_cast<unsigned>(c));
        out += buf;
      }
    } else {
      const char ch = static_cast<char>(c);
      if (ch == '\\' || ch == quote1 || ch == quote2) out += '\\';
      out += ch;
    }
  }
  return out.size() - start;
}

bool isPlainAscii(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 32) return false;
  return true;
}

std::size_t appendEscapedName(std::string& out, std::string_view utf8, char quote1, char quote2) {
  if (isPlainAscii(utf8)) {
    return appendEscaped(
        out, utf8.size(), [&](std::size_t i) { return static_cast<char16_t>(utf8[i]); }, quote1, quote2, false);
  }
  const std::u16string units = text::toUtf16(utf8);
  return appendEscaped(
      out, units.size(), [&](std::size_t i) { return units[i]; }, quote1, quote2, false);
}

std::size_t appendEscapedData(std::string& out, std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  return appendEscaped(
      out, bytes.size() / 2, [&](std::size_t i) { return static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)); }, '"',
      '"', true);
}

bool isTerminatedString(const NamedValue& v) {
  const std::size_t n = v.data.size();
  return n >= 2 && n % 2 == 0 && v.data[n - 1] == 0 && v.data[n - 2] == 0;
}

class Writer {
 public:
  Writer(std::string& out, std::uint64_t now) : out_(out), now_(now) {}

  // Depth first, parents before their subkeys, without recursing: a tree
  // built in memory may be nested deeper than any file we load.
  void tree(const RegistryKey& root) {
    struct Level {
      std::vector<const RegistryKey*> children;
      std::size_t next = 0;
      std::size_t pathBefore = 0;  // the parent's path length
    };
    std::string path;
    std::vector<Level> stack;
    const auto enter = [&](const RegistryKey& k, std::size_t pathBefore) {
      if (!k.values().empty() || k.subkeys().empty() || !k.className.empty() || k.isLink) section(k, path);
      Level level;
      level.pathBefore = pathBefore;
      level.children.reserve(k.subkeys().size());
      for (const auto& c : k.subkeys()) level.children.push_back(c.get());
      sortInWineOrder(level.children, [](const RegistryKey* c) -> std::string_view { return c->name(); });
      stack.push_back(std::move(level));
    };
    enter(root, 0);
    while (!stack.empty()) {
      Level& top = stack.back();
      if (top.next == top.children.size()) {
        path.resize(top.pathBefore);
        stack.pop_back();
        continue;
      }
      const RegistryKey& child = *top.children[top.next++];
      const std::size_t before = path.size();
      if (before > 0) path += "\\\\";
      appendEscapedName(path, child.name(), '[', ']');
      enter(child, before);
    }
  }

 private:
  template <class T, class Name>
  static void sortInWineOrder(std::vector<T>& items, Name name) {
    const auto less = [&](const T& a, const T& b) { return wineNameLess(name(a), name(b)); };
    if (!std::is_sorted(items.begin(), items.end(), less)) std::stable_sort(items.begin(), items.end(), less);
  }

  std::uint64_t ticksOf(const RegistryKey& k) const {
    if (!k.timeStampText.empty() && k.timeStampText.size() <= 16) {
      std::uint64_t t = 0;
      for (const char c : k.timeStampText) {
        if (!isHexDigit(c)) return now_;
        t = t * 16 + hexValue(c);
      }
      return t;
    }
    if (k.hasTimeStamp) return static_cast<std::uint64_t>(k.timeStamp) * kWineTicksPerSecond + kWineTicksTo1970;
    return now_;
  }

  void section(const RegistryKey& k, const std::string& path) {
    const std::uint64_t ticks = ticksOf(k);
    out_ += "\n[";
    out_ += path;
    out_ += "] ";
    out_ += std::to_string(secondsOfTicks(ticks));
    out_ += "\n#time=";
    out_ += formatTicks(ticks);
    out_ += '\n';
    if (!k.className.empty()) {
      out_ += "#class=\"";
      appendEscapedName(out_, k.className, '"', '"');
      out_ += "\"\n";
    }
    if (k.isLink) out_ += "#link\n";
    std::vector<const NamedValue*> values;
    values.reserve(k.values().size());
    for (const auto& v : k.values()) values.push_back(&v);
    sortInWineOrder(values, [](const NamedValue* v) -> std::string_view { return v->name; });
    for (const NamedValue* v : values) value(*v);
  }

  void value(const NamedValue& v) {
    std::size_t count;
    if (!v.name.empty()) {
      out_ += '"';
      count = 1 + appendEscapedName(out_, v.name, '"', '"');
      out_ += "\"=";
      count += 2;
    } else {
      out_ += "@=";
      count = 2;
    }
    switch (v.type) {
      case kRegSz:
      case kRegExpandSz:
      case kRegMultiSz:
        if (!isTerminatedString(v)) break;
        if (v.type != kRegSz) out_ += v.type == kRegExpandSz ? "str(2):" : "str(7):";
        out_ += '"';
        appendEscapedData(out_, v.data);
        out_ += "\"\n";
        return;
      case kRegDword:
        if (v.data.size() != 4) break;
        {
          const auto* p = reinterpret_cast<const unsigned char*>(v.data.data());
          char buf[24];
          std::snprintf(buf, sizeof buf, "dword:%08x\n",
                        static_cast<unsigned>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24)));
          out_ += buf;
        }
        return;
      default:
        break;
    }
    if (v.type == kRegBinary) {
      out_ += "hex:";
      count += 4;
    } else {
      char buf[24];
      const int n = std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
      out_ += buf;
      count += static_cast<std::size_t>(n);
    }
    // Wine wraps after the comma that takes a line past 76 characters.
    const std::size_t size = v.data.size();
    for (std::size_t i = 0; i < size; ++i) {
      const auto b = static_cast<unsigned char>(v.data[i]);
      out_ += kHex[b >> 4];
      out_ += kHex[b & 15];
      count += 2;
      if (i + 1 < size) {
        out_ += ',';
        if (++count > 76) {
          out_ += "\\\n  ";
          count = 2;
        }
      }
    }
    out_ += '\n';
  }

  std::string& out_;
  std::uint64_t now_;
};

}  // namespace

std::string WineRegistryFile::relativeTo() const {
  if (!std::string_view(relativeToLine).starts_with(kRelativeToPrefix)) return {};
  std::u16string units;
  std::string why;
  std::size_t i = kRelativeToPrefix.size();
  std::string_view line(relativeToLine);
  while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
  if (!parseEscaped(line, i, kToEndOfLine, units, why)) return {};
  return text::toUtf8(units);
}

std::string WineRegistryFile::userKeyName() const {
  const std::string owned = relativeTo();
  std::string_view path = owned;
  if (text::findNoCase(path, "REGISTRY\\") == 0) path.remove_prefix(9);
  while (path.starts_with('\\')) path.remove_prefix(1);
  if (text::findNoCase(path, "User\\") != 0) return {};
  path.remove_prefix(5);
  return std::string(path);
}

WineRegistryParseResult parseWineRegistry(std::string_view text, std::string_view pathForMessages) {
  WineRegistryParseResult result;
  Parser parser(text, pathForMessages);
  if (parser.run(result.file)) {
    result.ok = true;
  } else {
    result.error = parser.error();
    result.file = WineRegistryFile{};  // never hand out a half-read tree
  }
  return result;
}

std::uint64_t wineTicksNow() {
  const auto since1970 =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch());
  return kWineTicksTo1970 + static_cast<std::uint64_t>(since1970.count() / 100);
}

std::string writeWineRegistry(const WineRegistryFile& file, std::uint64_t nowTicks) {
  std::string out;
  out += kWineRegistrySignature;
  out += '\n';
  if (!file.relativeToLine.empty()) {
    out += file.relativeToLine;
    out += '\n';
  }
  if (!file.archLine.empty()) {
    out += '\n';
    out += file.archLine;
    out += '\n';
  }
  Writer(out, nowTicks).tree(*file.root);
  return out;
}

void markWineKeyModified(RegistryKey& key) {
  key.hasTimeStamp = false;
  key.timeStamp = 0;
  key.timeStampText.clear();
}

}  // namespace hm::platform
