#include "backup/Zipper.h"

#include "backup/ZipReader.h"

namespace hm::backup {

void Zipper::prepare(std::string_view archivePath) {
  archivePath_ = std::string(archivePath);
  writer_.clear();
  fileAddedSinceWrite_ = false;
  ZipReader existing;
  if (!existing.openFile(archivePath_).ok()) return;
  for (const ZipEntryInfo& info : existing.entries()) {
    StoredZipEntry entry;
    if (existing.storedEntry(info.name, entry).ok()) writer_.keepEntry(std::move(entry));
  }
}

ZipResult Zipper::addFile(std::string_view filePath) {
  ZipResult result = writer_.addFile(filePath);
  fileAddedSinceWrite_ = result.ok();
  return result;
}

ZipResult Zipper::writeArchive() {
  if (archivePath_.empty()) return ZipResult::failure("no archive has been prepared");
  ZipResult result = writer_.writeTo(archivePath_);
  const bool stored = result.ok() && fileAddedSinceWrite_;
  fileAddedSinceWrite_ = false;
  if (stored && Finished) Finished();
  return result;
}

}  // namespace hm::backup
