// The hotkey port over X11: a passive grab of the combination on the root window, on a
// connection of its own, and the window manager's _NET_ACTIVE_WINDOW.
#pragma once

#include <memory>

#include "platform/GlobalHotkey.h"

namespace hoverdeck {

class X11GlobalHotkey final : public GlobalHotkey {
 public:
  // Connects to `display` ($DISPLAY when null); nullptr when no display can be reached.
  static std::unique_ptr<X11GlobalHotkey> Connect(const char* display = nullptr);
  ~X11GlobalHotkey() override;

  // The combination is grabbed with every state of Num Lock and Caps Lock, so that the locks
  // do not turn it off. A grab another client holds answers BadAccess: kTaken.
  HotkeyHold Hold(const Hotkey& hotkey) override;
  void Release() override;
  // Follows WM_TRANSIENT_FOR to the top-level owner; desktop and dock windows, and windows
  // that publish our own process id, count as none.
  WindowHandle ActiveWindow() override;

  // The connection's socket, readable when the server has sent something.
  int FileDescriptor() const;
  // Reads every event that has come and counts the presses of the held combination among them;
  // the presses of a held-down key's auto-repeat do not count. -1 once the connection is lost.
  int TakePresses();

 private:
  struct State;
  explicit X11GlobalHotkey(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace hoverdeck
