#include <gtest/gtest.h>

#include <random>

#include "platform/Text.h"

namespace hm {
namespace {

// The order of names as Windows keeps them: unit by unit upper-cased, then by length.
int ReferenceOrder(std::string_view a, std::string_view b) {
  const std::u16string wa = text::toUtf16(a), wb = text::toUtf16(b);
  for (std::size_t i = 0; i < std::min(wa.size(), wb.size()); ++i) {
    const char16_t ca = text::upperUnit(wa[i]), cb = text::upperUnit(wb[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return wa.size() == wb.size() ? 0 : (wa.size() < wb.size() ? -1 : 1);
}

TEST(CompareNoCase, AgreesWithTheUnitByUnitOrderOnMixedText) {
  const char* pieces[] = {"a", "A", "z", "_", "{", "é", "É", "ü", "日", "\xC3\xBF", "0"};
  std::mt19937 random(7);
  auto make = [&] {
    std::string s;
    for (int n = static_cast<int>(random() % 5); n > 0; --n) s += pieces[random() % std::size(pieces)];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string a = make(), b = make();
    const auto c = text::compareNoCase(a, b);
    const int got = c < 0 ? -1 : (c > 0 ? 1 : 0);
    ASSERT_EQ(got, ReferenceOrder(a, b)) << a << " vs " << b;
    ASSERT_EQ(text::equalsNoCase(a, b), got == 0) << a << " vs " << b;
  }
}

}  // namespace
}  // namespace hm
