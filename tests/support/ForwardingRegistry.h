// A registry port that hands every call to another one; tests derive from it
// to refuse or watch a few calls.
#pragma once

#include "platform/Registry.h"

namespace hm::test {

class ForwardingRegistry : public platform::RegistryPort {
 public:
  explicit ForwardingRegistry(platform::RegistryPort& inner) : inner_(inner) {}
  std::int32_t openKey(platform::HKey p, std::string_view s, std::uint32_t a, platform::HKey& r) override {
    return inner_.openKey(p, s, a, r);
  }
  std::int32_t createKey(platform::HKey p, std::string_view s, std::uint32_t a, platform::HKey& r) override {
    return inner_.createKey(p, s, a, r);
  }
  std::int32_t closeKey(platform::HKey k) override { return inner_.closeKey(k); }
  std::int32_t enumKey(platform::HKey k, std::uint32_t i, std::string& n, std::uint32_t c) override {
    return inner_.enumKey(k, i, n, c);
  }
  std::int32_t enumValue(platform::HKey k, std::uint32_t i, std::string& n, std::uint32_t c, platform::RegValue* v,
                         std::uint32_t d) override {
    return inner_.enumValue(k, i, n, c, v, d);
  }
  std::int32_t queryValueInfo(platform::HKey k, std::string_view n, std::uint32_t& t, std::uint32_t& s) override {
    return inner_.queryValueInfo(k, n, t, s);
  }
  std::int32_t queryValue(platform::HKey k, std::string_view n, platform::RegValue& v) override {
    return inner_.queryValue(k, n, v);
  }
  std::int32_t setValue(platform::HKey k, std::string_view n, std::uint32_t t, std::string_view d) override {
    return inner_.setValue(k, n, t, d);
  }
  std::int32_t deleteValue(platform::HKey k, std::string_view n) override { return inner_.deleteValue(k, n); }
  std::int32_t deleteKey(platform::HKey p, std::string_view s) override { return inner_.deleteKey(p, s); }
  std::uint32_t platformId() override { return inner_.platformId(); }

 protected:
  platform::RegistryPort& inner_;
};

// The machine-wide keys as a process without elevation sees them: they open
// for reading only.
class NotElevatedRegistry : public ForwardingRegistry {
 public:
  using ForwardingRegistry::ForwardingRegistry;
  std::int32_t openKey(platform::HKey p, std::string_view s, std::uint32_t a, platform::HKey& r) override {
    if (p == platform::rootHandle(platform::kHkeyLocalMachine) && (a & ~platform::kKeyRead) != 0) {
      r = 0;
      return platform::kAccessDenied;
    }
    return inner_.openKey(p, s, a, r);
  }
  std::int32_t deleteKey(platform::HKey p, std::string_view s) override {
    if (p == platform::rootHandle(platform::kHkeyLocalMachine)) return platform::kAccessDenied;
    return inner_.deleteKey(p, s);
  }
};

// Elevated or not, the machine-wide keys refuse every write.
class RefusingRegistry : public NotElevatedRegistry {
 public:
  using NotElevatedRegistry::NotElevatedRegistry;
  std::int32_t createKey(platform::HKey p, std::string_view s, std::uint32_t a, platform::HKey& r) override {
    if (p == platform::rootHandle(platform::kHkeyLocalMachine)) {
      r = 0;
      return platform::kAccessDenied;
    }
    return inner_.createKey(p, s, a, r);
  }
};

}  // namespace hm::test
