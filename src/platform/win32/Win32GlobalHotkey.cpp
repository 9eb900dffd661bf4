#include "platform/win32/Win32GlobalHotkey.h"

#include <cstdlib>
#include <string_view>

#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {
namespace {

struct NamedKey {
  std::string_view name;
  UINT code;
};
constexpr NamedKey kNamedKeys[] = {
    {"Space", VK_SPACE}, {"Insert", VK_INSERT}, {"Delete", VK_DELETE}, {"Home", VK_HOME},
    {"End", VK_END},     {"PageUp", VK_PRIOR},  {"PageDown", VK_NEXT}, {"Left", VK_LEFT},
    {"Up", VK_UP},       {"Right", VK_RIGHT},   {"Down", VK_DOWN}};

}  // namespace

UINT VirtualKeyOf(std::string_view key) {
  if (!IsHotkeyKey(key)) return 0;
  if (key.size() == 1) return static_cast<UINT>(key[0]);  // 'A'..'Z', '0'..'9' are their codes
  if (key[0] == 'F' && key.size() <= 3) return VK_F1 + std::atoi(key.data() + 1) - 1;
  for (const NamedKey& named : kNamedKeys) {
    if (named.name == key) return named.code;
  }
  return 0;
}

std::string KeyNameOf(UINT virtual_key) {
  if ((virtual_key >= 'A' && virtual_key <= 'Z') || (virtual_key >= '0' && virtual_key <= '9')) {
    return std::string(1, static_cast<char>(virtual_key));
  }
  if (virtual_key >= VK_F1 && virtual_key <= VK_F24) {
    return "F" + std::to_string(virtual_key - VK_F1 + 1);
  }
  for (const NamedKey& named : kNamedKeys) {
    if (named.code == virtual_key) return std::string(named.name);
  }
  return {};
}

HotkeyHold Win32GlobalHotkey::Hold(const Hotkey& hotkey) {
  Release();
  const UINT key = VirtualKeyOf(hotkey.key);
  if (owner_ == nullptr || key == 0) return HotkeyHold::kUnavailable;
  // No repeats while the keys are held down: one press, one switch.
  UINT modifiers = MOD_NOREPEAT;
  if (hotkey.modifiers & Hotkey::kCtrl) modifiers |= MOD_CONTROL;
  if (hotkey.modifiers & Hotkey::kAlt) modifiers |= MOD_ALT;
  if (hotkey.modifiers & Hotkey::kShift) modifiers |= MOD_SHIFT;
  if (hotkey.modifiers & Hotkey::kLogo) modifiers |= MOD_WIN;
  if (RegisterHotKey(owner_, kHotkeyId, modifiers, key)) {
    held_ = true;
    return HotkeyHold::kHeld;
  }
  return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? HotkeyHold::kTaken
                                                           : HotkeyHold::kUnavailable;
}

void Win32GlobalHotkey::Release() {
  if (held_) UnregisterHotKey(owner_, kHotkeyId);
  held_ = false;
}

WindowHandle Win32GlobalHotkey::ActiveWindow() {
  HWND window = GetForegroundWindow();
  if (window != nullptr) window = GetAncestor(window, GA_ROOTOWNER);
  DWORD process = 0;
  if (window == nullptr || GetWindowThreadProcessId(window, &process) == 0 ||
      process == GetCurrentProcessId()) {
    return kNoWindow;
  }
  return win32::FromHwnd(window);
}

}  // namespace hoverdeck
