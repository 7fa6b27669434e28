// The backup archive's writer as repair drives it, one file at a time:
//   prepare(archive path); then per file: Tag = path, addFile(path),
//   writeArchive(), and Finished is raised (its handler deletes Tag's file).
// Every writeArchive rewrites the whole archive atomically, so after it the
// archive holds this file and every file added before it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "backup/ZipWriter.h"

namespace hm::backup {

class Zipper {
 public:
  // The path of the file being stored, kept for the Finished handler.
  std::string Tag;
  // Raised once per writeArchive, and only when the file added since the
  // previous write is safely in the archive on disk: a file is never deleted
  // unless its copy exists.
  std::function<void()> Finished;

  // Starts a new run of files for this archive. Entries of an archive
  // already at that path are kept (a set written twice keeps both runs' files).
  void prepare(std::string_view archivePath);
  ZipResult addFile(std::string_view filePath);
  // Writes the archive; raises Finished when the last added file is in it.
  ZipResult writeArchive();

  const ZipWriter& writer() const { return writer_; }

 private:
  ZipWriter writer_;
  std::string archivePath_;
  bool fileAddedSinceWrite_ = false;
};

}  // namespace hm::backup
