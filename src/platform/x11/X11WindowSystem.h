// The window-system port over X11: an EWMH window manager's client list and the ICCCM, EWMH and
// Motif properties of the client windows, reached with xcb.
//
// A walk (FirstWindow, then NextWindow until it answers kNoWindow) runs on a snapshot taken when
// it begins: the stacking and every property the walk's questions need, read in a fixed number
// of round trips whatever the number of windows. While the walk stands on a window, the questions
// about that window are answered from the snapshot, and the adapter's own writes update it; every
// other call, and every call once the walk is over, asks the server. The server's notices of
// destroyed windows, which cost no round trip, turn a window of the snapshot into a gone one.
// Between walks the snapshot is kept, and the notices of changes tell what to read again.
//
// The port's questions and the walk are in X11WindowSystem.cpp, the writes in
// X11WindowWrites.cpp, the waits for the window manager to take a change in X11WindowConfirm.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/WindowSystem.h"

namespace hoverdeck {

namespace x11 {
struct WindowSystemState;
}  // namespace x11

class X11WindowSystem final : public WindowSystem {
 public:
  // Connects to `display` ($DISPLAY when null); nullptr when no display can be reached.
  static std::unique_ptr<X11WindowSystem> Connect(const char* display = nullptr);
  ~X11WindowSystem() override;

  std::optional<std::uint64_t> DesktopRevision() override;
  WindowHandle FirstWindow(WindowHandle from) override;
  WindowHandle NextWindow(WindowHandle window) override;
  bool HasParent(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override;
  bool IsEnabled(WindowHandle window) override;
  std::string Caption(WindowHandle window) override;
  bool SetCaption(WindowHandle window, const std::string& caption) override;
  bool IsTopmost(WindowHandle window) override;
  std::optional<WindowRect> Rect(WindowHandle window) override;
  bool SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) override;
  bool ConfirmTopmost(WindowHandle window, bool topmost) override;
  std::optional<std::uint32_t> CloseItemState(WindowHandle window) override;
  bool SetCloseItemState(WindowHandle window, std::uint32_t state) override;
  bool ConfirmCloseItemDisabled(WindowHandle window) override;

  // The process id the window's client published in _NET_WM_PID; nullopt when there is none,
  // when the window is gone, or when the client says it runs on another machine.
  std::optional<std::uint32_t> WindowPid(WindowHandle window);

  // How often the adapter has waited for the server's answer to requests it had sent since the
  // last wait: the round trips it has made since it connected.
  std::uint64_t RoundTrips() const;

 private:
  explicit X11WindowSystem(std::unique_ptr<x11::WindowSystemState> state);

  std::unique_ptr<x11::WindowSystemState> state_;
};

}  // namespace hoverdeck
