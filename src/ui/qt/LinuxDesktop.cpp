#include "ui/qt/LinuxDesktop.h"

#include <QSocketNotifier>
#include <cstdlib>

#include "platform/gnome/GnomeExtension.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/kwin/KWinGlobalHotkey.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/x11/X11GlobalHotkey.h"
#include "platform/x11/X11ProcessLookup.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

// Where no adapter can hold a key combination yet (on GNOME on Wayland only the shell can):
// every combination is unavailable, and start-up says so.
class NoGlobalHotkey final : public GlobalHotkey {
 public:
  HotkeyHold Hold(const Hotkey&) override { return HotkeyHold::kUnavailable; }
  void Release() override {}
  WindowHandle ActiveWindow() override { return kNoWindow; }
};

template <typename Adapter>
LinuxDesktop Over(std::unique_ptr<Adapter> adapter) {
  LinuxDesktop desktop;
  Adapter& windows = *adapter;
  desktop.processes = std::make_unique<X11ProcessLookup>(
      [&windows](WindowHandle window) { return windows.WindowPid(window); });
  desktop.windows = std::move(adapter);
  desktop.hotkey = std::make_unique<NoGlobalHotkey>();
  return desktop;
}

LinuxDesktop OverKWin(std::unique_ptr<KWinWindowSystem> kwin) {
  KWinWindowSystem& windows = *kwin;
  LinuxDesktop desktop = Over(std::move(kwin));
  desktop.hotkey = std::make_unique<KWinGlobalHotkey>();
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
    if (auto kwin = KWinWindowSystem::Connect(x_display)) return OverKWin(std::move(kwin));
    if (SetUpGnomeExtension(desktop.wayland_notice)) {
      if (auto gnome = GnomeWindowSystem::Connect(x_display)) return Over(std::move(gnome));
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
