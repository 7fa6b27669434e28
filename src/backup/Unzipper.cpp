#include "backup/Unzipper.h"

#include "backup/ZipEntryName.h"
#include "platform/Machine.h"

namespace hm::backup {
namespace {

// Creates the folders above `filePath` that are missing, top down.
bool ensureParentFolders(platform::FileSystemPort& files, std::string_view filePath) {
  const std::size_t lastSlash = filePath.rfind('\\');
  if (lastSlash == std::string_view::npos) return false;
  const std::string_view folder = filePath.substr(0, lastSlash);
  if (folder.empty() || files.attributes(folder)) return true;
  std::size_t from = folder.starts_with("\\\\") ? folder.find('\\', folder.find('\\', 2) + 1) : folder.find('\\');
  while (from != std::string_view::npos) {
    const std::size_t next = folder.find('\\', from + 1);
    const std::string_view step = folder.substr(0, next);
    if (!files.attributes(step) && !files.createFolder(step)) return false;
    from = next;
  }
  return true;
}

constexpr std::uint32_t kDosAttributeBits =
    platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive;

// The time first: a file already read-only may refuse a new time.
std::string restoreTimeAndAttributes(platform::FileSystemPort& files, const ZipEntryInfo& entry,
                                     const std::string& path) {
  std::string warning;
  if (entry.fileTime && !files.setModifiedTime(path, *entry.fileTime))
    warning = "cannot set the modification time of \"" + path + "\"";
  if (entry.attributes) {
    const auto now = files.attributes(path);
    if ((!now || (*now & kDosAttributeBits) != *entry.attributes) && !files.setAttributes(path, *entry.attributes))
      warning += (warning.empty() ? "" : "; ") + std::string("cannot set the attributes of \"") + path + "\"";
  }
  return warning;
}

}  // namespace

bool UnzipReport::ok() const {
  if (!archive.ok()) return false;
  for (const UnzipEntryOutcome& e : entries) {
    if (!e.result.ok()) return false;
  }
  return true;
}

bool Unzipper::selectFile(std::string_view windowsPath) {
  const auto name = zipEntryNameForPath(windowsPath);
  if (!name) return false;
  select(*name, windowsPath);
  return true;
}

void Unzipper::select(std::string_view entryName, std::string_view destinationPath) {
  selection_.push_back({std::string(entryName), std::string(destinationPath)});
}

UnzipReport Unzipper::extract() {
  UnzipReport report;
  ZipReader reader;
  report.archive = reader.openFile(archivePath_);
  platform::FileSystemPort* files = platform::machine().files;
  if (report.archive.ok()) {
    for (const Selected& s : selection_) {
      UnzipEntryOutcome outcome{s.entryName, s.destination, {}, {}};
      std::string bytes;
      outcome.result = reader.extract(s.entryName, bytes, maxEntrySize);
      if (outcome.result.ok() && (files == nullptr || !ensureParentFolders(*files, s.destination) ||
                                  !files->writeFileAtomicExactName(s.destination, bytes))) {
        outcome.result = ZipResult::failure("cannot write \"" + s.destination + "\"");
      }
      if (outcome.result.ok())
        outcome.warning = restoreTimeAndAttributes(*files, *reader.find(s.entryName), s.destination);
      report.entries.push_back(std::move(outcome));
    }
  }
  if (OnFinished) OnFinished(report);
  return report;
}

}  // namespace hm::backup
