// The window-system port over the Win32 user interface (wide entry points throughout).
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/WindowSystem.h"

namespace hoverdeck {
namespace win32 {

// Window handles carry only 32 significant bits, also on 64-bit Windows; going back to a HWND
// sign-extends them as the system does.
inline WindowHandle FromHwnd(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}
inline HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}

}  // namespace win32

class Win32WindowSystem final : public WindowSystem {
 public:
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
  std::optional<std::uint32_t> CloseItemState(WindowHandle window) override;
  bool SetCloseItemState(WindowHandle window, std::uint32_t state) override;
};

}  // namespace hoverdeck
