// A registry held in memory: keys with case-insensitive names, subkeys kept
// in Windows name order, values in the order they were first set (or in name
// order, as Wine keeps them).
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hm::platform {

struct NamedValue {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
};

// The order names are kept and enumerated in: negative, zero or positive as
// the first sorts before, with or after the second (zero: the same name).
using NameOrder = int (*)(std::string_view, std::string_view);
// Windows' order: upper-cased, unit by unit, then the shorter first.
int WindowsNameOrder(std::string_view a, std::string_view b);

// Windows refuses keys nested deeper than this below a hive's root.
inline constexpr std::size_t kMaxKeyDepth = 512;

class RegistryKey {
 public:
  explicit RegistryKey(std::string name = {}, RegistryKey* parent = nullptr, bool sortedValues = false,
                       NameOrder nameOrder = WindowsNameOrder)
      : name_(std::move(name)), parent_(parent), sortedValues_(sortedValues), order_(nameOrder) {}
  // Tears the subtree down without recursing: trees may be nested very deep.
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  const std::string& name() const { return name_; }
  RegistryKey* parent() const { return parent_; }
  bool sortedValues() const { return sortedValues_; }
  NameOrder order() const { return order_; }

  // In name order.
  const std::vector<std::unique_ptr<RegistryKey>>& subkeys() const;
  RegistryKey* findSubkey(std::string_view name) const;
  // The named subkey, created when missing.
  RegistryKey& ensureSubkey(std::string_view name);
  // Follows a "\"-separated path; null when a component is missing.
  RegistryKey* findPath(std::string_view path);
  RegistryKey& ensurePath(std::string_view path);
  bool removeSubkey(std::string_view name);

  const std::vector<NamedValue>& values() const { return values_; }
  const NamedValue* findValue(std::string_view name) const;
  // Replaces a value of the same name in place, or adds it.
  void setValue(std::string_view name, std::uint32_t type, std::string data);
  bool deleteValue(std::string_view name);
  void clearValues() { values_.clear(); }

  // What the key's own line carries in a file of keys (class name, symbolic
  // link flag, time stamp); the in-memory registry does not interpret them
  // except `isLink`.
  std::string className;
  bool isLink = false;
  bool hasTimeStamp = false;
  std::int64_t timeStamp = 0;  // seconds as written on the key line
  std::string timeStampText;   // the #time= value as written, when present

  // Full path from the tree's root, without the root's own name.
  std::string path() const;
  // Levels below the tree's root (the root is 0).
  std::size_t depth() const;
  std::size_t valueCountDeep() const;

 private:
  struct ByName {
    using is_transparent = void;
    NameOrder order;
    bool operator()(const RegistryKey* a, const RegistryKey* b) const { return order(a->name_, b->name_) < 0; }
    bool operator()(const RegistryKey* a, std::string_view b) const { return order(a->name_, b) < 0; }
    bool operator()(std::string_view a, const RegistryKey* b) const { return order(a, b->name_) < 0; }
  };
  std::size_t lowerBoundSubkey(std::string_view name) const;
  void mergeUnsortedSubkeys() const;

  std::string name_;
  RegistryKey* parent_;
  bool sortedValues_;
  NameOrder order_;
  // The first `sortedSubkeys_` are in name order; keys added out of order
  // wait after them, found through `unsorted_`, until the next listing or
  // removal merges them in (one insertion into the middle costs a move of
  // every later key).
  mutable std::vector<std::unique_ptr<RegistryKey>> subkeys_;
  mutable std::size_t sortedSubkeys_ = 0;
  mutable std::unique_ptr<std::set<const RegistryKey*, ByName>> unsorted_;
  std::vector<NamedValue> values_;
};

}  // namespace hm::platform
