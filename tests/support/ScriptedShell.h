// A shell port for tests: answers from fields the test sets and keeps what it
// was asked to do.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace hm::test {

class ScriptedShell : public platform::ShellPort {
 public:
  std::string name = "Hivemend";
  std::string arguments;
  bool otherCopy = false;
  bool isElevated = true;
  bool restartAccepted = true;
  // Extension (lower case, no dot) -> associated executable; missing: none.
  std::map<std::string, std::string> associations;
  int executeResult = 42;
  std::uintptr_t imageList = 0x1234;
  std::map<std::string, int> iconIndexes;  // path -> index; missing: -1

  struct Launch {
    std::string executable, parameters;
  };
  std::vector<Launch> launches;
  std::vector<std::string> restarts;    // the arguments of each restart
  std::vector<std::string> lookedUp;    // documents given to findExecutable
  std::vector<bool> imageListRequests;  // smallIcons of each systemImageList call
  struct IconQuery {
    std::string path;
    bool smallIcons, openFile;
  };
  std::vector<IconQuery> iconQueries;
  // Called inside findExecutable, while the placeholder exists.
  std::function<void(const std::string&)> onFind;

  std::string programName() override { return name; }
  std::string commandLine() override { return arguments; }
  bool anotherCopyRunning() override { return otherCopy; }
  int findExecutable(const std::string& document, std::string& executable) override {
    lookedUp.push_back(document);
    if (onFind) onFind(document);
    const std::size_t dot = document.rfind('.');
    const auto it = associations.find(dot == std::string::npos ? "" : document.substr(dot + 1));
    if (it == associations.end()) return 31;
    executable = it->second;
    return 42;
  }
  int shellExecute(const std::string& executable, const std::string& parameters) override {
    launches.push_back({executable, parameters});
    return executeResult;
  }
  bool startProgram(const std::string& path) override {
    launches.push_back({path, ""});
    return executeResult > 32;
  }
  bool elevated() override { return isElevated; }
  bool restartElevated(const std::string& args) override {
    restarts.push_back(args);
    return restartAccepted;
  }
  std::uintptr_t systemImageList(bool smallIcons) override {
    imageListRequests.push_back(smallIcons);
    return imageList;
  }
  int fileIconIndex(const std::string& path, bool smallIcons, bool openFile) override {
    iconQueries.push_back({path, smallIcons, openFile});
    const auto it = iconIndexes.find(path);
    return it == iconIndexes.end() ? -1 : it->second;
  }
};

}  // namespace hm::test
