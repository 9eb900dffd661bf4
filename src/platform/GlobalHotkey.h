// The port for the global key combination that switches the active window between topmost and
// not, whatever program has the keyboard.
//
// A press of the held combination reaches the main window through the edition: on a desktop
// where the program switches the window itself (Windows, X11) as frmTop::Hotkey_Pressed, which
// asks ActiveWindow and switches it; on a desktop that switches the window for us (a KWin script,
// a GNOME Shell extension) as frmTop::Hotkey_Switched with what the desktop did.
#pragma once

#include <string>

#include "app/Hotkey.h"
#include "platform/WindowHandle.h"

namespace hoverdeck {

enum class HotkeyHold {
  kHeld,         // the combination is ours until Release or the next Hold
  kTaken,        // another program or the desktop holds it; it was left to them
  kUnavailable,  // it cannot be had here (a key this keyboard lacks, no way to hold keys)
};

// What a desktop that switches the window itself reports after a press.
struct HotkeySwitch {
  WindowHandle window = kNoWindow;
  std::string caption;
  bool topmost = false;  // the state asked for
  bool changed = false;  // whether the window reached it
  // Whether the change was handed on at all; one handed on to a program that does not answer is
  // made once it answers.
  bool handed_on = true;
};

class GlobalHotkey {
 public:
  GlobalHotkey() = default;
  GlobalHotkey(const GlobalHotkey&) = delete;
  GlobalHotkey& operator=(const GlobalHotkey&) = delete;
  virtual ~GlobalHotkey() = default;

  // Lets go of the combination held, if any, then takes `hotkey` (a usable one) for this
  // program; on kTaken and kUnavailable none is held. Never takes a combination from another.
  virtual HotkeyHold Hold(const Hotkey& hotkey) = 0;
  // Lets go of the combination held; nothing when none is.
  virtual void Release() = 0;
  // The top-level window that has the keyboard focus, a window owned by another (a dialog, a
  // tool window) given as its top-level owner. kNoWindow when none has it, and for the
  // desktop, a panel and this program's own windows. kNoWindow also where the desktop switches
  // the window itself.
  virtual WindowHandle ActiveWindow() = 0;
};

}  // namespace hoverdeck
