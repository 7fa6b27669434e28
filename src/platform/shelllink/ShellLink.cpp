#include "platform/shelllink/ShellLink.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/Text.h"

namespace hm::platform {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::array<unsigned char, 16> kShellLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::array<unsigned char, 16> kMyComputerClsid = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                            0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr std::array<unsigned char, 16> kUserFilesClsid = {0x47, 0x1A, 0x03, 0x59, 0x72, 0x3F, 0xA7, 0x44,
                                                           0x89, 0xC5, 0x55, 0x95, 0xFE, 0x6B, 0x30, 0xEE};

// Link flags.
constexpr std::uint32_t kHasIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasName = 0x4;
constexpr std::uint32_t kHasRelativePath = 0x8;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kHasArguments = 0x20;
constexpr std::uint32_t kHasIconLocation = 0x40;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;
constexpr std::uint32_t kHasExpString = 0x200;
constexpr std::uint32_t kHasDarwinId = 0x1000;

// Link-info flags.
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t kNetworkLinkAndPathSuffix = 0x2;

constexpr std::uint32_t kEnvironmentBlockSignature = 0xA0000001;
constexpr std::uint32_t kDarwinBlockSignature = 0xA0000006;
constexpr std::uint32_t kStringBlockSize = 0x314;  // both blocks: 260 code-page bytes + 260 UTF-16 units
constexpr std::uint32_t kFileEntryExtensionSignature = 0xBEEF0004;

// A real path has at most a few hundred components; a list or chain longer
// than these caps is an attack on the reader, not a shortcut.
constexpr std::size_t kMaxIdItems = 512;
constexpr std::size_t kMaxExtraBlocks = 64;
constexpr std::size_t kMaxPath = 260;

// A bounds-checked view of part of the file. Every read says whether it fit.
class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }
  bool has(std::size_t offset, std::size_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  std::optional<std::uint8_t> u8(std::size_t offset) const {
    if (!has(offset, 1)) return std::nullopt;
    return static_cast<std::uint8_t>(bytes_[offset]);
  }
  std::optional<std::uint16_t> u16(std::size_t offset) const {
    if (!has(offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(byte(offset) | byte(offset + 1) << 8);
  }
  std::optional<std::uint32_t> u32(std::size_t offset) const {
    if (!has(offset, 4)) return std::nullopt;
    return static_cast<std::uint32_t>(byte(offset)) | static_cast<std::uint32_t>(byte(offset + 1)) << 8 |
           static_cast<std::uint32_t>(byte(offset + 2)) << 16 | static_cast<std::uint32_t>(byte(offset + 3)) << 24;
  }
  // The caller has checked has(offset, count).
  Bytes sub(std::size_t offset, std::size_t count) const { return Bytes(bytes_.substr(offset, count)); }
  bool equals(std::size_t offset, const std::array<unsigned char, 16>& id) const {
    return has(offset, id.size()) && std::memcmp(bytes_.data() + offset, id.data(), id.size()) == 0;
  }
  bool equals(std::size_t offset, std::string_view text) const {
    return has(offset, text.size()) && bytes_.substr(offset, text.size()) == text;
  }

  // A NUL-terminated code-page string that must end inside this view.
  std::optional<std::string> ansiString(std::size_t offset) const {
    if (offset >= bytes_.size()) return std::nullopt;
    const std::size_t end = bytes_.find('\0', offset);
    if (end == std::string_view::npos) return std::nullopt;
    return decodeWindows1252(bytes_.substr(offset, end - offset));
  }
  // A NUL-terminated UTF-16LE string that must end inside this view.
  std::optional<std::string> utf16String(std::size_t offset) const {
    for (std::size_t i = offset; has(i, 2); i += 2) {
      if (bytes_[i] == '\0' && bytes_[i + 1] == '\0') return text::fromUtf16Bytes(bytes_.substr(offset, i - offset));
    }
    return std::nullopt;
  }

 private:
  unsigned byte(std::size_t offset) const { return static_cast<unsigned char>(bytes_[offset]); }
  std::string_view bytes_;
};

struct Malformed {};  // thrown inside this file only, caught by readShellLink

template <typename T>
T need(std::optional<T> value) {
  if (!value) throw Malformed{};
  return *value;
}

void require(bool condition) {
  if (!condition) throw Malformed{};
}

std::string joinPath(std::string base, std::string_view tail) {
  if (!base.empty() && !tail.empty() && base.back() != '\\') base += '\\';
  base += tail;
  return base;
}

// Folders are reported without a trailing "\"; a drive root keeps "C:\".
std::string withoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == '\\' && !(path.size() == 3 && path[1] == ':')) path.pop_back();
  return path;
}

