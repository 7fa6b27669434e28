#include "backup/BackupSetTime.h"

#include <cctype>
#include <cstdio>

namespace hm::backup {
namespace {

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads 1 to `maxDigits` digits at `at`.
bool readNumber(std::string_view s, std::size_t& at, std::size_t maxDigits, int& out) {
  std::size_t digits = 0;
  out = 0;
  while (at < s.size() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(s[at]))) {
    out = out * 10 + (s[at++] - '0');
    ++digits;
  }
  return digits > 0;
}

bool expect(std::string_view s, std::size_t& at, char c) {
  if (at >= s.size() || s[at] != c) return false;
  ++at;
  return true;
}

void skipBlanks(std::string_view s, std::size_t& at) {
  while (at < s.size() && s[at] == ' ') ++at;
}

}  // namespace

std::optional<platform::LocalTime> ParseBackupTime(std::string_view s) {
  platform::LocalTime t;
  std::size_t at = 0;
  skipBlanks(s, at);
  if (!readNumber(s, at, 2, t.month) || !expect(s, at, '/') || !readNumber(s, at, 2, t.day) || !expect(s, at, '/') ||
      !readNumber(s, at, 4, t.year))
    return std::nullopt;
  if (t.year < 100 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysInMonth(t.year, t.month))
    return std::nullopt;
  skipBlanks(s, at);
  if (at == s.size()) return t;  // midnight: the date alone

  if (!readNumber(s, at, 2, t.hour) || !expect(s, at, ':') || !readNumber(s, at, 2, t.minute)) return std::nullopt;
  if (at < s.size() && s[at] == ':' && (++at, !readNumber(s, at, 2, t.second))) return std::nullopt;
  skipBlanks(s, at);
  const std::string_view rest = s.substr(at);
  const auto is = [&](const char* marker) {
    return rest.size() == 2 && std::toupper(static_cast<unsigned char>(rest[0])) == marker[0] &&
           std::toupper(static_cast<unsigned char>(rest[1])) == marker[1];
  };
  if (t.minute > 59 || t.second > 59) return std::nullopt;
  if (rest.empty()) {
    if (t.hour > 23) return std::nullopt;
  } else if (is("AM") || is("PM")) {
    if (t.hour < 1 || t.hour > 12) return std::nullopt;
    t.hour = t.hour % 12 + (is("PM") ? 12 : 0);
  } else {
    return std::nullopt;
  }
  return t;
}

std::string FormatChooserDate(const platform::LocalTime& t) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %02d, %04d at %02d:%02d:%02d %s", kMonths[(t.month + 11) % 12], t.day, t.year,
                hour12, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string FormatChooserSortKey(const platform::LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

}  // namespace hm::backup
