// The text of one INI file, kept line by line so that an edit leaves every
// other line as it was. Lookups follow the platform's profile functions:
// section and key names without regard to case, blanks around them ignored,
// the first matching section and key win.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hm::shell {

class IniText {
 public:
  // Reads UTF-8 text with or without a byte order mark, lines ending in CR LF, LF or CR.
  explicit IniText(std::string_view bytes = {});

  // The value of an entry with blanks around it removed (quotes kept), or
  // nothing when the section, the key or its "=" is missing.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  // Every named section header in file order, duplicates included.
  std::vector<std::string> sectionNames() const;
  // The keys with a value of the first matching section, in file order
  // (comments and lines without "=" left out); nothing when the section is
  // missing. "" names the lines before the first section header.
  std::optional<std::vector<std::string>> keyNames(std::string_view section) const;

  // Edits. Each says whether the text changed at all, and whether it only grew
  // at its end (so the caller can append instead of rewriting the file).
  enum class Change { None, Appended, Rewritten };
  Change setValue(std::string_view section, std::string_view key, std::string_view value);
  Change deleteKey(std::string_view section, std::string_view key);
  Change deleteSection(std::string_view section);

  // The whole text as it is now: every line ends in CR LF, a leading byte
  // order mark is kept.
  std::string bytes() const;
  // What an append-only edit added since the text was read (or last marked).
  std::string appendedBytes() const;
  // Marks the current text as the one on disk.
  void markSaved();

 private:
  enum class Kind { Blank, Header, Entry };
  struct Line {
    std::string text;
    Kind kind = Kind::Blank;
    std::string name;                  // header name, or key name (trimmed)
    std::optional<std::string> value;  // set only for entries with "="
  };

  // The "header" of the lines before the first section header.
  static constexpr std::size_t kLeading = static_cast<std::size_t>(-1);

  // Names looked up without regard to case, so a file of tens of thousands of
  // entries is read in linear time. Built on first use; lines added at the
  // end are entered as they come, any other edit drops it.
  struct Index {
    std::unordered_map<std::string, std::size_t> headers;  // folded name -> first header of that name
    // header -> folded key name -> first entry of that name in its section; built per section on first use
    std::unordered_map<std::size_t, std::unordered_map<std::string, std::size_t>> keys;
    std::size_t lastHeader = kLeading;  // the section that lines added at the end fall into
  };

  static Line parseLine(std::string_view text);
  const Index& index() const;
  void indexAppended(std::size_t from);
  void forgetIndex() { index_.reset(); }
  static std::size_t sectionBegin(std::size_t header);
  std::optional<std::size_t> findSection(std::string_view section) const;
  std::size_t sectionEnd(std::size_t header) const;
  std::optional<std::size_t> findKey(std::size_t header, std::string_view key) const;
  Change touched(std::size_t lineIndex);

  std::vector<Line> lines_;
  mutable std::optional<Index> index_;
  bool bom_ = false;
  std::size_t savedLines_ = 0;      // lines already on disk
  bool savedEndsWithBreak_ = true;  // the saved text ends in a line break (or is empty)
  bool rewriteNeeded_ = false;      // a saved line changed: only a full rewrite brings the file up to date
};

// Blanks as the profile functions see them around names and values.
bool isIniBlank(char c);
std::string_view trimIniBlanks(std::string_view s);

}  // namespace hm::shell
