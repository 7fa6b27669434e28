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
  // With a malformed byte and the U+FFFD it reads as, texts of different byte lengths can be equal.
  const char* pieces[] = {"a", "A", "z", "_", "{", "é", "É", "ü", "日", "\xC3\xBF", "0", "\xFF", "\xEF\xBF\xBD"};
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

TEST(FindNoCase, AgreesWithAPlainSearchOfTheUpperCasedTextFromEveryStart) {
  const char* pieces[] = {"%", "a", "A", "b", "B", "[", "{", "\\", "é", "0"};
  const char* needles[] = {"%a%", "AB", "b", "%", "\\a", "[a", "{", "A%B", "%SystemRoot%"};
  std::mt19937 random(11);
  for (int i = 0; i < 5000; ++i) {
    std::string hay;
    for (int n = static_cast<int>(random() % 12); n > 0; --n) hay += pieces[random() % std::size(pieces)];
    const std::string upper = text::toUpper(hay);
    for (const std::string_view needle : needles) {
      const std::string upperNeedle = text::toUpper(needle);
      for (std::size_t from = 0; from <= hay.size() + 1; ++from)
        ASSERT_EQ(text::findNoCase(hay, needle, from),
                  from > upper.size() ? std::string::npos : upper.find(upperNeedle, from))
            << hay << " / " << needle << " from " << from;
    }
  }
}

TEST(FromUtf16Bytes, DecodesAsciiRunsPairsAndLoneSurrogates) {
  for (const std::string s : {"", "C:\\Windows\\x.dll", "Grüße 日本 😀 tail", "😀", "ab\u00e9"})
    EXPECT_EQ(text::fromUtf16Bytes(text::toUtf16Bytes(s, false)), s);
  EXPECT_EQ(text::fromUtf16Bytes(std::string("a\0b\0c", 5)), "ab");                     // an odd byte is left out
  EXPECT_EQ(text::fromUtf16Bytes(std::string("x\0\x3d\xd8y\0", 6)), "x\xED\xA0\xBDy");  // lone high surrogate
  EXPECT_EQ(text::fromUtf16Bytes(std::string("\0\xdc\x3d\xd8", 4)), "\xED\xB0\x80\xED\xA0\xBD");
}

}  // namespace
}  // namespace hm
