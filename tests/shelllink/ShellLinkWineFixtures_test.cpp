// The reader on shortcuts written by Wine's shell-link writer, against what
// Wine's own reader answered for each (tests/data/lnk/wine/expected.tsv, made
// by tests/tools/make_lnk_fixtures.cpp).
#include <gtest/gtest.h>

#include "shelllink/ShellLinkTestSupport.h"

namespace hm::platform {
namespace {

using namespace hm::testing;

// Wine's code-page link info turns letters outside the code page into "?";
// the reader gives them back from the ID list, so "?" there matches any letter.
bool sameOrLosslessForm(std::string_view ours, std::string_view shells) {
  const auto a = text::toUtf16(ours), b = text::toUtf16(shells);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && !(b[i] == u'?' && a[i] >= 0x80)) return false;
  return true;
}

TEST(ShellLinkWineFixtures, AgreeWithTheShellsReading) {
  const auto dir = lnkDataDir() / "wine";
  std::istringstream table(readBinaryFile(dir / "expected.tsv"));
  const auto env = fixedEnvironment({{"SystemRoot", "C:\\windows"}, {"windir", "C:\\windows"}});
  int rows = 0;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
    ASSERT_NE(tab2, std::string::npos) << line;
    const std::string file = line.substr(0, tab1), expected = line.substr(tab1 + 1, tab2 - tab1 - 1);
    const auto target = readShellLink(readBinaryFile(dir / file), env);
    EXPECT_TRUE(sameOrLosslessForm(target.path, expected)) << file << ": " << target.path << " vs " << expected;
    EXPECT_FALSE(target.advertised) << file;
    ++rows;
  }
  EXPECT_EQ(rows, 14);
}

}  // namespace
}  // namespace hm::platform
