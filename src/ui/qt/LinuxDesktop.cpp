#include "ui/qt/LinuxDesktop.h"

#include <cstdlib>

#include "platform/kwin/KWinWindowSystem.h"
#include "platform/x11/X11ProcessLookup.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {

std::optional<LinuxDesktop> ConnectLinuxDesktop(const char* display, bool drive_desktop) {
  LinuxDesktop desktop;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (drive_desktop && wayland != nullptr && *wayland != '\0') {
    if (auto kwin = KWinWindowSystem::Connect(display != nullptr ? display : "")) {
      KWinWindowSystem& windows = *kwin;
      desktop.processes = std::make_unique<X11ProcessLookup>(
          [&windows](WindowHandle window) { return windows.WindowPid(window); });
      desktop.windows = std::move(kwin);
      return desktop;
    }
    desktop.xwayland_only = true;
  }
  auto x11 = X11WindowSystem::Connect(display);
  if (!x11) return std::nullopt;
  desktop.processes = std::make_unique<X11ProcessLookup>(*x11);
  desktop.windows = std::move(x11);
  return desktop;
}

}  // namespace hoverdeck
