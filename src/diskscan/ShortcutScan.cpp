#include "diskscan/ShortcutScan.h"

#include <optional>
#include <vector>

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "common/Globals.h"
#include "diskscan/DriveInventory.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "scan/CheckRules.h"

namespace hm {

namespace {

// Attributes of an entry that is a plain file: read-only, hidden, system,
// archive, normal or temporary.
constexpr std::uint32_t kPlainFileMask = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem |
                                         platform::kAttrArchive | platform::kAttrNormal | platform::kAttrTemporary;

enum class SearchOutcome { Done, Cancelled };

// What stays the same for every folder of one search.
struct SearchContext {
  ScanLists& lists;
  std::string_view section;
  std::string cdRomRoot;  // "E:\" or "" (the drive list cannot change within one search)
};

bool IsSkippedShortcutFolder(std::string_view shortcutPath) {
  return text::containsNoCase(shortcutPath, "Temporary Internet Files") ||
         text::containsNoCase(shortcutPath, "Recycled");
}

// Judges one plain file of a listing and reports it when it is a broken shortcut.
void ExamineFile(const SearchContext& search, const std::string& filePath) {
  search.lists.lblRegistryFilesScan.setCaption(filePath);
  if (GetFileExtension(filePath) != "lnk") return;
  if (IsSkippedShortcutFolder(filePath)) return;

  const platform::ShellLinkTarget link = ReadShortcutTarget(filePath);
  // An installer's shortcut names a cached icon, not the program it starts.
  if (link.advertised) return;
  const std::string& target = link.path;
  if (!search.cdRomRoot.empty() && text::containsNoCase(target, search.cdRomRoot)) return;
  if (text::containsNoCase(target, "NODE")) return;
  if (target.find('.') == std::string::npos) return;
  if (!PathMissing(target)) return;
  FileTargetPath(search.lists.lvwErrors, filePath, target, search.section);
}

// Lists one folder (path ends in "\"), reports its broken shortcuts and
// collects the subfolders to search next. A folder that cannot be listed has
// nothing to search.
SearchOutcome SearchFolder(const SearchContext& search, const std::string& folder,
                           std::vector<std::string>& subfolders) {
  try {
    platform::FileSystemPort& files = *platform::machine().files;
    std::vector<platform::DirEntry> entries;
    // Hidden and system are not needed to tell a file from a folder, and
    // reading them is most of what a listing costs.
    if (!files.listFolderKinds(folder, entries)) return SearchOutcome::Done;
    for (platform::DirEntry& entry : entries) {
      DoEvents();
      if (CancelScan) return SearchOutcome::Cancelled;
      StripNulls(entry.name);
      if (entry.name.empty() || entry.name == "." || entry.name == "..") continue;
      if (entry.attributes & platform::kAttrDirectory) {
        // A junction, symbolic link or mount point leads out of this tree (or
        // back into it); only real folders are searched.
        if (!(entry.attributes & platform::kAttrReparsePoint)) subfolders.push_back(entry.name);
        continue;
      }
      std::string filePath = folder + entry.name;
      if (!(entry.attributes & kPlainFileMask)) {
        // Perhaps only hidden or system, which that listing may leave out.
        const std::optional<std::uint32_t> full = files.attributes(filePath);
        if (!full || !(*full & kPlainFileMask)) continue;
      }
      try {
        ExamineFile(search, filePath);
      } catch (...) {
        // One unreadable target costs only its own shortcut.
        LogError("FindFilesAPI");
      }
      DoEvents();
    }
  } catch (...) {
    LogError("FindFilesAPI");
    subfolders.clear();
  }
  return SearchOutcome::Done;
}

}  // namespace

void ScanDrive(ScanLists& lists, std::string_view root, std::string_view section) {
  try {
    if (CancelScan) return;
    if (RgbGetVolumeInformationRDI(root)) FindFilesAPI(lists, root, section);
  } catch (...) {
    LogError("ScanDrive");
  }
}

void FindFilesAPI(ScanLists& lists, std::string_view path, std::string_view section) {
  try {
    SearchContext search{lists, section, GetCdRom()};
    if (!search.cdRomRoot.empty()) search.cdRomRoot += '\\';

    // Folders still to search, the next one last: an explicit stack keeps deep
    // trees off the call stack while visiting them in the same order.
    std::vector<std::string> pending{std::string(path)};
    if (pending.back().empty() || pending.back().back() != '\\') pending.back() += '\\';
    std::vector<std::string> subfolders;
    while (!pending.empty()) {
      if (CancelScan) return;
      const std::string folder = std::move(pending.back());
      pending.pop_back();
      subfolders.clear();
      if (SearchFolder(search, folder, subfolders) == SearchOutcome::Cancelled) return;
      for (auto name = subfolders.rbegin(); name != subfolders.rend(); ++name) pending.push_back(folder + *name + '\\');
      DoEvents();
    }
  } catch (...) {
    LogError("FindFilesAPI");
  }
}

platform::ShellLinkTarget ReadShortcutTarget(std::string_view shortcutPath) {
  try {
    const platform::Machine& m = platform::machine();
    const std::optional<std::string> bytes = m.files->readFileUpTo(shortcutPath, platform::kMaxShellLinkBytes);
    if (!bytes) return {};
    platform::EnvironmentPort* environment = m.environment;
    return platform::readShellLink(*bytes, [environment](std::string_view name) -> std::optional<std::string> {
      if (environment == nullptr) return std::nullopt;
      return environment->variable(name);
    });
  } catch (...) {
    LogError("GetTarget");
    return {};
  }
}

std::string GetTarget(std::string_view shortcutPath) { return ReadShortcutTarget(shortcutPath).path; }

void FileTargetPath(platform::ListViewModel& lvwErrors, std::string_view shortcutPath, std::string_view target,
                    std::string_view section) {
  try {
    lvwErrors.addRow(
        {std::string(section), "", std::string(target) + " -> " + std::string(shortcutPath), std::string(section),
         std::string(shortcutPath), "", std::string(CheckRuleId(CheckRule::ShortcutTargetMissing)),
         std::string(ExistenceLookupPath(target))},
        true);
  } catch (...) {
    LogError("FileTargetPath");
  }
}

}  // namespace hm
