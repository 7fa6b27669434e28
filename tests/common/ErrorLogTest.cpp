#include <gtest/gtest.h>

#include "common/ErrorLog.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

TEST(ErrorLog, NumberLineHasItsSignOrABlankAndATrailingBlank) {
  EXPECT_EQ(FormatErrorNumber(5), " 5 ");
  EXPECT_EQ(FormatErrorNumber(-1), "-1 ");
  EXPECT_EQ(FormatErrorNumber(0), " 0 ");
}

TEST(ErrorLog, TwoFailuresGiveTenLinesInOrderAndAppendingKeepsWhatIsThere) {
  test::TestMachine m;
  m.createFile("windows\\ErrHvmd.txt", "earlier\r\n");
  try {
    Raise(kErrOverflow);
  } catch (...) {
    LogError("FirstLabel");
  }
  try {
    throw std::out_of_range("row");
  } catch (...) {
    LogError("SecondLabel of frmMain");
  }
  EXPECT_EQ(m.errorLog(),
            "earlier\r\n"
            " 6 \r\nOverflow\r\n3:45:12 PM\r\n12/8/2005\r\nFirstLabel\r\n"
            " 9 \r\nSubscript out of range\r\n3:45:12 PM\r\n12/8/2005\r\nSecondLabel of frmMain\r\n");
}

TEST(ErrorLog, FirstEntryCreatesTheFileAndAnUnwritableLogIsDroppedSilently) {
  test::TestMachine m;
  LogErrorEntry(-1, "Something", "Label");
  EXPECT_EQ(m.errorLogEntries(), 1);
  // Make the log path a folder: appending must fail quietly.
  test::TestMachine other;
  other.createFolder("windows\\ErrHvmd.txt");
  EXPECT_NO_THROW(LogErrorEntry(5, "x", "y"));
}

}  // namespace
}  // namespace hm
