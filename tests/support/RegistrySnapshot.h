// Every key and value below the machine roots, to tell whether a round trip
// (repair then restore, take out then put back) left the registry as it was.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace hm::test {

// key path -> value name -> (type, bytes).
using RegistrySnapshot = std::map<std::string, std::map<std::string, std::pair<std::uint32_t, std::string>>>;

// Both machine roots of the installed machine, keyed "HKLM\..." and "HKCU\...".
// Roots are opened by path, so a test registry that keeps them elsewhere is
// walked where it keeps them. A key that cannot be opened shows as a value
// named "<cannot open>".
RegistrySnapshot SnapshotRegistry();

}  // namespace hm::test
