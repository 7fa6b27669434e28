#include "platform/memory/MemoryRegistry.h"

#include <stdexcept>

#include "platform/Text.h"

namespace hm::platform {
namespace {
// The keys a path names ("a\\b\\c" names three).
std::size_t pathDepth(std::string_view path) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (path[i] != '\\' && (i == 0 || path[i - 1] == '\\')) ++n;
  return n;
}
}  // namespace

MemoryRegistry::MemoryRegistry(RegistryKey& localMachine, RegistryKey& currentUser, std::string userPath)
    : localMachine_(localMachine), currentUser_(currentUser), userPath_(std::move(userPath)) {
  localMachine_.ensurePath("Software\\Classes");
}

RegistryKey* MemoryRegistry::resolve(HKey key) const {
  switch (key) {
    case 0x80000000u:
      return localMachine_.findPath("Software\\Classes");
    case 0x80000001u:
      return &currentUser_;
    case 0x80000002u:
      return &localMachine_;
    default:
      break;
  }
  const HandleSlot* slot = slotOf(key);
  return slot == nullptr ? nullptr : slot->key;
}

namespace {
constexpr HKey kFirstHandle = 0x1000;
}

MemoryRegistry::HandleSlot* MemoryRegistry::slotOf(HKey key) const {
  const auto generation = static_cast<std::uint32_t>(key >> 32);
  const auto low = static_cast<std::uint32_t>(key);
  if (generation == 0 || low < kFirstHandle || (low - kFirstHandle) % 4 != 0) return nullptr;
  const std::size_t index = (low - kFirstHandle) / 4;
  if (index >= handleSlots_.size()) return nullptr;
  HandleSlot& slot = handleSlots_[index];
  return slot.open && slot.generation == generation ? &slot : nullptr;
}

// A link key's target is a native path such as \Registry\Machine\System\ControlSet001.
RegistryKey* MemoryRegistry::followLinks(RegistryKey* key) const {
  for (int depth = 0; key != nullptr && key->isLink && depth < 16; ++depth) {
    const NamedValue* v = key->findValue("SymbolicLinkValue");
    if (v == nullptr) return nullptr;
    const std::string target = text::fromUtf16Bytes(v->data);
    constexpr std::string_view kMachine = "\\Registry\\Machine";
    constexpr std::string_view kUser = "\\Registry\\User\\";
    if (text::findNoCase(target, kMachine) == 0 &&
        (target.size() == kMachine.size() || target[kMachine.size()] == '\\')) {
      key = localMachine_.findPath(std::string_view(target).substr(kMachine.size()));
    } else if (const std::string user = std::string(kUser) + userPath_;
               !userPath_.empty() && text::findNoCase(target, user) == 0 &&
               (target.size() == user.size() || target[user.size()] == '\\')) {
      key = currentUser_.findPath(std::string_view(target).substr(kUser.size() + userPath_.size()));
    } else {
      return nullptr;
    }
  }
  return (key != nullptr && key->isLink) ? nullptr : key;
}

RegistryKey* MemoryRegistry::walk(RegistryKey* from, std::string_view path, Walk how) {
  RegistryKey* k = from;
  std::size_t start = 0;
  while (k != nullptr && start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    if (part.size() > 255 && text::utf16Length(part) > 255) return nullptr;  // never more units than bytes
    RegistryKey* next = lastEnumerated(k, part);
    if (next == nullptr) next = k->findSubkey(part);
    if (next == nullptr) {
      if (how != Walk::Create || k->depth() + pathDepth(path.substr(end)) + 1 > kMaxKeyDepth) return nullptr;
      next = &k->ensureSubkey(part);
    }
    const bool last = path.find_first_not_of('\\', end) == std::string_view::npos;
    k = next->isLink && !(last && how == Walk::OpenLinkItself) ? followLinks(next) : next;
  }
  return k;
}

// A walk opens each subkey right after listing it: the name it was listed
// under leads straight to it, without a search among its siblings.
RegistryKey* MemoryRegistry::lastEnumerated(RegistryKey* parent, std::string_view name) const {
  if (parent != lastEnumParent_) return nullptr;
  const auto& subkeys = parent->subkeys();
  if (lastEnumIndex_ >= subkeys.size() || subkeys[lastEnumIndex_]->name() != name) return nullptr;
  return subkeys[lastEnumIndex_].get();
}

RegistryKey* MemoryRegistry::findKey(HKey parent, std::string_view subKey) {
  RegistryKey* from = resolve(parent);
  return from == nullptr ? nullptr : walk(from, subKey, Walk::Open);
}

HKey MemoryRegistry::newHandle(RegistryKey* key) {
  std::size_t index = 0;
  if (!freeSlots_.empty()) {
    index = freeSlots_.back();
    freeSlots_.pop_back();
  } else {
    if (handleSlots_.size() >= (0xFFFFFFFFu - kFirstHandle) / 4) throw std::length_error("too many open keys");
    index = handleSlots_.size();
    handleSlots_.emplace_back();
  }
  HandleSlot& slot = handleSlots_[index];
  if (++slot.generation == 0) slot.generation = 1;
  slot.key = key;
  slot.open = true;
  ++openHandles_;
  return HKey{slot.generation} << 32 | (kFirstHandle + 4 * index);
}

void MemoryRegistry::modified(RegistryKey* key) {
  if (onModified) onModified(*key);
}

std::int32_t MemoryRegistry::open(HKey parent, std::string_view subKey, Walk how, HKey& result) {
  result = 0;
  RegistryKey* from = resolve(parent);
  if (from == nullptr) return parent == 0 ? kInvalidHandle : kFileNotFound;
  RegistryKey* k = walk(from, subKey, how);
  if (k == nullptr) return kFileNotFound;
  result = newHandle(k);
  return kSuccess;
}

