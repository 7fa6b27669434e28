#include <gtest/gtest.h>

#include <string>

#include "common/ExistenceMemo.h"

namespace hm {
namespace {

using platform::FindResult;

TEST(ExistenceMemo, AnswersEachPathWithoutRegardToCaseAndKeepsTheLatestAnswer) {
  ExistenceMemo memo;
  EXPECT_FALSE(memo.find("C:\\a.dll"));
  memo.remember("C:\\Windows\\System32\\Shell32.dll", FindResult::Found);
  memo.remember("C:\\Ärger\\x.ocx", FindResult::NotFound);
  memo.remember("\\\\server\\share\\y.dll", FindResult::CannotTell);
  memo.remember("C:\\bad|name", FindResult::InvalidName);
  EXPECT_EQ(memo.find("c:\\windows\\system32\\SHELL32.DLL"), FindResult::Found);
  EXPECT_EQ(memo.find("c:\\ärger\\X.OCX"), FindResult::NotFound);
  EXPECT_EQ(memo.find("\\\\SERVER\\share\\y.dll"), FindResult::CannotTell);
  EXPECT_EQ(memo.find("C:\\BAD|NAME"), FindResult::InvalidName);
  EXPECT_FALSE(memo.find("C:\\Windows\\System32\\Shell32.dl"));
  EXPECT_FALSE(memo.find("C:\\Windows\\System32\\Shell32.dll "));
  memo.remember("C:\\WINDOWS\\system32\\shell32.dll", FindResult::NotFound);
  EXPECT_EQ(memo.find("C:\\Windows\\System32\\Shell32.dll"), FindResult::NotFound);
}

TEST(ExistenceMemo, FoldsOnlyLettersWhereverTheyStand) {
  // The characters next to the letters differ from them by the same 0x20 a
  // fold takes away; sixteen bytes are folded a word at a time, the rest one by one.
  ExistenceMemo memo;
  memo.remember("C:\\`{az`{\\`{az`{`{az", FindResult::Found);
  EXPECT_EQ(memo.find("c:\\`{AZ`{\\`{AZ`{`{AZ"), FindResult::Found);
  EXPECT_FALSE(memo.find("C:\\@[AZ`{\\`{AZ`{`{AZ"));
  EXPECT_FALSE(memo.find("C:\\`{AZ`{\\`{AZ@[`{AZ"));
  EXPECT_FALSE(memo.find("C:\\`{AZ`{\\`{AZ`{@[AZ"));
}

TEST(ExistenceMemo, KeepsEveryAnswerAsItGrowsAndStartsAfreshPastItsLimit) {
  ExistenceMemo memo;
  auto path = [](std::size_t i) { return "C:\\Program Files\\Vendor\\file" + std::to_string(i) + ".dll"; };
  auto answer = [](std::size_t i) { return static_cast<FindResult>(i % 4); };
  for (std::size_t i = 0; i < ExistenceMemo::kMaxPaths; ++i) memo.remember(path(i), answer(i));
  for (std::size_t i = 0; i < ExistenceMemo::kMaxPaths; i += 997) ASSERT_EQ(memo.find(path(i)), answer(i)) << i;
  EXPECT_EQ(memo.find(path(ExistenceMemo::kMaxPaths - 1)), answer(ExistenceMemo::kMaxPaths - 1));
  memo.remember(path(ExistenceMemo::kMaxPaths), FindResult::Found);
  EXPECT_FALSE(memo.find(path(0)));
  EXPECT_EQ(memo.find(path(ExistenceMemo::kMaxPaths)), FindResult::Found);
}

}  // namespace
}  // namespace hm
