#include "shell/IEOpen.h"

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "common/Globals.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm::shell {
namespace {

// Deletes the placeholder however OpenWith leaves.
class Placeholder {
 public:
  Placeholder() = default;
  Placeholder(const Placeholder&) = delete;
  Placeholder& operator=(const Placeholder&) = delete;
  ~Placeholder() {
    try {
      if (!path_.empty()) platform::machine().files->deleteFile(path_);
    } catch (...) {
    }
  }
  bool create(std::string path) {
    path_ = std::move(path);
    if (platform::machine().files->writeFileAtomic(path_, "\"\"\r\n")) return true;
    path_.clear();
    return false;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The associated program's path: up to and including its first ".exe".
std::string ExecutablePath(const std::string& found) {
  std::string exe = str::Trim(found);
  const std::size_t at = text::findNoCase(exe, ".exe");
  if (at != std::string::npos) exe.resize(at + 4);
  return str::Trim(exe);
}

}  // namespace

void OpenWith(const std::string& document, const std::string& extension) {
  try {
    auto& m = platform::machine();
    const std::string temp = m.files->tempFolder();
    Placeholder placeholder;
    if (str::Trim(temp).empty() || !placeholder.create(GetPathWithSlash(temp) + "temphtm." + extension)) {
      m.dialogs->messageBox("Sorry! file  cannot be created.", kProductName,
                            platform::kMbOk | platform::kMbIconInformation);
      return;
    }
    std::string found;
    if (platform::shell().findExecutable(placeholder.path(), found) <= 32) {
      m.dialogs->messageBox("Could not find associated application!", "Browser Not Found",
                            platform::kMbOk | platform::kMbIconExclamation);
      return;
    }
    // Passed on as given: paths and web addresses can tell letter case apart.
    if (platform::shell().shellExecute(ExecutablePath(found), "\"" + document + "\"") <= 32)
      m.dialogs->messageBox("Page not Opened.", "URL Failed", platform::kMbOk | platform::kMbIconExclamation);
  } catch (...) {
    LogError("OpenWith(frm As Form, ByVal sFileName As String, ByVal FileExt As String)");
  }
}

}  // namespace hm::shell
