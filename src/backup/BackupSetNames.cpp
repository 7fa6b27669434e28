#include "backup/BackupSetNames.h"

#include <cstdio>
#include <string_view>

#include "common/GenDec.h"
#include "common/Globals.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace hm::backup {

using platform::machine;

namespace {

bool exists(const std::string& path) { return machine().files->attributes(path).has_value(); }

bool isFolder(const std::string& path) {
  const auto attributes = machine().files->attributes(path);
  return attributes && (*attributes & platform::kAttrDirectory) != 0;
}

}  // namespace

std::string BackupFolder() { return GetPathWithSlash(machine().files->programFolder()) + "Backup\\"; }

std::string SecondsSinceMidnightText(const platform::LocalTime& t) {
  const float seconds =
      static_cast<float>(t.hour * 3600 + t.minute * 60 + t.second) + static_cast<float>(t.millisecond) / 1000.0f;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(seconds));
  std::string text(buffer);
  // The separator is always "." so that names do not depend on the locale.
  for (char& c : text)
    if (c == ',') c = '.';
  return text;
}

std::string BackupTimeText(const platform::LocalTime& t) {
  std::string text = std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
  if (t.hour == 0 && t.minute == 0 && t.second == 0) return text;
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char clock[32];
  std::snprintf(clock, sizeof clock, " %d:%02d:%02d %s", hour12, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
  return text + clock;
}

std::string UniqueBackupBaseName(const std::string& folder, const platform::LocalTime& t) {
  const std::string stem = folder + kProductName + "BK" + SecondsSinceMidnightText(t);
  std::string base = stem;
  for (int n = 2; exists(base + kDescriptionExtension) || exists(base + kArchiveExtension); ++n)
    base = stem + " (" + std::to_string(n) + ")";
  return base;
}

bool EnsureFolder(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  if (path.empty()) return false;
  if (isFolder(path)) return true;
  const std::size_t slash = path.rfind('\\');
  if (slash != std::string::npos && slash > 0) {
    const std::string parent = path.substr(0, slash);
    // A drive root ("C:") or a share root cannot be made; it must be there.
    if (parent.size() > 2 && parent.substr(0, 2) != "\\\\" && !EnsureFolder(parent)) return false;
  }
  machine().files->createFolder(path);
  return isFolder(path);
}

}  // namespace hm::backup