bool isDriveRoot(std::string_view name) {
  const bool letter = !name.empty() && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  return letter && (name.size() == 2 || (name.size() == 3 && name[2] == '\\')) && name[1] == ':';
}

// --- Target ID list -------------------------------------------------------

// The long name a file entry keeps in its extension block. Windows marks the
// block 0xBEEF0004 and moves the name with the block's version; Wine leaves
// version and signature zero and puts the name where version 3 has it.
std::optional<std::string> longNameAt(const Bytes& item, std::size_t blockOffset) {
  const auto blockSize = item.u16(blockOffset);
  if (!blockSize || *blockSize < 8 || !item.has(blockOffset, *blockSize)) return std::nullopt;
  const Bytes block = item.sub(blockOffset, *blockSize);
  const std::uint16_t version = *block.u16(2);
  const std::uint32_t signature = *block.u32(4);
  std::size_t nameOffset = 0;
  if (signature == kFileEntryExtensionSignature) {
    nameOffset = version >= 9 ? 46 : version >= 8 ? 42 : version >= 7 ? 38 : version >= 3 ? 20 : 0;
  } else if (version == 0 && signature == 0 && blockOffset + *blockSize == item.size()) {
    nameOffset = 20;
  }
  if (nameOffset == 0) return std::nullopt;
  auto name = block.utf16String(nameOffset);
  if (!name || name->empty()) return std::nullopt;
  return name;
}

// A file entry: size, class, pad, file size, date, attributes, then the
// primary (often 8.3) name; the long name sits in an extension block that the
// item's last word points at.
std::optional<std::string> fileEntryName(const Bytes& item, const Bytes& entry) {
  if (const auto extension = item.u16(item.size() - 2); extension && *extension >= 4) {
    if (auto name = longNameAt(item, *extension)) return name;
  }
  const std::uint8_t type = need(entry.u8(2));
  auto primary = (type & 0x04) ? entry.utf16String(14) : entry.ansiString(14);
  if (!primary || primary->empty()) return std::nullopt;
  return primary;
}

// Outcome of spelling the ID list: a path, or nothing when the list does not
// lead to a file-system path. A malformed list throws.
std::optional<std::string> pathFromIdList(const Bytes& list, const EnvironmentLookup& env) {
  std::optional<std::string> path;
  bool afterMyComputer = false;
  bool spellable = true;
  std::size_t offset = 0;
  for (std::size_t count = 0;; ++count) {
    require(count <= kMaxIdItems);
    const std::uint16_t itemSize = need(list.u16(offset));
    if (itemSize == 0) break;
    require(itemSize >= 3 && list.has(offset, itemSize));
    const Bytes item = list.sub(offset, itemSize);
    offset += itemSize;
    if (!spellable) continue;  // keep walking so that a malformed tail is still caught

    const std::uint8_t type = *item.u8(2);
    if (count == 0) {
      if (type == 0x1F && item.equals(4, kMyComputerClsid)) {
        afterMyComputer = true;
      } else if (type == 0x1F && item.equals(4, kUserFilesClsid) && env) {
        auto profile = env("USERPROFILE");
        if (profile && !profile->empty()) path = withoutTrailingSeparator(*profile);
      }
      spellable = afterMyComputer || path.has_value();
      continue;
    }
    if (afterMyComputer) {  // the next item must be a drive
      afterMyComputer = false;
      if ((type & 0x70) == 0x20 && type != 0x2E && (type & 0x01)) {
        auto drive = item.ansiString(3);
        if (drive && isDriveRoot(*drive)) {
          path = drive->substr(0, 2) + "\\";
          continue;
        }
      }
      spellable = false;
      continue;
    }
    std::optional<std::string> name;
    if ((type & 0x70) == 0x30) {
      name = fileEntryName(item, item);
    } else if (type == 0x74 && item.equals(4, "CFSF")) {  // a file entry wrapped by a delegate folder
      const auto innerSize = item.u16(10);
      if (innerSize && *innerSize >= 16 && item.has(10, *innerSize))
        name = fileEntryName(item, item.sub(10, *innerSize));
    }
    if (name && name->find('\\') == std::string::npos) {
      path = joinPath(*path, *name);
    } else {
      spellable = false;
    }
  }
  if (!spellable || !path) return std::nullopt;
  return path;
}

