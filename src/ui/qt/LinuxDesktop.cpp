#include "ui/qt/LinuxDesktop.h"

#include <QSocketNotifier>
#include <cstdlib>

#include "platform/gnome/GnomeExtension.h"
#include "platform/gnome/GnomeGlobalHotkey.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/kwin/KWinGlobalHotkey.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/x11/X11GlobalHotkey.h"
#include "platform/x11/X11ProcessLookup.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

template <typename HotkeyAdapter, typename Adapter>
LinuxDesktop Over(std::unique_ptr<Adapter> adapter) {
  LinuxDesktop desktop;
  Adapter& windows = *adapter;
  desktop.processes = std::make_unique<X11ProcessLookup>(
      [&windows](WindowHandle window) { return windows.WindowPid(window); });
  desktop.windows = std::move(adapter);
  // The desktop holds the combination and switches the window itself.
  desktop.hotkey = std::make_unique<HotkeyAdapter>();
  desktop.watch_switches = [&windows](std::function<void(const HotkeySwitch&)> switched) {
    windows.OnHotkeySwitched(std::move(switched));
  };
  return desktop;
}

}  // namespace

std::optional<LinuxDesktop> ConnectLinuxDesktop(const char* display, bool drive_desktop) {
  LinuxDesktop desktop;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (drive_desktop && wayland != nullptr && *wayland != '\0') {
    const std::string x_display = display != nullptr ? display : "";
    if (auto kwin = KWinWindowSystem::Connect(x_display)) {
      return Over<KWinGlobalHotkey>(std::move(kwin));
    }
    if (SetUpGnomeExtension(desktop.wayland_notice)) {
      if (auto gnome = GnomeWindowSystem::Connect(x_display)) {
        return Over<GnomeGlobalHotkey>(std::move(gnome));
      }
    }
    desktop.xwayland_only = true;
  }
  auto x11 = X11WindowSystem::Connect(display);
  if (!x11) return std::nullopt;
  desktop.processes = std::make_unique<X11ProcessLookup>(*x11);
  desktop.windows = std::move(x11);
  auto hotkey = X11GlobalHotkey::Connect(display);
  if (!hotkey) return std::nullopt;
  desktop.x11_hotkey = hotkey.get();
  desktop.hotkey = std::move(hotkey);
  return desktop;
}

std::unique_ptr<QSocketNotifier> WatchHotkey(X11GlobalHotkey& hotkey,
                                             std::function<void()> pressed) {
  auto watch = std::make_unique<QSocketNotifier>(hotkey.FileDescriptor(), QSocketNotifier::Read);
  QSocketNotifier* raw = watch.get();
  QObject::connect(raw, &QSocketNotifier::activated, raw, [&hotkey, pressed, raw] {
    // A press read while a handler asked the server something is counted by the next round.
    for (int presses = hotkey.TakePresses(); presses != 0; presses = hotkey.TakePresses()) {
      if (presses < 0) {
        raw->setEnabled(false);  // the display is gone; the program ends with it
        return;
      }
      while (presses-- > 0) pressed();
    }
  });
  return watch;
}

}  // namespace hoverdeck
