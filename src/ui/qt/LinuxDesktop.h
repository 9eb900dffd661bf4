// The window system of the Linux edition, chosen once at start-up from the desktop it runs on.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "app/OsDescription.h"
#include "platform/GlobalHotkey.h"
#include "platform/ProcessLookup.h"
#include "platform/WindowSystem.h"

class QSocketNotifier;

namespace hoverdeck {

class X11GlobalHotkey;

struct LinuxDesktop {
  std::unique_ptr<WindowSystem> windows;
  std::unique_ptr<ProcessLookup> processes;  // answers through `windows`
  std::unique_ptr<GlobalHotkey> hotkey;
  X11GlobalHotkey* x11_hotkey = nullptr;  // `hotkey`, where its presses come over X11
  // Where the desktop switches the window itself: hands it what to call after each switch.
  std::function<void(std::function<void(const HotkeySwitch&)>)> watch_switches;
  // A Wayland desktop without KWin or GNOME Shell's extension: only programs that run through
  // XWayland are seen; on GNOME, the reason when the user can act on it.
  bool xwayland_only = false;
  WaylandNotice wayland_notice = WaylandNotice::kNone;
};

// On a Wayland desktop whose KWin runs the program's script, KWin's adapter; on one whose GNOME
// Shell runs the program's extension (put in place here), GNOME's; otherwise X11 on `display`
// (XWayland on other Wayland desktops); X11 alone when not `drive_desktop` (a second start,
// which only says that the program runs already). nullopt when neither can be reached.
std::optional<LinuxDesktop> ConnectLinuxDesktop(const char* display, bool drive_desktop = true);

// Calls `pressed` for every press of the held combination, as the X server sends them.
std::unique_ptr<QSocketNotifier> WatchHotkey(X11GlobalHotkey& hotkey,
                                             std::function<void()> pressed);

}  // namespace hoverdeck
