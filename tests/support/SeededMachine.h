// A machine seeded with one broken entry per registry section (and healthy
// entries beside them), and what a scan must report for it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/TestMachine.h"

namespace hm::test {

// Section name -> the KeyValues a scan must report for it, in order. The
// class registrations are walked twice (below HKEY_CLASSES_ROOT and below
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes), so a broken COM server shows in both
// COM sections.
std::map<std::string, std::vector<std::string>> SeedOneBrokenEntryPerSection(TestMachine& m);
// Only healthy entries, one or more per section.
void SeedHealthyEntries(TestMachine& m);

}  // namespace hm::test
