#include "ui/qt/LinuxDesktop.h"

#include <cstdlib>

#include "platform/gnome/GnomeExtension.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/x11/X11ProcessLookup.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

template <typename Adapter>
LinuxDesktop Over(std::unique_ptr<Adapter> adapter) {
  LinuxDesktop desktop;
  Adapter& windows = *adapter;
  desktop.processes = std::make_unique<X11ProcessLookup>(
      [&windows](WindowHandle window) { return windows.WindowPid(window); });
  desktop.windows = std::move(adapter);
  return desktop;
}

}  // namespace

std::optional<LinuxDesktop> ConnectLinuxDesktop(const char* display, bool drive_desktop) {
  LinuxDesktop desktop;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (drive_desktop && wayland != nullptr && *wayland != '\0') {
    const std::string x_display = display != nullptr ? display : "";
    if (auto kwin = KWinWindowSystem::Connect(x_display)) return Over(std::move(kwin));
    if (SetUpGnomeExtension(desktop.wayland_notice)) {
      if (auto gnome = GnomeWindowSystem::Connect(x_display)) return Over(std::move(gnome));
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
