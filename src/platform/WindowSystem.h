// The port through which the core reaches other programs' top-level windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// What stands between us and a change to a window.
enum class WindowAccess {
  kOpen,           // nothing known: a change may take
  kNotResponding,  // its program does not answer (busy or hung); a change waits for it
  kHigherRights,   // its program runs with higher rights than ours; a change is refused
};

// Every call may meet a window that has just vanished; the documented answer for that case is
// what a failing call gives back. Text is UTF-8 both ways. No call waits on another program for
// more than a fraction of a second: a program that stops answering must not stop ours.
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
  // Whether a person sees the window as one of the desktop's windows; asked only of visible
  // ones. False for a window kept out of sight although shown (an app held in the background,
  // a window of another virtual desktop) and for the shell's own desktop and taskbar windows.
  virtual bool IsSeen(WindowHandle /*window*/) { return true; }

  // The caption; empty when the window has none or no longer exists.
  virtual std::string Caption(WindowHandle window) = 0;
  // Replaces the caption; false when the write was refused.
  virtual bool SetCaption(WindowHandle window, const std::string& caption) = 0;

  // Whether the window is in the topmost band.
  virtual bool IsTopmost(WindowHandle window) = 0;
  // The window's rectangle in screen coordinates; nullopt when the window no longer exists.
  virtual std::optional<WindowRect> Rect(WindowHandle window) = 0;
  // Moves the window into the topmost band (topmost = true) or out of it, without moving,
  // sizing or activating it, and shows it. `at` is the rectangle just read. False on refusal;
  // true may only mean the change was handed on (ConfirmTopmost tells whether it took).
  virtual bool SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) = 0;
  // Whether the window has reached the wanted topmost state after SetTopmost. An adapter whose
  // changes take effect asynchronously may wait briefly here; the default asks once.
  virtual bool ConfirmTopmost(WindowHandle window, bool topmost) {
    return IsTopmost(window) == topmost;
  }

  // Whether a change to the window can take effect now. Asked before a rule writes to a window
  // and after a user's change did not take, so it must be quick (a fraction of a second).
  virtual WindowAccess Access(WindowHandle /*window*/) { return WindowAccess::kOpen; }

  // The state word of the Close item of the window's system menu; nullopt when it cannot be
  // read. Disabled means both kCloseItemDisabledBits are set.
  virtual std::optional<std::uint32_t> CloseItemState(WindowHandle window) = 0;
  // Writes the state word back; false when the write was refused.
  virtual bool SetCloseItemState(WindowHandle window, std::uint32_t state) = 0;
  // The close-button rules the scans apply: the parts of captions of the checked list entries
  // (matched case-sensitively) or, with `every_window`, every window. Told before each full
  // scan; an adapter whose window manager applies such rules to windows as they come and as
  // their captions change hands them over here. Nothing by default.
  virtual void SetCloseRules(const std::vector<std::string>& /*parts*/, bool /*every_window*/) {}
  // Whether the Close item is disabled after SetCloseItemState disabled it. An adapter over an
  // asynchronous window manager may wait briefly here; the default asks once.
  virtual bool ConfirmCloseItemDisabled(WindowHandle window) {
    const auto state = CloseItemState(window);
    return state && IsCloseItemDisabled(*state);
  }
};

}  // namespace hoverdeck