// --- Link info ---------------------------------------------------------------

struct LinkInfoPaths {
  std::optional<std::string> localBasePath;
  bool fromCodePage = false;  // local base path or suffix came from code-page strings
  std::optional<std::string> netName;
  std::string commonPathSuffix;
};

LinkInfoPaths readLinkInfo(const Bytes& info) {
  const std::uint32_t headerSize = need(info.u32(4));
  require(headerSize >= 0x1C && headerSize <= info.size());
  const std::uint32_t flags = need(info.u32(8));
  const bool hasUnicode = headerSize >= 0x24;
  // A string of the link info: the Unicode form when the header has one.
  LinkInfoPaths paths;
  auto stringAt = [&](std::size_t ansiField, std::size_t unicodeField) -> std::optional<std::string> {
    if (hasUnicode) {
      const std::uint32_t offset = need(info.u32(unicodeField));
      if (offset != 0) {
        require(offset >= headerSize);
        return need(info.utf16String(offset));
      }
    }
    const std::uint32_t offset = need(info.u32(ansiField));
    if (offset == 0) return std::nullopt;
    require(offset >= headerSize);
    paths.fromCodePage = true;
    return need(info.ansiString(offset));
  };

  if (flags & kVolumeIdAndLocalBasePath) paths.localBasePath = stringAt(0x10, 0x1C);
  if (flags & kNetworkLinkAndPathSuffix) {
    const std::uint32_t linkOffset = need(info.u32(0x14));
    require(linkOffset >= headerSize);
    const std::uint32_t linkSize = need(info.u32(linkOffset));
    require(linkSize >= 0x14 && info.has(linkOffset, linkSize));
    const Bytes link = info.sub(linkOffset, linkSize);
    const std::uint32_t netNameOffset = *link.u32(8);
    require(netNameOffset >= 0x14);
    if (netNameOffset > 0x14) {  // the header carries Unicode offsets too
      const std::uint32_t unicodeOffset = need(link.u32(0x14));
      if (unicodeOffset != 0) paths.netName = need(link.utf16String(unicodeOffset));
    }
    if (!paths.netName) paths.netName = need(link.ansiString(netNameOffset));
  }
  paths.commonPathSuffix = stringAt(0x18, 0x20).value_or("");
  return paths;
}

// --- Extra data ----------------------------------------------------------------

struct ExtraData {
  std::optional<std::string> environmentTarget;
  bool darwin = false;
};

// The target of an environment-variable or Darwin block: the Unicode form when
// it is filled in. Both strings must end inside their fields.
std::string blockTarget(const Bytes& block) {
  const Bytes ansi = block.sub(8, 260);
  const Bytes unicode = block.sub(268, 520);
  const std::string ansiText = need(ansi.ansiString(0));
  const std::string unicodeText = need(unicode.utf16String(0));
  return unicodeText.empty() ? ansiText : unicodeText;
}

ExtraData readExtraData(const Bytes& file, std::size_t offset) {
  ExtraData extra;
  for (std::size_t count = 0;; ++count) {
    require(count <= kMaxExtraBlocks);
    const auto blockSize = file.u32(offset);
    // The terminal block; some writers leave it out or leave junk in its place,
    // and the shell reads such files, so a block that does not fit ends the list.
    if (!blockSize || *blockSize < 8 || !file.has(offset, *blockSize)) break;
    const Bytes block = file.sub(offset, *blockSize);
    const std::uint32_t signature = *block.u32(4);
    if (signature == kEnvironmentBlockSignature || signature == kDarwinBlockSignature) {
      require(*blockSize == kStringBlockSize);
      const std::string target = blockTarget(block);
      if (signature == kEnvironmentBlockSignature) {
        extra.environmentTarget = target;
      } else {
        extra.darwin = true;
      }
    }
    offset += *blockSize;
  }
  return extra;
}

