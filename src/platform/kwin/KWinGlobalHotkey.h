// The global key combination on a KWin Wayland desktop: KWin's shortcut service (kglobalaccel,
// inside KWin on Wayland) holds the keys of the shortcut that the program's KWin script
// registers; the script switches the active window itself and reports it through
// KWinWindowSystem::OnHotkeySwitched.
#pragma once

#include "platform/GlobalHotkey.h"

namespace hoverdeck {

class KWinGlobalHotkey final : public GlobalHotkey {
 public:
  // Lets go of keys a run that crashed left on the shortcut.
  KWinGlobalHotkey();
  ~KWinGlobalHotkey() override;

  // kTaken when another shortcut of any program or of KWin has the keys; kUnavailable when the
  // shortcut service does not answer or does not bind them.
  HotkeyHold Hold(const Hotkey& hotkey) override;
  void Release() override;
  // KWin switches the window itself.
  WindowHandle ActiveWindow() override { return kNoWindow; }

  // The combination as the shortcut service codes it (Qt's key and modifier bits); 0 for none.
  static int KeyCode(const Hotkey& hotkey);
};

}  // namespace hoverdeck
