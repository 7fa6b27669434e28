// A scratch machine, a problem list and a context builder for the checks.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "common/RegistryAccess.h"
#include "scan/Checks.h"
#include "scan/ScanLists.h"
#include "support/TestMachine.h"

namespace hm::test {

class CheckFixture : public ::testing::Test {
 protected:
  // The context's section and key path are views: the fixture keeps their text.
  CheckContext Context(std::string section, std::string name, std::string text,
                       std::string keyPath = "Software\\Vendor\\Entry") const {
    const std::string& heldSection = held_.emplace_back(std::move(section));
    const std::string& heldKeyPath = held_.emplace_back(std::move(keyPath));
    return CheckContext{
        platform::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", std::move(name), std::move(text), heldSection, heldKeyPath};
  }
  // The KeyValue of every record, in order.
  std::vector<std::string> Recorded() const {
    std::vector<std::string> values;
    for (std::size_t i = 0; i < lists.lvwErrors.rowCount(); ++i)
      values.emplace_back(lists.lvwErrors.cell(i, kKeyValue));
    return values;
  }
  // Takes the records made so far, leaving the list empty.
  std::vector<std::string> Take() {
    std::vector<std::string> values = Recorded();
    lists.lvwErrors.clear();
    return values;
  }
  std::string InSystem(const std::string& name) const { return m.systemFolder() + "\\" + name; }
  void SetFolderValue(const char* name, const std::string& folder) {
    SetKeyValue(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", name, folder, kRegSz);
  }

  mutable std::deque<std::string> held_;
  TestMachine m;
  ScanLists lists;
  platform::ListViewModel& errors = lists.lvwErrors;
};

using Values = std::vector<std::string>;

}  // namespace hm::test
