// Writes one backup set as repair goes: the description file's header and
// one record per repaired row, and the archive of the shortcut files removed.
// Every write is checked, so repair can stop before deleting anything that
// the set does not hold.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/Zipper.h"
#include "platform/Controls.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "shell/IniFile.h"

namespace hm::backup {

class BackupSetWriter {
 public:
  // Chooses the set's base name in `folder` for the moment repair was
  // confirmed and points the zipper at the archive. Nothing is written yet.
  BackupSetWriter(const std::string& folder, const platform::LocalTime& confirmedAt);
  // The zipper's handler refers to this object.
  BackupSetWriter(const BackupSetWriter&) = delete;
  BackupSetWriter& operator=(const BackupSetWriter&) = delete;

  const std::string& baseName() const { return baseName_; }
  std::string descriptionPath() const { return baseName_ + ".bkp"; }
  std::string archivePath() const { return baseName_ + ".zip"; }

  // Creates the folder when missing and writes the "Backup Info" header,
  // which says the records carry the mark. False, with `error()` set, when either fails.
  bool writeHeader(const platform::LocalTime& began);

  // Writes section "Restore: n" in one write: the row's cells under the
  // column headers, the hex of a name the text cannot hold, the value's type
  // and data when it existed, and the mark. False when it could not be
  // written (also when the file would grow past what can be read back).
  bool writeRecord(std::size_t rowNumber, const std::vector<std::string>& headers, const platform::RowCells& cells,
                   const std::optional<platform::RegValue>& value);

  // Stores the file in the archive; once it is safely there, Finished
  // deletes it (xzipper1_Finished). False when the archive could not be written.
  bool archiveThenDelete(std::string_view filePath);

  const std::string& error() const { return error_; }
  Zipper& zipper() { return xzipper1_; }

 private:
  std::string folder_;
  std::string baseName_;
  shell::cInifile description_;
  Zipper xzipper1_;
  std::string error_;
};

// The raw bytes as lowercase hex, two digits per byte.
std::string HexBytes(std::string_view bytes);

// The zipper's Finished handler: deletes the file named in its Tag; a
// failure is logged under "xzipper1_Finished" and the file stays.
void xzipper1_Finished(const Zipper& xzipper1);

}  // namespace hm::backup
