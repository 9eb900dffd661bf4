// The hotkey port over RegisterHotKey: the combination is registered for the main window, whose
// window procedure receives WM_HOTKEY with kHotkeyId, and GetForegroundWindow.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/GlobalHotkey.h"

namespace hoverdeck {

// The virtual-key code of a key a setting may name (see IsHotkeyKey); 0 for none.
UINT VirtualKeyOf(std::string_view key);
// The setting's name of a virtual key; "" for a key a setting cannot name.
std::string KeyNameOf(UINT virtual_key);

class Win32GlobalHotkey final : public GlobalHotkey {
 public:
  static constexpr int kHotkeyId = 1;

  // The window that receives WM_HOTKEY; needed before Hold. Registered on its thread.
  void SetOwner(HWND owner) { owner_ = owner; }
  ~Win32GlobalHotkey() override { Release(); }

  // A combination another program registered answers ERROR_HOTKEY_ALREADY_REGISTERED: kTaken.
  HotkeyHold Hold(const Hotkey& hotkey) override;
  void Release() override;
  // The root owner of the foreground window, as the lists show owned windows; none for our own.
  WindowHandle ActiveWindow() override;

 private:
  HWND owner_ = nullptr;
  bool held_ = false;
};

}  // namespace hoverdeck
