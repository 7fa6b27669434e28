#include "platform/memory/RegistryTree.h"

#include <algorithm>

#include "platform/Text.h"

namespace hm::platform {

int WindowsNameOrder(std::string_view a, std::string_view b) {
  const auto c = text::compareNoCase(a, b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::size_t RegistryKey::lowerBoundSubkey(std::string_view name) const {
  const auto it = std::lower_bound(
      subkeys_.begin(), subkeys_.end(), name,
      [this](const std::unique_ptr<RegistryKey>& k, std::string_view n) { return order_(k->name(), n) < 0; });
  return static_cast<std::size_t>(it - subkeys_.begin());
}

RegistryKey* RegistryKey::findSubkey(std::string_view name) const {
  const std::size_t i = lowerBoundSubkey(name);
  if (i < subkeys_.size() && order_(subkeys_[i]->name(), name) == 0) return subkeys_[i].get();
  return nullptr;
}

RegistryKey& RegistryKey::ensureSubkey(std::string_view name) {
  const std::size_t i = lowerBoundSubkey(name);
  if (i < subkeys_.size() && order_(subkeys_[i]->name(), name) == 0) return *subkeys_[i];
  auto key = std::make_unique<RegistryKey>(std::string(name), this, sortedValues_, order_);
  auto& ref = *key;
  subkeys_.insert(subkeys_.begin() + static_cast<std::ptrdiff_t>(i), std::move(key));
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
  const std::size_t i = lowerBoundSubkey(name);
  if (i < subkeys_.size() && order_(subkeys_[i]->name(), name) == 0) {
    subkeys_.erase(subkeys_.begin() + static_cast<std::ptrdiff_t>(i));
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
  if (parent_ == nullptr) return {};
  const std::string up = parent_->path();
  return up.empty() ? name_ : up + "\\" + name_;
}

std::size_t RegistryKey::valueCountDeep() const {
  std::size_t n = values_.size();
  for (const auto& k : subkeys_) n += k->valueCountDeep();
  return n;
}

}  // namespace hm::platform
