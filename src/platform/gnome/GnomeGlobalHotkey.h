// The global key combination on GNOME Shell on Wayland: the program's extension grabs it as a
// shell accelerator, switches "above" of the focused window itself and reports it through
// GnomeWindowSystem::OnHotkeySwitched.
#pragma once

#include <string>

#include "platform/GlobalHotkey.h"

namespace hoverdeck {

class GnomeGlobalHotkey final : public GlobalHotkey {
 public:
  GnomeGlobalHotkey() = default;
  ~GnomeGlobalHotkey() override;

  // kTaken when the shell or another program has the combination bound; kUnavailable when the
  // extension does not answer.
  HotkeyHold Hold(const Hotkey& hotkey) override;
  void Release() override;
  // The shell switches the window itself.
  WindowHandle ActiveWindow() override { return kNoWindow; }

  // The combination in GTK's spelling ("<Control><Super>t").
  static std::string Accelerator(const Hotkey& hotkey);

 private:
  bool held_ = false;
};

}  // namespace hoverdeck
