// The registry port over trees held in memory: HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER, and HKEY_CLASSES_ROOT shown as
// HKEY_LOCAL_MACHINE\Software\Classes (as Wine presents it). Symbolic-link
// keys are followed on open (the last one not by openKeyNoFollow).
#pragma once

#include <functional>
#include <vector>

#include "platform/Registry.h"
#include "platform/memory/RegistryTree.h"

namespace hm::platform {

class MemoryRegistry : public RegistryPort {
 public:
  // The trees are the caller's and must outlive this object. `userPath` names
  // HKEY_CURRENT_USER under \Registry\User (used to resolve links).
  MemoryRegistry(RegistryKey& localMachine, RegistryKey& currentUser, std::string userPath = {});

  // A registry that refuses every change (the prefix is in use elsewhere).
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
  void setPlatformId(std::uint32_t id) { platformId_ = id; }
  // Called after every successful change, with the key that changed (a new
  // key and then its parent when keys are created).
  std::function<void(RegistryKey& key)> onModified;

  std::int32_t openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
  std::int32_t openKeyNoFollow(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
  std::int32_t createKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
  std::int32_t closeKey(HKey key) override;
  std::int32_t enumKey(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity) override;
  std::int32_t enumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity, RegValue* value,
                         std::uint32_t dataCapacity) override;
  std::int32_t queryValueInfo(HKey key, std::string_view name, std::uint32_t& type, std::uint32_t& size) override;
  std::int32_t queryValue(HKey key, std::string_view name, RegValue& value) override;
  std::int32_t setValue(HKey key, std::string_view name, std::uint32_t type, std::string_view data) override;
  std::int32_t deleteValue(HKey key, std::string_view name) override;
  std::int32_t deleteKey(HKey parent, std::string_view subKey) override;
  std::uint32_t platformId() override { return platformId_; }

  std::size_t openHandleCount() const { return openHandles_; }
  // The key a path below a root or open key leads to, through links; null when missing.
  RegistryKey* findKey(HKey parent, std::string_view subKey);

 private:
  RegistryKey* resolve(HKey key) const;
  RegistryKey* followLinks(RegistryKey* key) const;
  enum class Walk { Open, OpenLinkItself, Create };
  RegistryKey* walk(RegistryKey* from, std::string_view path, Walk how);
  RegistryKey* lastEnumerated(RegistryKey* parent, std::string_view name) const;
  std::int32_t open(HKey parent, std::string_view subKey, Walk how, HKey& result);
  HKey newHandle(RegistryKey* key);
  // The slot an open handle names, or null for a closed or made-up one.
  struct HandleSlot {
    RegistryKey* key = nullptr;  // null once the key is deleted
    std::uint32_t generation = 0;
    bool open = false;
  };
  HandleSlot* slotOf(HKey key) const;
  void modified(RegistryKey* key);

  RegistryKey& localMachine_;
  RegistryKey& currentUser_;
  std::string userPath_;
  bool readOnly_ = false;
  std::uint32_t platformId_ = 2;
  // Open handles in a flat table: a handle is its slot's place with the
  // slot's generation above it, so a closed handle stays invalid after its
  // slot is taken again.
  mutable std::vector<HandleSlot> handleSlots_;
  std::vector<std::uint32_t> freeSlots_;
  std::size_t openHandles_ = 0;
  RegistryKey* lastEnumParent_ = nullptr;
  std::size_t lastEnumIndex_ = 0;
};

}  // namespace hm::platform
