#include "platform/SimplePorts.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/Text.h"

namespace hm::platform {

bool FixedDriveList::volumeInformation(std::string_view root) {
  if (root.empty()) return false;
  const char letter = static_cast<char>(root[0] & ~0x20);
  for (const auto& d : drives_)
    if ((d.letter & ~0x20) == letter) return d.ready;
  return false;
}

LocalTime SystemClock::now() {
  const auto tp = std::chrono::system_clock::now();
  const std::time_t tt = std::chrono::system_clock::to_time_t(tp);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &tt);
#else
  localtime_r(&tt, &tm);
#endif
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() % 1000;
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,          tm.tm_hour,
                   tm.tm_min,         tm.tm_sec,     static_cast<int>(ms)};
}

std::string SystemClock::formatTime(const LocalTime& t) {
  const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string SystemClock::formatShortDate(const LocalTime& t) {
  return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
}

namespace {
long long ReadMonotonicMilliseconds() {
#ifdef CLOCK_MONOTONIC_COARSE
  // The coarse clock (a few ms) is plenty for pacing the pump, and far cheaper.
  struct timespec now {};
  if (::clock_gettime(CLOCK_MONOTONIC_COARSE, &now) == 0)
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
#endif
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

long long CallbackPump::milliseconds() {
  if (step > 0) return fake_ += step;
  // Asked after every unit of work, most of which takes a microsecond or
  // less: while the clock reads the same, the next read waits twice as many
  // calls (up to kMaxReadStride); once it moves, every call reads it again.
  if (--callsUntilRead_ > 0) return lastRead_;
  const long long now = ReadMonotonicMilliseconds();
  readStride_ = now == lastRead_ ? std::min(readStride_ * 2, kMaxReadStride) : 1;
  callsUntilRead_ = readStride_;
  lastRead_ = now;
  return now;
}

std::optional<std::string> TableEnvironment::variable(std::string_view name) {
  for (const auto& [k, v] : variables)
    if (text::equalsNoCase(k, name)) return v;
  return std::nullopt;
}

int ScriptedDialogs::messageBox(std::string_view text, std::string_view title, unsigned flags) {
  shown.push_back(Shown{std::string(text), std::string(title), flags});
  if (onShow) onShow(shown.back());
  if (answers.empty()) return defaultAnswer;
  const int a = answers.front();
  answers.pop_front();
  return a;
}

}  // namespace hm::platform
