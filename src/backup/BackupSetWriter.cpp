#include "backup/BackupSetWriter.h"

#include "backup/BackupSetNames.h"
#include "backup/BackupSetRecords.h"
#include "common/ErrorLog.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm::backup {

using platform::machine;

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}

void xzipper1_Finished(const Zipper& xzipper1) {
  try {
    if (!machine().files->deleteFile(xzipper1.Tag)) Raise(kErrPathAccess);
  } catch (...) {
    LogError("xzipper1_Finished");
  }
}

BackupSetWriter::BackupSetWriter(const std::string& folder, const platform::LocalTime& confirmedAt)
    : folder_(folder), baseName_(UniqueBackupBaseName(folder, confirmedAt)) {
  xzipper1_.prepare(archivePath());
  xzipper1_.Finished = [this] { xzipper1_Finished(xzipper1_); };
}

bool BackupSetWriter::writeHeader(const platform::LocalTime& began) {
  if (!EnsureFolder(folder_)) {
    error_ = "The folder " + folder_ + " could not be created.";
    return false;
  }
  description_.setPath(descriptionPath());
  description_.setSection(kBackupInfoSection);
  description_.setValues({{"Time", BackupTimeText(began)}, {kCompleteMarksKey, kMarkValue}});
  if (!description_.success()) {
    error_ = "The file " + descriptionPath() + " could not be written.";
    return false;
  }
  return true;
}

bool BackupSetWriter::writeRecord(std::size_t rowNumber, const std::vector<std::string>& headers,
                                  const platform::RowCells& cells, const std::optional<platform::RegValue>& value) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t column = 0; column < headers.size(); ++column)
    entries.emplace_back(headers[column], column < cells.size() ? cells[column] : std::string_view());
  for (std::size_t column = 0; column < headers.size(); ++column) {
    const std::string& cell = entries[column].second;
    if (shell::cInifile::holdsExactly(cell)) continue;
    if (text::equalsNoCase(headers[column], "KeyName")) entries.emplace_back(kKeyNameHexKey, HexBytes(cell));
    if (text::equalsNoCase(headers[column], "FullKeyPath")) entries.emplace_back(kKeyPathHexKey, HexBytes(cell));
  }
  if (value) {
    entries.emplace_back("ValueType", std::to_string(value->type));
    entries.emplace_back("ValueData", HexBytes(value->data));
  }
  // One write holds the whole record and ends with the mark, so a repair
  // killed while writing leaves a record restore knows to ignore.
  entries.emplace_back(kCompleteKey, kMarkValue);
  description_.setSection(kRestoreSectionPrefix + std::to_string(rowNumber));
  description_.setValues(entries);
  if (description_.success()) return true;
  error_ = "The record of row " + std::to_string(rowNumber) + " could not be written to " + descriptionPath() + ".";
  return false;
}

bool BackupSetWriter::archiveThenDelete(std::string_view filePath) {
  xzipper1_.Tag = std::string(filePath);
  ZipResult result = xzipper1_.addFile(filePath);
  if (result.ok()) result = xzipper1_.writeArchive();
  if (!result.ok()) {
    error_ =
        "The file " + std::string(filePath) + " could not be stored in " + archivePath() + " (" + result.error + ").";
    return false;
  }
  return true;
}

}  // namespace hm::backup
