#include "platform/wineprefix/WineHiveFile.h"

#include <fstream>
#include <sstream>

#include "platform/wineprefix/AtomicFile.h"
#include "platform/wineprefix/WineServerLock.h"

namespace hm::platform {
namespace {

bool readWhole(const std::filesystem::path& file, std::string& text) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  text = std::move(buffer).str();
  return true;
}

}  // namespace

bool loadWineHive(const std::filesystem::path& file, WineRegistryFile& out, std::string& error) {
  std::string text;
  if (!readWhole(file, text)) {
    error = "Could not read " + file.string() + ".";
    return false;
  }
  WineRegistryParseResult parsed = parseWineRegistry(text, file.string());
  if (!parsed.ok) {
    error = std::move(parsed.error);
    return false;
  }
  out = std::move(parsed.file);
  return true;
}

WineHiveSave saveWineHive(const std::filesystem::path& prefix, const std::filesystem::path& file,
                          const WineRegistryFile& hive, std::string& error) {
  int pid = 0;
  if (wineServerRunning(prefix, &pid)) {
    error = wineServerRunningMessage(prefix, pid);
    return WineHiveSave::Refused;
  }
  const std::string text = writeWineRegistry(hive);
  std::string current;
  if (readWhole(file, current) && current == text) return WineHiveSave::Unchanged;
  if (!replaceFileAtomically(file, text, error)) return WineHiveSave::Refused;
  return WineHiveSave::Written;
}

}  // namespace hm::platform
