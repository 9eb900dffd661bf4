// The port through which the core reaches other programs' top-level windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/WindowHandle.h"

namespace hoverdeck {

struct WindowRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Bits of the Close item's state word that together mean "disabled and greyed".
inline constexpr std::uint32_t kCloseItemDisabledBits = 0x3;

// Disabled only when both bits of kCloseItemDisabledBits are set; one alone counts as enabled.
constexpr bool IsCloseItemDisabled(std::uint32_t state) {
  return (state & kCloseItemDisabledBits) == kCloseItemDisabledBits;
}

// Every call may meet a window that has just vanished; the documented answer for that case is
// what a failing call gives back. Text is UTF-8 both ways.
class WindowSystem {
 public:
  WindowSystem() = default;
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;
  virtual ~WindowSystem() = default;

  // A number that stays the same for as long as every answer below about the windows (their
  // order, filter facts, captions, topmost states and Close items) stays the same, and changes
  // with any walk or write that may have changed one; nullopt when the adapter cannot tell.
  virtual std::optional<std::uint64_t> DesktopRevision() { return std::nullopt; }

  // The top of the Z-order among the top-level windows (asked relative to `from`, normally our
  // own main window); kNoWindow when there is none.
  virtual WindowHandle FirstWindow(WindowHandle from) = 0;
  // The top-level window just below `window` in the Z-order; kNoWindow after the last one or
  // when `window` no longer exists.
  virtual WindowHandle NextWindow(WindowHandle window) = 0;

  // False for a window that no longer exists, as for the other queries below.
  virtual bool HasParent(WindowHandle window) = 0;
  virtual bool IsVisible(WindowHandle window) = 0;
  virtual bool IsEnabled(WindowHandle window) = 0;

  // The caption; empty when the window has none or no longer exists.
  virtual std::string Caption(WindowHandle window) = 0;
  // Replaces the caption; false when the write was refused.
  virtual bool SetCaption(WindowHandle window, const std::string& caption) = 0;

  // Whether the window is in the topmost band.
  virtual bool IsTopmost(WindowHandle window) = 0;
  // The window's rectangle in screen coordinates; nullopt when the window no longer exists.
  virtual std::optional<WindowRect> Rect(WindowHandle window) = 0;
  // Moves the window into the topmost band (topmost = true) or out of it, without moving,
  // sizing or activating it, and shows it. `at` is the rectangle just read. False on refusal.
  virtual bool SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) = 0;
  // Whether the window has reached the wanted topmost state after SetTopmost. An adapter over an
  // asynchronous window manager may wait briefly here; the default asks once.
  virtual bool ConfirmTopmost(WindowHandle window, bool topmost) {
    return IsTopmost(window) == topmost;
  }

  // The state word of the Close item of the window's system menu; nullopt when it cannot be
  // read. Disabled means both kCloseItemDisabledBits are set.
  virtual std::optional<std::uint32_t> CloseItemState(WindowHandle window) = 0;
  // Writes the state word back; false when the write was refused.
  virtual bool SetCloseItemState(WindowHandle window, std::uint32_t state) = 0;
  // Whether the Close item is disabled after SetCloseItemState disabled it. An adapter over an
  // asynchronous window manager may wait briefly here; the default asks once.
  virtual bool ConfirmCloseItemDisabled(WindowHandle window) {
    const auto state = CloseItemState(window);
    return state && IsCloseItemDisabled(*state);
  }
};

}  // namespace hoverdeck
