// The problem list saved as a numbered text list, appended to a file the user chooses.
#include <string>
#include <vector>

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "mainwindow/frmMain.h"
#include "platform/Machine.h"
#include "platform/System.h"

namespace hm {
namespace {

std::string TrimBlanks(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

void frmMain::mnuFilePrintListofErrors_Click() {
  try {
    auto& m = platform::machine();
    const auto& rows = lists.lvwErrors;
    if (rows.rowCount() == 0) return;
    const std::string path =
        TrimBlanks(m.dialogs->saveFileName("Rich Text Format |*.doc", std::string(kProductName) + " - Save as"));
    if (path.empty()) return;

    // Taken before yielding: a scan started meanwhile empties the list.
    std::vector<std::string> missing;
    missing.reserve(rows.rowCount());
    for (std::size_t i = 0; i < rows.rowCount(); ++i) missing.emplace_back(rows.cell(i, kKeyValue));

    std::string text = std::string(kProductName) + "\r\n\r\n";
    for (std::size_t i = 0; i < missing.size(); ++i) {
      text += std::to_string(i + 1) + "->" + missing[i] + "\r\n\r\n";
      DoEvents();
    }
    // One append: a file that cannot be written gets nothing, not half a list.
    if (!m.files->appendFile(path, text)) Raise(kErrPathAccess, "\"" + path + "\" cannot be written");
    m.dialogs->messageBox("File has been saved at :" + path, kProductName,
                          platform::kMbOk | platform::kMbIconInformation);
  } catch (...) {
    LogError("mnuFilePrintListofErrors_Click of frmMain");
  }
}

}  // namespace hm
