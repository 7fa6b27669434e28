// While a scan runs, the existence answer for each path is remembered:
// thousands of registrations name the same few files, and each distinct path
// need reach the file system only once per scan. Repair never runs inside a
// memo, so it always asks the file system again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/FileSystem.h"

namespace hm {

class ExistenceMemo {
 public:
  // Remembers at most this many paths; past it the memo starts afresh, so a
  // registry of millions of distinct paths cannot make it grow without end.
  static constexpr std::size_t kMaxPaths = 1u << 18;

  std::optional<platform::FindResult> find(std::string_view path);
  void remember(std::string_view path, platform::FindResult result);

 private:
  static void fold(std::string_view path, std::string& key);
  std::unordered_map<std::string, platform::FindResult> answers_;
  std::string key_;
};

// Installs a memo for the lifetime of the scope (nested scopes share the outer
// one), and holds the files port's snapshot meanwhile.
class ExistenceMemoScope {
 public:
  ExistenceMemoScope();
  ~ExistenceMemoScope();
  ExistenceMemoScope(const ExistenceMemoScope&) = delete;
  ExistenceMemoScope& operator=(const ExistenceMemoScope&) = delete;

 private:
  ExistenceMemo memo_;
  ExistenceMemo* previous_;
  platform::FileSystemPort* files_ = nullptr;  // holds a snapshot while the memo is active
};

// The memo of the running scan, or null.
ExistenceMemo* ActiveExistenceMemo();

}  // namespace hm
