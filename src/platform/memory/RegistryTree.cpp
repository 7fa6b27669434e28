#include "platform/memory/RegistryTree.h"

#include <algorithm>

#include "platform/Text.h"

namespace hm::platform {

int WindowsNameOrder(std::string_view a, std::string_view b) {
  const auto c = text::compareNoCase(a, b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

RegistryKey::~RegistryKey() {
  unsorted_.reset();
  std::vector<std::unique_ptr<RegistryKey>> doomed = std::move(subkeys_);
  while (!doomed.empty()) {
    std::unique_ptr<RegistryKey> key = std::move(doomed.back());
    doomed.pop_back();
    key->unsorted_.reset();
    for (auto& child : key->subkeys_) doomed.push_back(std::move(child));
    key->subkeys_.clear();
  }
}

std::size_t RegistryKey::lowerBoundSubkey(std::string_view name) const {
  const auto end = subkeys_.begin() + static_cast<std::ptrdiff_t>(sortedSubkeys_);
  const auto it = std::lower_bound(
      subkeys_.begin(), end, name,
      [this](const std::unique_ptr<RegistryKey>& k, std::string_view n) { return order_(k->name(), n) < 0; });
  return static_cast<std::size_t>(it - subkeys_.begin());
}

void RegistryKey::mergeUnsortedSubkeys() const {
  if (!unsorted_) return;
  const auto less = [this](const std::unique_ptr<RegistryKey>& a, const std::unique_ptr<RegistryKey>& b) {
    return order_(a->name(), b->name()) < 0;
  };
  const auto middle = subkeys_.begin() + static_cast<std::ptrdiff_t>(sortedSubkeys_);
  std::sort(middle, subkeys_.end(), less);
  std::inplace_merge(subkeys_.begin(), middle, subkeys_.end(), less);
  sortedSubkeys_ = subkeys_.size();
  unsorted_.reset();
}

const std::vector<std::unique_ptr<RegistryKey>>& RegistryKey::subkeys() const {
  mergeUnsortedSubkeys();
  return subkeys_;
}

RegistryKey* RegistryKey::findSubkey(std::string_view name) const {
  const std::size_t i = lowerBoundSubkey(name);
  if (i < sortedSubkeys_ && order_(subkeys_[i]->name(), name) == 0) return subkeys_[i].get();
  if (unsorted_) {
    const auto it = unsorted_->find(name);
    if (it != unsorted_->end()) return const_cast<RegistryKey*>(*it);
  }
  return nullptr;
}

RegistryKey& RegistryKey::ensureSubkey(std::string_view name) {
  if (RegistryKey* existing = findSubkey(name)) return *existing;
  auto key = std::make_unique<RegistryKey>(std::string(name), this, sortedValues_, order_);
  auto& ref = *key;
  const std::size_t i = lowerBoundSubkey(name);
  // Small lists and keys that come in order go straight to their place.
  constexpr std::size_t kShortList = 64;
  if (!unsorted_ && (i == subkeys_.size() || subkeys_.size() < kShortList)) {
    subkeys_.insert(subkeys_.begin() + static_cast<std::ptrdiff_t>(i), std::move(key));
    ++sortedSubkeys_;
    return ref;
  }
  if (!unsorted_) unsorted_ = std::make_unique<std::set<const RegistryKey*, ByName>>(ByName{order_});
  unsorted_->insert(&ref);
  subkeys_.push_back(std::move(key));
  return ref;
}

namespace {
template <class F>
void forEachComponent(std::string_view path, F&& f) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (!f(path.substr(start, end - start))) return;
    }
    start = end + 1;
  }
}
}  // namespace

RegistryKey* RegistryKey::findPath(std::string_view path) {
  RegistryKey* k = this;
  forEachComponent(path, [&](std::string_view c) {
    k = k->findSubkey(c);
    return k != nullptr;
  });
  return k;
}

RegistryKey& RegistryKey::ensurePath(std::string_view path) {
  RegistryKey* k = this;
  forEachComponent(path, [&](std::string_view c) {
    k = &k->ensureSubkey(c);
    return true;
  });
  return *k;
}

bool RegistryKey::removeSubkey(std::string_view name) {
  mergeUnsortedSubkeys();
  const std::size_t i = lowerBoundSubkey(name);
  if (i < subkeys_.size() && order_(subkeys_[i]->name(), name) == 0) {
    subkeys_.erase(subkeys_.begin() + static_cast<std::ptrdiff_t>(i));
    --sortedSubkeys_;
    return true;
  }
  return false;
}

const NamedValue* RegistryKey::findValue(std::string_view name) const {
  if (sortedValues_) {
    const auto it = std::lower_bound(values_.begin(), values_.end(), name,
                                     [this](const NamedValue& v, std::string_view n) { return order_(v.name, n) < 0; });
    if (it != values_.end() && order_(it->name, name) == 0) return &*it;
    return nullptr;
  }
  for (const auto& v : values_)
    if (order_(v.name, name) == 0) return &v;
  return nullptr;
}

void RegistryKey::setValue(std::string_view name, std::uint32_t type, std::string data) {
  if (auto* existing = const_cast<NamedValue*>(findValue(name))) {
    existing->type = type;
    existing->data = std::move(data);
    return;
  }
  NamedValue v{std::string(name), type, std::move(data)};
  if (sortedValues_) {
    const auto it = std::lower_bound(values_.begin(), values_.end(), name,
                                     [this](const NamedValue& x, std::string_view n) { return order_(x.name, n) < 0; });
    values_.insert(it, std::move(v));
  } else {
    values_.push_back(std::move(v));
  }
}

bool RegistryKey::deleteValue(std::string_view name) {
  const NamedValue* v = findValue(name);
  if (v == nullptr) return false;
  values_.erase(values_.begin() + (v - values_.data()));
  return true;
}

std::string RegistryKey::path() const {
  std::vector<const RegistryKey*> chain;
  for (const RegistryKey* k = this; k->parent_ != nullptr; k = k->parent_) chain.push_back(k);
  std::string out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty()) out += '\\';
    out += (*it)->name_;
  }
  return out;
}

std::size_t RegistryKey::depth() const {
  std::size_t n = 0;
  for (const RegistryKey* k = parent_; k != nullptr; k = k->parent_) ++n;
  return n;
}

std::size_t RegistryKey::valueCountDeep() const {
  std::size_t n = 0;
  std::vector<const RegistryKey*> pending{this};
  while (!pending.empty()) {
    const RegistryKey* k = pending.back();
    pending.pop_back();
    n += k->values_.size();
    for (const auto& child : k->subkeys_) pending.push_back(child.get());
  }
  return n;
}

}  // namespace hm::platform
