#include "common/ExistenceMemo.h"

#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm {

namespace {
ExistenceMemo* g_active = nullptr;
}

// Windows names match without regard to case: "C:\A.DLL" and "c:\a.dll" are one path.
void ExistenceMemo::fold(std::string_view path, std::string& key) {
  key.assign(path);
  bool ascii = true;
  for (char& c : key) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (!ascii) key = text::toUpper(path);
}

std::optional<platform::FindResult> ExistenceMemo::find(std::string_view path) {
  fold(path, key_);
  const auto it = answers_.find(key_);
  if (it == answers_.end()) return std::nullopt;
  return it->second;
}

void ExistenceMemo::remember(std::string_view path, platform::FindResult result) {
  if (answers_.size() >= kMaxPaths) answers_.clear();
  fold(path, key_);
  answers_.emplace(key_, result);
}

ExistenceMemoScope::ExistenceMemoScope() : previous_(g_active) {
  if (g_active != nullptr) return;
  g_active = &memo_;
  files_ = platform::machine().files;
  files_->holdSnapshot(true);
}

ExistenceMemoScope::~ExistenceMemoScope() {
  if (g_active != &memo_) return;
  g_active = previous_;
  files_->holdSnapshot(false);
}

ExistenceMemo* ActiveExistenceMemo() { return g_active; }

}  // namespace hm
