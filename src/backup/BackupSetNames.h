// Where a backup set lives and what it is called: the Backup folder beside
// the program, the base name from the time of day, and the header's time text.
#pragma once

#include <string>

#include "platform/System.h"

namespace hm::backup {

inline constexpr const char* kBackupInfoSection = "Backup Info";
inline constexpr const char* kRestoreSectionPrefix = "Restore: ";
inline constexpr const char* kDescriptionExtension = ".bkp";
inline constexpr const char* kArchiveExtension = ".zip";

// The program folder followed by "Backup\".
std::string BackupFolder();

// Seconds since midnight with their fraction, as a single-precision number in
// its shortest text of up to 7 significant digits ("45296.31", "0").
std::string SecondsSinceMidnightText(const platform::LocalTime& t);

// "12/8/2005 3:45:12 PM", or the date alone at midnight. Always this form,
// whatever the locale, so the chooser can read every set back.
std::string BackupTimeText(const platform::LocalTime& t);

// Folder + "HivemendBK" + seconds since midnight, with " (2)", " (3)"...
// added while a description file or archive of that name exists, so a new set
// never writes into an older one.
std::string UniqueBackupBaseName(const std::string& folder, const platform::LocalTime& t);

// Creates the folder (and any missing parent). False when it is not there afterwards.
bool EnsureFolder(const std::string& folder);

}  // namespace hm::backup
