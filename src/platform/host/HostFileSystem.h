// The files port over host folders: each drive letter is a folder of the host
// (C: to a prefix's drive_c, say). Names are matched one component at a time
// without regard to case, as Wine does; hidden and system attributes come from
// the user.DOSATTRIB extended attribute, else dot-files are hidden. Writes
// never pass through a symbolic link below a drive's root folder.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/host/FolderNames.h"

namespace hm::platform {

struct HostFolders {
  std::string windows = "C:\\windows";
  std::string system = "C:\\windows\\system32";
  std::string temp = "C:\\windows\\temp";
  std::string program = "C:\\Program Files\\Hivemend";
};

class HostFileSystem : public FileSystemPort {
 public:
  // `protectedFiles` (a prefix's registry files) are never created, replaced,
  // appended to or deleted, whichever drive path names them.
  HostFileSystem(std::map<char, std::filesystem::path> drives, HostFolders folders,
                 std::vector<std::filesystem::path> protectedFiles = {});

  FindResult findFirst(std::string_view path, bool includeFolders) override;
  std::optional<std::uint32_t> attributes(std::string_view path) override;
  bool listFolder(std::string_view folder, std::vector<DirEntry>& entries) override;
  bool listFolderKinds(std::string_view folder, std::vector<DirEntry>& entries) override;
  bool deleteFile(std::string_view path) override;
  bool createFolder(std::string_view path) override;
  std::optional<std::string> readFile(std::string_view path) override;
  std::optional<std::string> readFileUpTo(std::string_view path, std::uint64_t maxBytes) override;
  bool appendFile(std::string_view path, std::string_view bytes) override;
  bool writeFileAtomic(std::string_view path, std::string_view bytes) override;
  bool writeFileAtomicExactName(std::string_view path, std::string_view bytes) override;
  std::optional<std::uint64_t> modifiedTime(std::string_view path) override;
  bool setModifiedTime(std::string_view path, std::uint64_t fileTime) override;
  bool setAttributes(std::string_view path, std::uint32_t attributes) override;
  void holdSnapshot(bool held) override;
  std::string windowsFolder() override { return folders_.windows; }
  std::string systemFolder() override { return folders_.system; }
  std::string tempFolder() override { return folders_.temp; }
  std::string programFolder() override { return folders_.program; }

  // The host path of an existing file or folder, or nothing.
  std::optional<std::filesystem::path> resolveExisting(std::string_view path) const;
  // The host path a new file at `path` would get: its folder must exist.
  std::optional<std::filesystem::path> resolveForCreate(std::string_view path) const;
  // Attributes of a host path as Windows would show them.
  static std::uint32_t hostAttributes(const std::filesystem::path& p);

 private:
  struct Split {
    char drive = 0;
    std::vector<std::string_view> components;  // views into the path that was split
    bool invalid = false;
  };
  Split split(std::string_view path, bool allowWildcardsLast) const;
  bool list(std::string_view folder, std::vector<DirEntry>& entries, bool withDosAttributes) const;
  // The walk through the listings a snapshot holds, into walkScratch_;
  // NotHeld when there is no snapshot or the drive's folder is not listed yet.
  enum class Held { NotHeld, Missing, Found };
  Held walkHeld(char drive, const std::vector<std::string_view>& components, std::size_t count, bool* cannotTell) const;
  // Sets *cannotTell when the walk stopped at something it could not read (a
  // drive folder that is missing, a folder it may not list, an I/O error).
  std::optional<std::filesystem::path> walk(char drive, const std::vector<std::string_view>& components,
                                            std::size_t count, bool* cannotTell = nullptr) const;

  // The entry of `folder` whose name equals `name` without regard to case.
  const FolderNames::Entry* findInFolder(const std::string& folder, std::string_view name, bool* cannotTell) const;

  // The folder a write goes to, opened one component below the drive's root
  // at a time without following links, and the name in it.
  class WriteTarget;
  bool openWriteTarget(std::string_view path, bool mustExist, WriteTarget& target, bool nameAsWritten = false) const;
  // Written beside the target under an unpredictable name, flushed, then renamed over it.
  static bool replaceFile(const WriteTarget& target, std::string_view bytes);
  bool isProtected(const WriteTarget& target) const;

  // Upper-cased names of the folders looked into, while they stay unchanged:
  // a name that is not written as on disk costs a hash lookup, not a listing.
  struct FolderIndex {
    struct timespec modified {};
    FolderNames names;
    bool provisional = false;     // listed while its stamp was too recent to trust after a snapshot
    std::uint64_t checkedIn = 0;  // the snapshot in which its stamp was last compared with the disk's
  };
  const FolderNames::Entry* lookUp(const FolderIndex& index, std::string_view name) const;
  mutable std::unordered_map<std::string, FolderIndex> folderIndex_;
  bool snapshot_ = false;
  // Counts snapshots: a listing kept from before one is compared with the
  // disk once in it, the first time it is used.
  std::uint64_t snapshotNumber_ = 0;
  mutable FolderNames::Entry scratch_;
  mutable unsigned char walkType_ = 0;  // the listed type of what walkHeld() found last
  mutable std::string walkScratch_, upperScratch_;
  // Within a snapshot, the host folder and listing that a path's folder led
  // to, by drive and upper-cased folder components; a folder found missing
  // has no listing. Emptied whenever a listing is made or dropped.
  struct HeldFolder {
    std::string host;
    const FolderIndex* index = nullptr;  // null: the folder is not there
  };
  mutable std::unordered_map<std::string, HeldFolder> heldFolders_;
  mutable std::string folderKey_;

  std::map<char, std::filesystem::path> drives_;
  HostFolders folders_;
  std::vector<std::filesystem::path> protectedFiles_;  // canonical
};

std::uint32_t dosAttributes(const char* hostPath, std::string_view name);

// The short (8.3) name Wine gives a long name, such as PROG~FBU for
// "Program Files"; a name that needs none still gets one here.
std::string WineShortName(std::string_view longName);

// Windows wildcard match of one name ("*" and "?"), without regard to case.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace hm::platform
