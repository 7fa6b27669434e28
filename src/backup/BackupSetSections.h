// Reads a whole backup description file in one pass: every section in file
// order with its entries, by the rules cInifile reads them with (names
// without regard to case, the first section and key of a name win, one pair
// of enclosing quotes removed, nothing cut). Looking each record up through
// cInifile would read and search the file again per key, which takes hours
// for a set of thousands of records.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hm::backup {

struct IniSectionEntries {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;  // key, value
};

// Nothing when the file cannot be read or is larger than cInifile reads.
std::vector<IniSectionEntries> ReadIniSections(const std::string& path);

}  // namespace hm::backup
