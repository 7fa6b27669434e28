// While a scan runs, the existence answer for each path is remembered:
// thousands of registrations name the same few files, and each distinct path
// need reach the file system only once per scan. Repair never runs inside a
// memo, so it always asks the file system again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace hm {

class ExistenceMemo {
 public:
  // Remembers at most this many paths (or this many bytes of them); past it
  // the memo starts afresh, so a registry of millions of distinct paths cannot
  // make it grow without end.
  static constexpr std::size_t kMaxPaths = 1u << 18;
  static constexpr std::size_t kMaxKeyBytes = std::size_t{64} << 20;

  std::optional<platform::FindResult> find(std::string_view path);
  void remember(std::string_view path, platform::FindResult result);
  // The same for the path the last find() was given and did not know: its
  // folded key is still at hand.
  void rememberMissed(std::string_view path, platform::FindResult result);

 private:
  // An open-addressing table over one buffer of folded keys. A 4-byte slot
  // holds the key's place in the buffer and 7 bits of its hash, so the table
  // stays small enough to keep in cache and a lookup reads one key; none
  // allocates. In the buffer each key follows its length and answer (a 4-byte
  // record starting at a multiple of 4).
  static constexpr std::uint32_t kMaxKeyLength = (1u << 24) - 1;

  void fold(std::string_view path);         // into key_ and hash_
  void store(platform::FindResult result);  // the answer for key_
  std::size_t probe() const;                // the slot holding key_, or the empty one where it belongs
  void clear();
  void grow();

  std::vector<std::uint32_t> slots_;  // tag << 25 | (offset / 4 + 1); 0 for an empty slot
  std::string keys_;
  std::size_t count_ = 0;
  std::string key_;
  std::uint64_t hash_ = 0;
  bool folded_ = false;  // key_ and hash_ hold the last path find() was given
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
