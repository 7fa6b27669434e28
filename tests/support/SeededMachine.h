// A machine seeded with one broken entry per registry section (and healthy
// entries beside them), and what a scan must report for it.
#pragma once

#include <map>
#include <string>

#include "support/TestMachine.h"

namespace hm::test {

// Section name -> the KeyValue of its one broken entry.
std::map<std::string, std::string> SeedOneBrokenEntryPerSection(TestMachine& m);
// Only healthy entries, one or more per section.
void SeedHealthyEntries(TestMachine& m);

}  // namespace hm::test
