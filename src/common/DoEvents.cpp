#include "common/DoEvents.h"

#include "platform/Machine.h"

namespace hm {
namespace {
long long g_lastPump = -1'000'000;
}

void DoEvents() {
  auto* pump = platform::machine().pump;
  if (pump == nullptr) return;
  const long long now = pump->milliseconds();
  // A clock that went back belongs to another pump: pump now.
  if (now >= g_lastPump && now - g_lastPump < kPumpIntervalMs) return;
  g_lastPump = now;
  pump->pump();
}

void DoEventsNow() {
  auto* pump = platform::machine().pump;
  if (pump == nullptr) return;
  g_lastPump = pump->milliseconds();
  pump->pump();
}

}  // namespace hm
