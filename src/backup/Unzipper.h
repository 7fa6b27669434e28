// The backup archive's reader as restore drives it: name the archive, select
// the entries to bring back with the path each goes to, extract, and
// OnFinished is raised once with what happened to each. Destinations come
// from the caller (the set's own records), never from the names in the
// archive, so a hostile name cannot steer a write.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/ZipFormat.h"
#include "backup/ZipReader.h"

namespace hm::backup {

struct UnzipEntryOutcome {
  std::string entryName;
  std::string destination;
  ZipResult result;
  // The bytes are back, but not all of the file's time and attributes.
  std::string warning;
};

struct UnzipReport {
  ZipResult archive;  // the archive itself could not be read when set
  std::vector<UnzipEntryOutcome> entries;
  bool ok() const;
};

class Unzipper {
 public:
  std::uint64_t maxEntrySize = ZipReader::kDefaultMaxEntrySize;
  // Raised once by every extract, whatever happened.
  std::function<void(const UnzipReport&)> OnFinished;

  void setArchivePath(std::string_view archivePath) { archivePath_ = std::string(archivePath); }
  // Selects the entry stored for the file at `windowsPath`, to go back there.
  // False when the path cannot be an entry name (not a full file path).
  bool selectFile(std::string_view windowsPath);
  // Selects an entry by its zip name, with the path its bytes go to.
  void select(std::string_view entryName, std::string_view destinationPath);
  void clearSelection() { selection_.clear(); }

  // Writes each selected entry that is in the archive and intact to its
  // destination (replacing a file of exactly that name, creating missing
  // folders), then gives it back the time and attributes the entry carries.
  UnzipReport extract();

 private:
  struct Selected {
    std::string entryName, destination;
  };
  std::string archivePath_;
  std::vector<Selected> selection_;
};

}  // namespace hm::backup
