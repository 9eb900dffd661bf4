// The window-system port over the Win32 user interface (wide entry points throughout).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/WindowSystem.h"
#include "platform/win32/Win32ProcessRights.h"

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

// The window's class name; empty for a window that is gone.
inline std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace win32

// Never waits on another program for long: z-order changes are handed on asynchronously,
// captions are written with a send that gives up after a short time or at once on a hung
// program, and captions are read from the system's copy, which asks the window nothing.
class Win32WindowSystem final : public WindowSystem {
 public:
  Win32WindowSystem();

  WindowHandle FirstWindow(WindowHandle from) override;
  WindowHandle NextWindow(WindowHandle window) override;
  bool HasParent(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override;
  bool IsEnabled(WindowHandle window) override;
  // Not cloaked (where the desktop composition can tell), and neither the shell's desktop
  // window nor a taskbar.
  bool IsSeen(WindowHandle window) override;
  std::string Caption(WindowHandle window) override;
  bool SetCaption(WindowHandle window, const std::string& caption) override;
  bool IsTopmost(WindowHandle window) override;
  std::optional<WindowRect> Rect(WindowHandle window) override;
  bool SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) override;
  // Asks again for a short while: the switch of another program's window is asynchronous.
  bool ConfirmTopmost(WindowHandle window, bool topmost) override;
  // Higher rights from the owning process's token; not responding when the system counts the
  // window as hung or it does not answer a message within a short time.
  WindowAccess Access(WindowHandle window) override;
  std::optional<std::uint32_t> CloseItemState(WindowHandle window) override;
  bool SetCloseItemState(WindowHandle window, std::uint32_t state) override;

 private:
  using CloakQuery = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
  // The composition's attribute query, where the system has one.
  CloakQuery cloak_query_ = nullptr;
  win32::ProcessRights rights_;
};

}  // namespace hoverdeck
