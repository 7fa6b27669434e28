#include "platform/Machine.h"

#include <stdexcept>

namespace hm::platform {
namespace {
Machine* g_current = nullptr;
}

Machine& machine() {
  if (g_current == nullptr) throw std::logic_error("no machine installed");
  return *g_current;
}

ShellPort& shell() {
  ShellPort* port = machine().shell;
  if (port == nullptr) throw std::logic_error("no shell port installed");
  return *port;
}

MachineScope::MachineScope(Machine& m) : previous_(g_current) { g_current = &m; }
MachineScope::~MachineScope() { g_current = previous_; }

}  // namespace hm::platform
