#include "shell/clsTray.h"

#include <cstddef>

namespace hm::shell {
namespace {

// The notification area shows at most 63 characters; a cut never splits a
// character's UTF-8 bytes.
std::string TrayTip(const std::string& text) {
  constexpr std::size_t kMaxTipCharacters = 63;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (characters++ == kMaxTipCharacters) return text.substr(0, i);
  }
  return text;
}

}  // namespace

void clsTray::ShowIcon(const platform::FormModel& sysTrayForm) {
  icon_.tip = TrayTip(sysTrayForm.caption);
  icon_.shown = true;
  bRunningInTray = true;
}

void clsTray::RemoveIcon(const platform::FormModel& sysTrayForm) {
  (void)sysTrayForm;
  icon_.shown = false;
  icon_.tip = std::string();
  bRunningInTray = false;
}

void clsTray::ChangeToolTip(const platform::FormModel& sysTrayForm, const std::string& strNewTip) {
  (void)sysTrayForm;
  if (!bRunningInTray) return;
  icon_.tip = TrayTip(strNewTip);
}

}  // namespace hm::shell
