#include "mainwindow/ScanDriver.h"

#include <functional>
#include <stdexcept>

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/ExistenceMemo.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "diskscan/DriveInventory.h"
#include "platform/Registry.h"
#include "scan/KeepList.h"
#include "scan/RegistryWalker.h"
#include "scan/Sections.h"

namespace hm {
namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

// Thrown at a cancel point: the driver leaves the section at once.
struct ScanCancelled {};

void checkCancel() {
  if (CancelScan) throw ScanCancelled{};
}

class Driver {
 public:
  explicit Driver(ScanLists& lists) : lists_(lists), keep_(KeepList::Load()) { lists_.keptNotShown = 0; }

  // Drops the kept entries among the rows the current section added, before
  // they are counted, so every count and list shows what is reported.
  void passOverKept() {
    try {
      lists_.keptNotShown += keep_.PassOver(lists_.lvwErrors, firstRow_);
    } catch (...) {
      LogError("PassOverKept of frmMain");
    }
  }

  void keys(std::int32_t root, const std::string& path) {
    EnumerateRegKeys(lists_, root, path, section_, RootKeyName(root), lists_.lblRegistryFilesScan);
  }
  void values(std::int32_t root, const std::string& path) {
    EnumerateRegKeyValues(lists_, root, path, section_, RootKeyName(root), lists_.lblRegistryFilesScan);
  }

  // The registry work of section positions 1 to 13.
  void sectionWork(std::size_t position) {
    switch (position) {
      case 1:
        checkCancel();
        EnumerateRegKeyNames(lists_, kHkeyClassesRoot, "CLSID", lists_.cmdCancel.enabled);
        checkCancel();
        keys(kHkeyClassesRoot, "TypeLib");
        break;
      case 2:
        checkCancel();
        keys(kHkeyClassesRoot, "CLSID");
        checkCancel();
        break;
      case 3:
        checkCancel();
        keys(kHkeyLocalMachine, "SOFTWARE\\Classes\\CLSID");
        checkCancel();
        keys(kHkeyClassesRoot, "Applications");
        break;
      case 4:
        checkCancel();
        keys(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts");
        break;
      case 5:
        checkCancel();
        keys(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");
        values(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache");
        break;
      case 6:
      case 13:
        checkCancel();
        break;
      case 7:
        checkCancel();
        if (GetVersion() == 2)
          values(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
        else
          values(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts");
        checkCancel();
        break;
      case 8:
        checkCancel();
        values(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Help");
        checkCancel();
        values(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\HTML Help");
        break;
      case 9:
        checkCancel();
        keys(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools");
        checkCancel();
        values(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
        break;
      case 10:
        for (const std::int32_t root : {kHkeyLocalMachine, kHkeyCurrentUser}) {
          checkCancel();
          keys(root, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
          checkCancel();
          values(root, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
        }
        checkCancel();
        keys(kHkeyCurrentUser,
             "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs");
        break;
      case 11:
        checkCancel();
        keys(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        checkCancel();
        break;
      case 12:
        checkCancel();
        values(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers");
        checkCancel();
        break;
      default:
        break;
    }
  }

  // Writes the section's count and "Finished" into both lists.
  void complete(std::size_t sectionRow, std::size_t progressRow) {
    const std::int32_t n = GetProblemsinActiveEx(lists_, section_, firstRow_);
    auto& sections = lists_.lvwRegistryvaluesScan;
    auto& progress = lists_.lvwResultProgress;
    sections.setCell(sectionRow, kSectionProblems, std::to_string(n) + kProblemsFoundSuffix);
    sections.setCell(sectionRow, kSectionStatus, "Finished");
    progress.setCell(progressRow, kSectionStatus, sections.cell(sectionRow, kSectionStatus));
    progress.setCell(progressRow, kSectionProblems, sections.cell(sectionRow, kSectionProblems));
    if (progress.cell(progressRow, kSectionProblems) != std::string("0") + kProblemsFoundSuffix)
      progress.setTextColor(progressRow, kProblemRowColor);
  }

  void run() {
    auto& sections = lists_.lvwRegistryvaluesScan;
    for (std::size_t i = 0; i < sections.rowCount(); ++i) {
      sections.setCell(i, kSectionStatus, "");
      sections.setCell(i, kSectionProblems, "");
      DoEvents();
    }
    for (std::size_t i = 0; i < sections.rowCount(); ++i) {
      const std::size_t position = i + 1;
      if (sections.row(i).checked) {
        if (CancelScan) return;
        section_ = sections.cell(i, kSectionName);
        firstRow_ = lists_.lvwErrors.rowCount();
        sections.setCell(i, kSectionStatus, "Scanning");
        auto& progress = lists_.lvwResultProgress;
        const std::size_t progressRow = progress.addRow({section_});
        progress.select(progressRow);
        progress.setCell(progressRow, kSectionStatus, sections.cell(i, kSectionStatus));
        sections.select(i);
        try {
          if (position <= kRegistrySections.size()) {
            sectionWork(position);
            passOverKept();
            complete(i, progressRow);
          } else if (section_.rfind(kShortcutSectionPrefix, 0) == 0) {
            // Every drive row is searched (not only C: to G:), so a row never
            // reads FINISHED without its drive having been scanned.
            lists_.lblRegistryScan.setCaption("Scanning...");
            checkCancel();
            GetAllHardDrives(lists_, section_);
            passOverKept();
            complete(i, progressRow);
            checkCancel();
          }
        } catch (const ScanCancelled&) {
          passOverKept();
          return;
        }
        sections.setCell(i, kSectionStatus, "FINISHED");
      }
      if (CancelScan) return;
      lists_.lblTotalErrors.setCaption(std::to_string(lists_.lvwErrors.rowCount()));
      DoEvents();
    }
  }

 private:
  ScanLists& lists_;
  KeepList keep_;
  std::string section_;
  std::size_t firstRow_ = 0;  // the first problem row of the section being scanned
};

}  // namespace

std::int32_t GetProblemsinActiveEx(ScanLists& lists, const std::string& section, std::size_t fromRow) {
  try {
    std::int32_t n = 0;
    for (std::size_t r = fromRow; r < lists.lvwErrors.rowCount(); ++r) {
      if (lists.lvwErrors.cell(r, kSection) == section && !lists.lvwErrors.cell(r, kMainKey).empty()) ++n;
      DoEvents();
    }
    return n;
  } catch (...) {
    LogError("GetProblemsinActiveEx of frmMain");
    return 0;
  }
}

void ScanRegistryAndHardDisk(ScanLists& lists) {
  try {
    ExistenceMemoScope memo;
    Driver driver(lists);
    try {
      driver.run();
    } catch (...) {
      driver.passOverKept();  // a failed scan shows no kept entry either
      throw;
    }
  } catch (...) {
    LogError("ScanRegistryAndHardDisk of frmMain");
  }
}

}  // namespace hm
