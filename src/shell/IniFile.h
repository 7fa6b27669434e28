// cInifile: reads and writes one INI file the way the platform's profile
// functions do, through the files port, so it works on Windows and on a Wine
// prefix alike. The caller sets Path, Section and Key, then reads or writes
// Value. The file is UTF-8 (a byte order mark is accepted) with CR LF lines.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/IniText.h"

namespace hm::shell {

// A window's placement in twips, as SaveFormPosition/LoadFormPosition see it.
struct FormPlacement {
  enum class State { Normal, Minimised, Maximised };
  State state = State::Normal;
  std::int32_t left = 0, top = 0, width = 0, height = 0;
};

// The screen the window is shown on, in twips, and the size of one pixel.
struct ScreenArea {
  std::int32_t width = 0, height = 0;
  std::int32_t twipsPerPixelX = 15, twipsPerPixelY = 15;
};

class cInifile {
 public:
  // Reading buffers, in UTF-16 units as the profile functions count them.
  static constexpr std::size_t kValueBuffer = 255;
  static constexpr std::size_t kListBuffer = 8192;
  // Files larger than this are neither read nor written (a description file
  // of ten thousand records is a few MB).
  static constexpr std::size_t kMaxFileBytes = 64u << 20;

  const std::string& path() const { return path_; }
  void setPath(std::string_view path) { path_ = std::string(path); }
  const std::string& section() const { return section_; }
  void setSection(std::string_view section) { section_ = std::string(section); }
  const std::string& key() const { return key_; }
  void setKey(std::string_view key) { key_ = std::string(key); }
  const std::string& defaultValue() const { return default_; }
  void setDefault(std::string_view value) { default_ = std::string(value); }

  // Value (read): key Key of section Section, at most 254 characters, Default when missing.
  std::string value() const;
  // The same without the 254-character cut: what restore must use, since a
  // registry value or key path can be longer.
  std::string wholeValue() const;
  // Value (write): NULs removed; an empty text removes the key. Sets LastReturnCode.
  void setValue(std::string_view sValue);
  // Several keys of Section written as Value (write) writes each, in one
  // edit: the file gets all of them in one write or none. Sets LastReturnCode.
  void setValues(const std::vector<std::pair<std::string, std::string>>& entries);
  // True when Value (write) stores the text so that it reads back unchanged
  // (no NUL or line break, valid UTF-8).
  static bool holdsExactly(std::string_view value);

  // INISection (read): the key names of Section, each followed by NUL, cut to the 8192-unit buffer.
  std::string iniSection() const;
  // INISection (write): removes section Section; the text is not stored.
  void setINISection(std::string_view sSection);
  // Sections: the names of all sections, each followed by NUL, cut to the 8192-unit buffer.
  std::string sections() const;

  std::int32_t lastReturnCode() const { return lastReturnCode_; }
  bool success() const { return lastReturnCode_ != 0; }

  void DeleteKey();
  void DeleteSection();
  // The key names of Section / the names of all sections, in file order and
  // never cut, however long the file (restore reads every record through these).
  // The arrays are 0-based; iCount is their size, 0 when nothing is there.
  void EnumerateCurrentSection(std::vector<std::string>& sKey, std::int32_t& iCount) const;
  void EnumerateAllSections(std::vector<std::string>& sSections, std::int32_t& iCount) const;

  void SaveFormPosition(const FormPlacement& frmThis);
  void LoadFormPosition(FormPlacement& frmThis, const ScreenArea& screen, std::int32_t lMinWidth = 0,
                        std::int32_t lMinHeight = 0);

  // sString as a 32-bit integer (blanks around it allowed, a fraction rounded
  // half to even), or lDefault when it does not convert.
  static std::int32_t CLngDefault(std::string_view sString, std::int32_t lDefault);

  // Reads from the copy read first instead of the file each time: for a
  // reader that takes thousands of entries from a file nobody else changes.
  void keepFileLoaded(bool keep) { keepLoaded_ = keep; }

 private:
  bool keepLoaded_ = false;
  // The file's text parsed, or nothing when it cannot be read.
  const IniText* readFileText() const;
  const IniText& parsed(const std::string& bytes) const;
  std::optional<std::string> rawValue() const;
  bool editFile(const std::function<IniText::Change(IniText&)>& edit);
  bool removeKey();
  bool removeSection();
  bool writeKeyText(std::string_view key, std::string_view value);

  std::string path_;
  std::string section_;
  std::string key_;
  std::string default_;
  std::int32_t lastReturnCode_ = 0;

  // The text last read or written, parsed: a run of writes to one file (a
  // backup of thousands of records) does not parse the whole file again each time.
  struct ParsedFile {
    std::string bytes;
    IniText text;
  };
  mutable std::optional<ParsedFile> cache_;
};

}  // namespace hm::shell
