#include "platform/wineprefix/WineNameOrder.h"

#include <array>
#include <cstdint>
#include <string>

#include "platform/Text.h"

namespace hm::platform {
namespace {

struct CaseRun {
  char16_t first, last;
  std::int32_t delta;
  std::int32_t step;  // 1: every unit in the range, 2: every other one
};

// Generated from the lower-case table of Wine 8's l_intl.nls.
constexpr CaseRun kLowerRuns[] = {
    {0x0041, 0x005a, 32, 1},     {0x00c0, 0x00d6, 32, 1},     {0x00d8, 0x00de, 32, 1},     {0x0100, 0x012e, 1, 2},
    {0x0132, 0x0136, 1, 2},      {0x0139, 0x0147, 1, 2},      {0x014a, 0x0176, 1, 2},      {0x0178, 0x0178, -121, 1},
    {0x0179, 0x017d, 1, 2},      {0x0181, 0x0181, 210, 1},    {0x0182, 0x0184, 1, 2},      {0x0186, 0x0186, 206, 1},
    {0x0187, 0x0187, 1, 1},      {0x0189, 0x018a, 205, 1},    {0x018b, 0x018b, 1, 1},      {0x018e, 0x018e, 79, 1},
    {0x018f, 0x018f, 202, 1},    {0x0190, 0x0190, 203, 1},    {0x0191, 0x0191, 1, 1},      {0x0193, 0x0193, 205, 1},
    {0x0194, 0x0194, 207, 1},    {0x0196, 0x0196, 211, 1},    {0x0197, 0x0197, 209, 1},    {0x0198, 0x0198, 1, 1},
    {0x019c, 0x019c, 211, 1},    {0x019d, 0x019d, 213, 1},    {0x019f, 0x019f, 214, 1},    {0x01a0, 0x01a4, 1, 2},
    {0x01a6, 0x01a6, 218, 1},    {0x01a7, 0x01a7, 1, 1},      {0x01a9, 0x01a9, 218, 1},    {0x01ac, 0x01ac, 1, 1},
    {0x01ae, 0x01ae, 218, 1},    {0x01af, 0x01af, 1, 1},      {0x01b1, 0x01b2, 217, 1},    {0x01b3, 0x01b5, 1, 2},
    {0x01b7, 0x01b7, 219, 1},    {0x01b8, 0x01b8, 1, 1},      {0x01bc, 0x01bc, 1, 1},      {0x01c4, 0x01c4, 2, 1},
    {0x01c7, 0x01c7, 2, 1},      {0x01ca, 0x01ca, 2, 1},      {0x01cd, 0x01db, 1, 2},      {0x01de, 0x01ee, 1, 2},
    {0x01f1, 0x01f1, 2, 1},      {0x01f4, 0x01f4, 1, 1},      {0x01f6, 0x01f6, -97, 1},    {0x01f7, 0x01f7, -56, 1},
    {0x01f8, 0x021e, 1, 2},      {0x0220, 0x0220, -130, 1},   {0x0222, 0x0232, 1, 2},      {0x023a, 0x023a, 10795, 1},
    {0x023b, 0x023b, 1, 1},      {0x023d, 0x023d, -163, 1},   {0x023e, 0x023e, 10792, 1},  {0x0241, 0x0241, 1, 1},
    {0x0243, 0x0243, -195, 1},   {0x0244, 0x0244, 69, 1},     {0x0245, 0x0245, 71, 1},     {0x0246, 0x024e, 1, 2},
    {0x0370, 0x0372, 1, 2},      {0x0376, 0x0376, 1, 1},      {0x037f, 0x037f, 116, 1},    {0x0386, 0x0386, 38, 1},
    {0x0388, 0x038a, 37, 1},     {0x038c, 0x038c, 64, 1},     {0x038e, 0x038f, 63, 1},     {0x0391, 0x03a1, 32, 1},
    {0x03a3, 0x03ab, 32, 1},     {0x03cf, 0x03cf, 8, 1},      {0x03d8, 0x03ee, 1, 2},      {0x03f7, 0x03f7, 1, 1},
    {0x03f9, 0x03f9, -7, 1},     {0x03fa, 0x03fa, 1, 1},      {0x03fd, 0x03ff, -130, 1},   {0x0400, 0x040f, 80, 1},
    {0x0410, 0x042f, 32, 1},     {0x0460, 0x0480, 1, 2},      {0x048a, 0x04be, 1, 2},      {0x04c0, 0x04c0, 15, 1},
    {0x04c1, 0x04cd, 1, 2},      {0x04d0, 0x052e, 1, 2},      {0x0531, 0x0556, 48, 1},     {0x10a0, 0x10c5, 7264, 1},
    {0x10c7, 0x10c7, 7264, 1},   {0x10cd, 0x10cd, 7264, 1},   {0x13a0, 0x13ef, 38864, 1},  {0x13f0, 0x13f5, 8, 1},
    {0x1c90, 0x1cba, -3008, 1},  {0x1cbd, 0x1cbf, -3008, 1},  {0x1e00, 0x1e94, 1, 2},      {0x1ea0, 0x1efe, 1, 2},
    {0x1f08, 0x1f0f, -8, 1},     {0x1f18, 0x1f1d, -8, 1},     {0x1f28, 0x1f2f, -8, 1},     {0x1f38, 0x1f3f, -8, 1},
    {0x1f48, 0x1f4d, -8, 1},     {0x1f59, 0x1f5f, -8, 2},     {0x1f68, 0x1f6f, -8, 1},     {0x1f88, 0x1f8f, -8, 1},
    {0x1f98, 0x1f9f, -8, 1},     {0x1fa8, 0x1faf, -8, 1},     {0x1fb8, 0x1fb9, -8, 1},     {0x1fba, 0x1fbb, -74, 1},
    {0x1fbc, 0x1fbc, -9, 1},     {0x1fc8, 0x1fcb, -86, 1},    {0x1fcc, 0x1fcc, -9, 1},     {0x1fd8, 0x1fd9, -8, 1},
    {0x1fda, 0x1fdb, -100, 1},   {0x1fe8, 0x1fe9, -8, 1},     {0x1fea, 0x1feb, -112, 1},   {0x1fec, 0x1fec, -7, 1},
    {0x1ff8, 0x1ff9, -128, 1},   {0x1ffa, 0x1ffb, -126, 1},   {0x1ffc, 0x1ffc, -9, 1},     {0x2132, 0x2132, 28, 1},
    {0x2160, 0x216f, 16, 1},     {0x2183, 0x2183, 1, 1},      {0x24b6, 0x24cf, 26, 1},     {0x2c00, 0x2c2f, 48, 1},
    {0x2c60, 0x2c60, 1, 1},      {0x2c62, 0x2c62, -10743, 1}, {0x2c63, 0x2c63, -3814, 1},  {0x2c64, 0x2c64, -10727, 1},
    {0x2c67, 0x2c6b, 1, 2},      {0x2c6d, 0x2c6d, -10780, 1}, {0x2c6e, 0x2c6e, -10749, 1}, {0x2c6f, 0x2c6f, -10783, 1},
    {0x2c70, 0x2c70, -10782, 1}, {0x2c72, 0x2c72, 1, 1},      {0x2c75, 0x2c75, 1, 1},      {0x2c7e, 0x2c7f, -10815, 1},
    {0x2c80, 0x2ce2, 1, 2},      {0x2ceb, 0x2ced, 1, 2},      {0x2cf2, 0x2cf2, 1, 1},      {0xa640, 0xa66c, 1, 2},
    {0xa680, 0xa69a, 1, 2},      {0xa722, 0xa72e, 1, 2},      {0xa732, 0xa76e, 1, 2},      {0xa779, 0xa77b, 1, 2},
    {0xa77d, 0xa77d, -35332, 1}, {0xa77e, 0xa786, 1, 2},      {0xa78b, 0xa78b, 1, 1},      {0xa78d, 0xa78d, -42280, 1},
    {0xa790, 0xa792, 1, 2},      {0xa796, 0xa7a8, 1, 2},      {0xa7aa, 0xa7aa, -42308, 1}, {0xa7ab, 0xa7ab, -42319, 1},
    {0xa7ac, 0xa7ac, -42315, 1}, {0xa7ad, 0xa7ad, -42305, 1}, {0xa7ae, 0xa7ae, -42308, 1}, {0xa7b0, 0xa7b0, -42258, 1},
    {0xa7b1, 0xa7b1, -42282, 1}, {0xa7b2, 0xa7b2, -42261, 1}, {0xa7b3, 0xa7b3, 928, 1},    {0xa7b4, 0xa7c2, 1, 2},
    {0xa7c4, 0xa7c4, -48, 1},    {0xa7c5, 0xa7c5, -42307, 1}, {0xa7c6, 0xa7c6, -35384, 1}, {0xa7c7, 0xa7c9, 1, 2},
    {0xa7d0, 0xa7d0, 1, 1},      {0xa7d6, 0xa7d8, 1, 2},      {0xa7f5, 0xa7f5, 1, 1},      {0xff21, 0xff3a, 32, 1},
};

const std::array<char16_t, 0x10000>& lowerTable() {
  static const auto table = [] {
    std::array<char16_t, 0x10000> t{};
    for (std::size_t c = 0; c < t.size(); ++c) t[c] = static_cast<char16_t>(c);
    for (const CaseRun& run : kLowerRuns)
      for (std::int32_t c = run.first; c <= run.last; c += run.step)
        t[static_cast<std::size_t>(c)] = static_cast<char16_t>(c + run.delta);
    return t;
  }();
  return table;
}

bool isAscii(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

char16_t wineLowerUnit(char16_t c) { return lowerTable()[c]; }

int compareWineNames(std::string_view a, std::string_view b) {
  if (isAscii(a) && isAscii(b)) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      int ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
      if (ca >= 'A' && ca <= 'Z') ca += 32;
      if (cb >= 'A' && cb <= 'Z') cb += 32;
      if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  }
  const std::u16string wa = text::toUtf16(a), wb = text::toUtf16(b);
  const auto& lower = lowerTable();
  const std::size_t n = std::min(wa.size(), wb.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = lower[wa[i]], cb = lower[wb[i]];
    if (ca != cb) return ca - cb;
  }
  return wa.size() < wb.size() ? -1 : (wa.size() > wb.size() ? 1 : 0);
}

}  // namespace hm::platform
