// How the native window shows the core's visibility and state. Hiding a minimised window is
// only safe with a notification area to bring it back from; without one the window stays
// minimised in the taskbar, and the user is told once why.
#pragma once

#include <string>

#include "ui/Controls.h"

namespace hoverdeck {

struct WindowPresentation {
  bool shown = false;
  bool minimized = false;
  bool operator==(const WindowPresentation&) const = default;
};

class NoTrayFallback {
 public:
  explicit NoTrayFallback(bool tray_available) : tray_available_(tray_available) {}

  bool TrayAvailable() const { return tray_available_; }
  // A notification area came or went while the program runs.
  void SetTrayAvailable(bool available) { tray_available_ = available; }

  // The native window's look for the core's state. A window the core hid because it is
  // minimised stays minimised (not hidden) when there is no tray; any other hidden window is
  // hidden (the invisible mode needs no tray).
  WindowPresentation Present(bool core_visible, WindowState core_state);

  // True exactly once: the first time Present kept a window that the core hid.
  bool TakeMessage();

  // Whether a restore by the user must also show the window in the core (the core still
  // thinks it hidden) rather than only report the new state.
  bool RestoreShows(bool core_visible) const { return !tray_available_ && !core_visible; }

  // What the user is told, by what the window manager made of the window: iconified in the
  // taskbar, or (a window manager that does not minimise) left on the screen.
  static std::string MessageText(bool iconified);

 private:
  bool tray_available_;
  bool message_due_ = false;
  bool message_given_ = false;
};

}  // namespace hoverdeck