ShellLinkTarget read(const Bytes& file, const EnvironmentLookup& env) {
  require(file.u32(0) == kHeaderSize && file.equals(4, kShellLinkClsid));
  const std::uint32_t flags = *file.u32(20);
  std::size_t offset = kHeaderSize;

  std::optional<std::string> idListPath;
  if (flags & kHasIdList) {
    const std::uint16_t listSize = need(file.u16(offset));
    require(file.has(offset + 2, listSize));
    idListPath = pathFromIdList(file.sub(offset + 2, listSize), env);
    offset += 2 + listSize;
  }

  std::optional<LinkInfoPaths> linkInfo;
  if (flags & kHasLinkInfo) {
    const std::uint32_t infoSize = need(file.u32(offset));
    require(infoSize >= 0x1C && file.has(offset, infoSize));
    LinkInfoPaths paths = readLinkInfo(file.sub(offset, infoSize));
    if (!(flags & kForceNoLinkInfo)) linkInfo = std::move(paths);
    offset += infoSize;
  }

  const std::size_t unitSize = (flags & kIsUnicode) ? 2 : 1;
  for (std::uint32_t stringFlag : {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation}) {
    if (!(flags & stringFlag)) continue;
    std::size_t units = need(file.u16(offset));
    // The shell stores and reads at most MAX_PATH letters of every string but
    // the arguments, whatever the count says; files in the wild rely on it.
    if (stringFlag != kHasArguments) units = std::min<std::size_t>(units, kMaxPath);
    require(file.has(offset + 2, units * unitSize));
    offset += 2 + units * unitSize;
  }

  const ExtraData extra = readExtraData(file, offset);

  ShellLinkTarget target;
  target.advertised = extra.darwin || (flags & kHasDarwinId);
  if ((flags & kHasExpString) && extra.environmentTarget && !extra.environmentTarget->empty()) {
    target.path = expandEnvironmentVariables(*extra.environmentTarget, env);
  }
  if (target.path.empty() && linkInfo && linkInfo->localBasePath && !linkInfo->localBasePath->empty()) {
    target.path = joinPath(*linkInfo->localBasePath, linkInfo->commonPathSuffix);
    // A code-page path with "?" lost letters its writer's code page lacks ("?"
    // is never part of a file name); the ID list keeps them in UTF-16.
    if (linkInfo->fromCodePage && target.path.find('?') != std::string::npos && idListPath) target.path.clear();
  }
  if (target.path.empty() && idListPath) target.path = *idListPath;
  if (target.path.empty() && linkInfo && linkInfo->netName && !linkInfo->netName->empty()) {
    target.path = joinPath(*linkInfo->netName, linkInfo->commonPathSuffix);
  }
  target.path = withoutTrailingSeparator(std::move(target.path));
  return target;
}

}  // namespace

ShellLinkTarget readShellLink(std::string_view fileBytes, const EnvironmentLookup& env) {
  try {
    return read(Bytes(fileBytes), env);
  } catch (const Malformed&) {
    return {};
  }
}

std::string expandEnvironmentVariables(std::string_view text, const EnvironmentLookup& env) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('%', pos);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(pos, open - pos));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    std::optional<std::string> value;
    if (!name.empty() && env) value = env(name);
    if (value) {
      out += *value;
    } else {
      out.append(text.substr(open, close - open + 1));
    }
    pos = close + 1;
  }
  out.append(text.substr(pos));
  return out;
}

std::string decodeWindows1252(std::string_view bytes) {
  // 0x80-0x9F; the five bytes 1252 leaves undefined map to the C1 controls as
  // Windows' own conversion does.
  static constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string units;
  units.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    units += (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : static_cast<char16_t>(b);
  }
  return text::toUtf8(units);
}

}  // namespace hm::platform