std::int32_t MemoryRegistry::openKey(HKey parent, std::string_view subKey, std::uint32_t, HKey& result) {
  return open(parent, subKey, Walk::Open, result);
}

std::int32_t MemoryRegistry::openKeyNoFollow(HKey parent, std::string_view subKey, std::uint32_t, HKey& result) {
  return open(parent, subKey, Walk::OpenLinkItself, result);
}

std::int32_t MemoryRegistry::createKey(HKey parent, std::string_view subKey, std::uint32_t, HKey& result) {
  result = 0;
  RegistryKey* from = resolve(parent);
  if (from == nullptr) return kInvalidHandle;
  if (RegistryKey* existing = walk(from, subKey, Walk::Open)) {
    result = newHandle(existing);
    return kSuccess;
  }
  if (readOnly_) return kAccessDenied;
  RegistryKey* k = walk(from, subKey, Walk::Create);
  if (k == nullptr) return kInvalidParameter;
  // Every key the path created, and the parent that gained the first of them.
  for (RegistryKey* c = k; c != nullptr && c != from; c = c->parent()) modified(c);
  modified(from);
  result = newHandle(k);
  return kSuccess;
}

std::int32_t MemoryRegistry::closeKey(HKey key) {
  if (isPredefinedRoot(key)) return kSuccess;
  HandleSlot* slot = slotOf(key);
  if (slot == nullptr) return kInvalidHandle;
  slot->open = false;
  slot->key = nullptr;
  freeSlots_.push_back(static_cast<std::uint32_t>(slot - handleSlots_.data()));
  --openHandles_;
  return kSuccess;
}

std::int32_t MemoryRegistry::enumKey(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity) {
  RegistryKey* k = resolve(key);
  if (k == nullptr) return kInvalidHandle;
  if (index >= k->subkeys().size()) return kNoMoreItems;
  lastEnumParent_ = k;
  lastEnumIndex_ = index;
  const std::string& n = k->subkeys()[index]->name();
  // No UTF-8 sequence is longer than three bytes a UTF-16 unit: a long name
  // is settled by its size, without reading it (a small buffer asks only
  // whether there is a key at all).
  if (n.size() >= nameCapacity && (n.size() >= std::size_t{3} * nameCapacity || text::utf16Length(n) >= nameCapacity))
    return kMoreData;
  name = n;
  return kSuccess;
}

std::int32_t MemoryRegistry::enumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameCapacity,
                                       RegValue* value, std::uint32_t dataCapacity) {
  RegistryKey* k = resolve(key);
  if (k == nullptr) return kInvalidHandle;
  if (index >= k->values().size()) return kNoMoreItems;
  const NamedValue& v = k->values()[index];
  if (v.name.size() >= nameCapacity && text::utf16Length(v.name) >= nameCapacity) return kMoreData;
  if (value != nullptr && v.data.size() > dataCapacity) return kMoreData;
  name = v.name;
  if (value != nullptr) {
    value->type = v.type;
    value->data = v.data;
  }
  return kSuccess;
}

std::int32_t MemoryRegistry::queryValueInfo(HKey key, std::string_view name, std::uint32_t& type, std::uint32_t& size) {
  RegistryKey* k = resolve(key);
  if (k == nullptr) return kInvalidHandle;
  const NamedValue* v = k->findValue(name);
  if (v == nullptr) return kFileNotFound;
  type = v->type;
  size = static_cast<std::uint32_t>(v->data.size());
  return kSuccess;
}

std::int32_t MemoryRegistry::queryValue(HKey key, std::string_view name, RegValue& value) {
  RegistryKey* k = resolve(key);
  if (k == nullptr) return kInvalidHandle;
  const NamedValue* v = k->findValue(name);
  if (v == nullptr) return kFileNotFound;
  value.type = v->type;
  value.data = v->data;
  return kSuccess;
}

std::int32_t MemoryRegistry::setValue(HKey key, std::string_view name, std::uint32_t type, std::string_view data) {
  RegistryKey* k = resolve(key);
  if (k == nullptr) return kInvalidHandle;
  if (readOnly_) return kAccessDenied;
  if (text::utf16Length(name) > 16383) return kInvalidParameter;
  k->setValue(name, type, std::string(data));
  modified(k);
  return kSuccess;
}

std::int32_t MemoryRegistry::deleteValue(HKey key, std::string_view name) {
  RegistryKey* k = resolve(key);
  if (k == nullptr) return kInvalidHandle;
  if (readOnly_) return kAccessDenied;
  if (!k->deleteValue(name)) return kFileNotFound;
  modified(k);
  return kSuccess;
}

std::int32_t MemoryRegistry::deleteKey(HKey parent, std::string_view subKey) {
  RegistryKey* from = resolve(parent);
  if (from == nullptr) return kInvalidHandle;
  RegistryKey* k = walk(from, subKey, Walk::Open);
  if (k == nullptr) return kFileNotFound;
  RegistryKey* owner = k->parent();
  // Neither a root nor a key with subkeys goes.
  if (owner == nullptr || (k == from && isPredefinedRoot(parent)) || !k->subkeys().empty() || readOnly_)
    return kAccessDenied;
  // Handles still open on the key lead nowhere from now on.
  for (HandleSlot& slot : handleSlots_)
    if (slot.key == k) slot.key = nullptr;
  if (lastEnumParent_ == k) lastEnumParent_ = nullptr;
  owner->removeSubkey(std::string(k->name()));
  modified(owner);
  return kSuccess;
}

}  // namespace hm::platform
