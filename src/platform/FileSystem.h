// The files and drives port: Windows paths (UTF-8, "\" separators, drive
// letters) in, Windows answers out, whatever the machine underneath is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hm::platform {

inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrSystem = 0x4;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kAttrTemporary = 0x100;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

// What an existence search answered.
enum class FindResult {
  Found,
  NotFound,
  InvalidName,  // the platform refuses the name outright (bad characters, too long)
  CannotTell,   // the machine cannot look (a network path it cannot reach, a drive not ready)
};

struct DirEntry {
  std::string name;
  std::uint32_t attributes = 0;
};

class FileSystemPort {
 public:
  virtual ~FileSystemPort() = default;

  // Looks for the first entry matching `path`: "*" and "?" in the last
  // component match as Windows wildcards do, letters match without regard to
  // case and trailing spaces are disregarded. Files match whatever their
  // attributes (hidden and system files included); folders only when
  // `includeFolders` is set.
  virtual FindResult findFirst(std::string_view path, bool includeFolders) = 0;
  // The attributes of a file or folder, or nothing when it cannot be read.
  virtual std::optional<std::uint32_t> attributes(std::string_view path) = 0;
  // The entries of a folder ("." and ".." left out), in the platform's order.
  // False when the folder cannot be listed.
  virtual bool listFolder(std::string_view folder, std::vector<DirEntry>& entries) = 0;
  // As listFolder, except that the hidden and system attributes may be left
  // out where they cost a read of their own per entry: for a search that only
  // needs to tell files, folders and links apart.
  virtual bool listFolderKinds(std::string_view folder, std::vector<DirEntry>& entries) {
    return listFolder(folder, entries);
  }

  virtual bool deleteFile(std::string_view path) = 0;
  virtual bool createFolder(std::string_view path) = 0;
  virtual std::optional<std::string> readFile(std::string_view path) = 0;
  // The whole file when it holds at most `maxBytes`, else nothing: a larger
  // file is not read at all.
  virtual std::optional<std::string> readFileUpTo(std::string_view path, std::uint64_t maxBytes) {
    std::optional<std::string> bytes = readFile(path);
    if (bytes && bytes->size() > maxBytes) return std::nullopt;
    return bytes;
  }
  // Appends bytes, creating the file when missing (not its folder).
  virtual bool appendFile(std::string_view path, std::string_view bytes) = 0;
  // Replaces the file as a whole: written beside it, flushed, then renamed over it.
  virtual bool writeFileAtomic(std::string_view path, std::string_view bytes) = 0;
  // As writeFileAtomic, but the file's own name is taken as written: where
  // the file system tells letter case apart, a file whose name differs only in
  // case is left alone and one of exactly this name is made beside it.
  virtual bool writeFileAtomicExactName(std::string_view path, std::string_view bytes) {
    return writeFileAtomic(path, bytes);
  }

  // The last-write time as a Windows FILETIME (100 ns units since 1601), or
  // nothing when it cannot be read.
  virtual std::optional<std::uint64_t> modifiedTime(std::string_view path) {
    (void)path;
    return std::nullopt;
  }
  virtual bool setModifiedTime(std::string_view path, std::uint64_t fileTime) {
    (void)path;
    (void)fileTime;
    return false;
  }
  // Sets the attributes a file keeps (read-only, hidden, system, archive).
  virtual bool setAttributes(std::string_view path, std::uint32_t attributes) {
    (void)path;
    (void)attributes;
    return false;
  }

  // While held, existence searches may be answered from the folder listings
  // already read since the hold began: a scan looks at one moment of the disk,
  // and each folder need be listed once. Released, every search looks again.
  virtual void holdSnapshot(bool held) { (void)held; }

  // Folders without a trailing "\" (a drive root keeps it).
  virtual std::string windowsFolder() = 0;
  virtual std::string systemFolder() = 0;
  virtual std::string tempFolder() = 0;
  virtual std::string programFolder() = 0;
};

enum DriveType : int {
  kDriveUnknown = 0,
  kDriveRemovable = 1,
  kDriveFixed = 2,
  kDriveNetwork = 3,
  kDriveCdRom = 4,
  kDriveRamDisk = 5,
};

struct DriveInfo {
  char letter = 'C';
  int type = kDriveUnknown;
  bool ready = false;
};

class DrivePort {
 public:
  virtual ~DrivePort() = default;
  // Every drive, by letter.
  virtual std::vector<DriveInfo> drives() = 0;
  // True when the volume information of a root such as C:\ can be read.
  virtual bool volumeInformation(std::string_view root) = 0;
};

}  // namespace hm::platform
