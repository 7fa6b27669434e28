#include "scan/RegistryWalker.h"

#include <cstring>
#include <utility>
#include <vector>

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "scan/Checks.h"

namespace hm {

using platform::HKey;

namespace {
// Key names reach 255 characters and value names 16,383: read them whole.
constexpr std::uint32_t kKeyNameCapacity = 256;
constexpr std::uint32_t kValueNameCapacity = 16384;
// Most data fits this buffer; longer data is read on its own, whole.
constexpr std::uint32_t kValueDataCapacity = 4096;

constexpr std::string_view kMuiCacheKey = "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
constexpr std::string_view kSharedDllsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

platform::RegistryPort& reg() { return *platform::machine().registry; }

// The buffers one value at a time is read into: a walk lends the same ones to
// every key, so reading a value costs no allocation once they have grown.
struct ValueBuffers {
  std::string name;
  platform::RegValue value;
  std::string text;
};

void CheckValuesOfKey(ScanLists& lists, platform::HKey key, std::int32_t rootKey, const std::string& keyPath,
                      const std::string& section, const std::string& rootKeyName, platform::LabelModel& valueLabel,
                      ValueBuffers& buffers);

// Closes a key on every path out of a walk.
struct OpenKey {
  HKey handle = 0;
  ~OpenKey() {
    if (handle != 0) reg().closeKey(handle);
  }
};

bool isLinkKey(platform::RegistryPort& registry, HKey key) {
  std::uint32_t type = 0, size = 0;
  return registry.queryValueInfo(key, platform::kSymbolicLinkValue, type, size) == platform::kSuccess &&
         type == platform::kRegLink;
}

bool isKeyWithoutValuesCase(const std::string& keyPath) {
  // Either case needs a component that starts with an H or an O: one pass
  // over the separators settles the keys that have none.
  bool candidate = false;
  for (std::size_t at = keyPath.find('\\'); at != std::string::npos && at + 1 < keyPath.size() && !candidate;
       at = keyPath.find('\\', at + 1)) {
    const char initial = static_cast<char>(keyPath[at + 1] | 0x20);
    candidate = initial == 'h' || initial == 'o';
  }
  if (!candidate) return false;
  // The rarer half of each pair first: most keys fail it.
  return (text::containsNoCase(keyPath, "\\HELPDIR") && text::containsNoCase(keyPath, "TypeLib\\")) ||
         (text::containsNoCase(keyPath, "\\OpenWithList") &&
          text::containsNoCase(keyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\"));
}
}  // namespace

std::string ValueText(const platform::RegValue& value) {
  std::string text;
  ValueText(value, text);
  return text;
}

void ValueText(const platform::RegValue& value, std::string& text) {
  switch (value.type) {
    case platform::kRegSz:
    case platform::kRegMultiSz:
      StringFromRegData(value.data, text);
      return;
    case platform::kRegDword: {
      text.clear();
      if (value.data.size() < 4) return;
      std::uint32_t v = 0;
      std::memcpy(&v, value.data.data(), 4);
      text = std::to_string(static_cast<std::int32_t>(v));
      return;
    }
    default:
      text.clear();
      return;
  }
}

std::string GetSubKeyValue(HKey key, std::string_view valueName) {
  try {
    platform::RegValue value;
    if (reg().queryValue(key, valueName, value) != platform::kSuccess) return {};
    return ValueText(value);
  } catch (...) {
    LogError("GetSubKeyValue");
    return {};
  }
}

void EnumerateRegKeys(ScanLists& lists, std::int32_t rootKey, const std::string& keyPath, const std::string& section,
                      const std::string& rootKeyName, platform::LabelModel& valueLabel) {
  try {
    // The keys open on the way down, deepest last: an explicit stack, since
    // keys can be nested deeper than the call stack allows.
    struct Level {
      HKey handle = 0;
      std::string path;
      std::uint32_t index = 0;
    };
    // Levels below `depth` are open; the ones past it keep their path
    // buffers for the next key down, so a path costs no allocation.
    struct OpenLevels {
      std::vector<Level> levels;
      std::size_t depth = 0;
      ~OpenLevels() {
        for (std::size_t i = 0; i < depth; ++i) reg().closeKey(levels[i].handle);
      }
    } open;
    platform::RegistryPort& registry = reg();  // looked up once: it is asked for every key
    HKey start = 0;
    if (registry.openKey(platform::rootHandle(rootKey), keyPath, platform::kKeyRead, start) != platform::kSuccess)
      return;
    open.levels.push_back(Level{start, keyPath, 0});
    open.depth = 1;
    std::string name;
    ValueBuffers buffers;
    while (open.depth > 0) {
      std::int32_t status = platform::kNoMoreItems;
      try {
        Level& level = open.levels[open.depth - 1];
        status = registry.enumKey(level.handle, level.index, name, kKeyNameCapacity);
        if (status == platform::kSuccess) {
          ++level.index;
          // Each subkey is opened once, as itself: a link's target is walked
          // where it lives, and following it could loop.
          OpenKey sub;
          if (registry.openKeyNoFollow(level.handle, name, platform::kKeyRead, sub.handle) == platform::kSuccess &&
              !isLinkKey(registry, sub.handle)) {
            if (open.depth == open.levels.size()) open.levels.emplace_back();
            const std::string& parentPath = open.levels[open.depth - 1].path;
            Level& child = open.levels[open.depth];
            child.path.clear();
            if (!parentPath.empty()) child.path.append(parentPath).append(1, '\\');
            child.path.append(name);
            lists.lblRegistryScan.setCaption(name);
            CheckValuesOfKey(lists, sub.handle, rootKey, child.path, section, rootKeyName, valueLabel, buffers);
            child.handle = sub.handle;
            child.index = 0;
            ++open.depth;
            sub.handle = 0;
            continue;
          }
        }
      } catch (...) {
        // The walk below this key ends; its parent goes on with the next sibling.
        LogError("EnumerateRegKeys");
        status = platform::kNoMoreItems;
      }
      // A key is done with one subkey (or with all of them, and then so is
      // its parent with it).
      for (;;) {
        if (CancelScan) return;
        DoEvents();
        if (status == platform::kSuccess) break;
        registry.closeKey(open.levels[open.depth - 1].handle);
        --open.depth;
        if (open.depth == 0) return;
        status = platform::kSuccess;
      }
    }
  } catch (...) {
    LogError("EnumerateRegKeys");
  }
}

void EnumerateRegKeyValues(ScanLists& lists, std::int32_t rootKey, const std::string& keyPath,
                           const std::string& section, const std::string& rootKeyName,
                           platform::LabelModel& valueLabel) {
  OpenKey key;
  try {
    if (reg().openKey(platform::rootHandle(rootKey), keyPath, platform::kKeyRead, key.handle) != platform::kSuccess)
      return;
  } catch (...) {
    LogError("EnumerateRegKeyValues");
    return;
  }
  CheckValuesOfKey(lists, key.handle, rootKey, keyPath, section, rootKeyName, valueLabel);
}

void CheckValuesOfKey(ScanLists& lists, platform::HKey key, std::int32_t rootKey, const std::string& keyPath,
                      const std::string& section, const std::string& rootKeyName, platform::LabelModel& valueLabel) {
  ValueBuffers buffers;
  CheckValuesOfKey(lists, key, rootKey, keyPath, section, rootKeyName, valueLabel, buffers);
}

namespace {
void CheckValuesOfKey(ScanLists& lists, platform::HKey key, std::int32_t rootKey, const std::string& keyPath,
                      const std::string& section, const std::string& rootKeyName, platform::LabelModel& valueLabel,
                      ValueBuffers& buffers) {
  try {
    const bool checksValues =
        std::string_view(section) != "Registry Integrity" && std::string_view(section) != "File Extensions";
    std::string& name = buffers.name;
    platform::RegValue& value = buffers.value;
    std::string& text = buffers.text;  // every value's text, lent to the check
    platform::RegistryPort& registry = reg();
    for (std::uint32_t index = 0;; ++index) {
      if (CancelScan) return;
      std::int32_t status = registry.enumValue(key, index, name, kValueNameCapacity, &value, kValueDataCapacity);
      text.clear();
      if (status == platform::kMoreData) {
        // Long data: take the name alone, then read the value whole.
        status = registry.enumValue(key, index, name, kValueNameCapacity, nullptr, 0);
        if (status == platform::kSuccess) text = GetSubKeyValue(key, name);
      } else if (status == platform::kSuccess) {
        ValueText(value, text);
      }
      if (status != platform::kSuccess && index == 0 && isKeyWithoutValuesCase(keyPath)) {
        CheckPathExistinDirectory(lists, "", section, "", rootKey, rootKeyName, keyPath);
      }
      if (status == platform::kSuccess) {
        valueLabel.setCaption(text);
        if (CancelScan) return;
        if (checksValues) CheckValue(lists, text, section, name, rootKey, rootKeyName, keyPath);
      }
      if (CancelScan) return;
      DoEvents();
      if (status != platform::kSuccess) return;
    }
  } catch (...) {
    LogError("EnumerateRegKeyValues");
  }
}

}  // namespace

void EnumerateRegKeyNames(ScanLists& lists, std::int32_t rootKey, const std::string& keyPath, const bool& keepGoing) {
  try {
    OpenKey key;
    platform::RegistryPort& registry = reg();
    if (registry.openKey(platform::rootHandle(rootKey), keyPath, platform::kKeyRead, key.handle) != platform::kSuccess)
      return;
    // The names are only shown: a one-unit buffer tells that a subkey is
    // there without copying its name, and the label takes every
    // kNameShownEvery-th name and the last one the listing reached.
    constexpr std::uint32_t kNameShownEvery = 64;
    std::string name;
    std::uint32_t unshown = 0;  // one past the last subkey seen but not shown; 0 for none
    const auto showName = [&](std::uint32_t index) {
      if (registry.enumKey(key.handle, index, name, kKeyNameCapacity) == platform::kSuccess)
        lists.lblRegistryScan.setCaption(name);
      unshown = 0;
    };
    for (std::uint32_t index = 0;; ++index) {
      if (!keepGoing) break;
      std::int32_t status = platform::kSuccess;
      if (index % kNameShownEvery == 0) {
        status = registry.enumKey(key.handle, index, name, kKeyNameCapacity);
        if (status == platform::kSuccess) {
          lists.lblRegistryScan.setCaption(name);
          unshown = 0;
        }
      } else {
        status = registry.enumKey(key.handle, index, name, 1);
        if (status == platform::kMoreData) {
          status = platform::kSuccess;
          unshown = index + 1;
        } else if (status == platform::kSuccess) {
          lists.lblRegistryScan.setCaption(name);  // an empty name fits the buffer
          unshown = 0;
        }
      }
      DoEvents();
      if (!keepGoing || status != platform::kSuccess) break;
    }
    if (unshown != 0) showName(unshown - 1);
  } catch (...) {
    LogError("EnumerateRegKeys");
  }
}

void CheckPathExistinDirectory(ScanLists& lists, std::string valueText, const std::string& section,
                               const std::string& valueName, std::int32_t rootKey, const std::string& rootKeyName,
                               const std::string& keyPath) {
  CheckValue(lists, valueText, section, valueName, rootKey, rootKeyName, keyPath);
}

void CheckValue(ScanLists& lists, std::string& valueText, const std::string& section, const std::string& valueName,
                std::int32_t rootKey, const std::string& rootKeyName, const std::string& keyPath) {
  try {
    if (CancelScan) return;
    CheckContext ctx{rootKey, rootKeyName, valueName, std::move(valueText), section, keyPath};
    auto& errors = lists.lvwErrors;
    // Views compare the length first: most of these tests end there.
    const std::string_view kind = section;
    if (kind == "Registry Integrity") {
      CheckRegistryIntegrity(errors, ctx);
    } else if (kind == "ActiveX \\ COM" || kind == "ActiveX \\ COM Subsections") {
      CheckRegistryActiveXComponent(errors, std::move(ctx));
    } else if (kind == "File Extensions") {
      CheckFileExtensionEntry(errors, ctx);
    } else if (kind == "Application Paths") {
      if (text::equalsNoCase(keyPath, kMuiCacheKey)) {
        // The cache is keyed by executable path; "@" names are resource strings.
        if (!valueName.empty() && valueName[0] == '@') return;
        ctx.valueText = valueName;
      }
      CheckApplicationPath(errors, std::move(ctx));
    } else if (kind == "Windows Fonts") {
      CheckWindowsFontpath(errors, std::move(ctx));
    } else if (kind == "Help Files") {
      CheckHelpFilesPath(errors, std::move(ctx));
    } else if (kind == "Microsoft Shared") {
      if (text::equalsNoCase(keyPath, kSharedDllsKey)) ctx.valueText = valueName;
      CheckMicrosoftSharedPath(errors, std::move(ctx));
    } else if (kind == "Windows Startup") {
      CheckUninstallString(errors, std::move(ctx));
    } else if (kind == "Uninstall Section") {
      CheckUninstallFilePath(errors, std::move(ctx));
    } else if (kind == "VxD Section") {
      CheckVirtualDeviceSection(errors, std::move(ctx));
    }
    valueText = std::move(ctx.valueText);  // the buffer goes back for the next value
  } catch (...) {
    LogError("CheckPathExistinDirectory");
  }
}

}  // namespace hm
