// The window-system port over X11: an EWMH window manager's client list and the ICCCM, EWMH and
// Motif properties of the client windows, reached with xcb.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/WindowSystem.h"

namespace hoverdeck {

class X11WindowSystem final : public WindowSystem {
 public:
  // Connects to `display` ($DISPLAY when null); nullptr when no display can be reached.
  static std::unique_ptr<X11WindowSystem> Connect(const char* display = nullptr);
  ~X11WindowSystem() override;

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

  // The process id the window's client published in _NET_WM_PID; nullopt when there is none,
  // when the window is gone, or when the client says it runs on another machine.
  std::optional<std::uint32_t> WindowPid(WindowHandle window);

 private:
  struct State;
  explicit X11WindowSystem(std::unique_ptr<State> state);

  // Whether the walk passes over the window (a desktop or a dock, or gone).
  bool PassedOver(std::uint32_t window);
  // _NET_WM_STATE_ABOVE among the window's states; nullopt when the window is gone.
  std::optional<bool> AboveState(WindowHandle window);

  std::unique_ptr<State> state_;
};

}  // namespace hoverdeck
