#include "platform/win32/Win32WindowSystem.h"

#include <string>

#include "platform/win32/WideText.h"

namespace hoverdeck {

using win32::FromHwnd;
using win32::ToHwnd;

namespace {

// Into or out of the topmost band in place: no move, no resize, no activation, shown.
constexpr UINT kTopmostSwitchFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
static_assert(kTopmostSwitchFlags == 0x53);

// Only the frame is recomputed and repainted, so the X button shows the Close item's new state.
constexpr UINT kRepaintFrameFlags =
    SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

}  // namespace

WindowHandle Win32WindowSystem::FirstWindow(WindowHandle from) {
  HWND first = nullptr;
  if (from != kNoWindow) first = GetWindow(ToHwnd(from), GW_HWNDFIRST);
  if (first == nullptr) first = GetTopWindow(nullptr);
  return FromHwnd(first);
}

WindowHandle Win32WindowSystem::NextWindow(WindowHandle window) {
  return FromHwnd(GetWindow(ToHwnd(window), GW_HWNDNEXT));
}

bool Win32WindowSystem::HasParent(WindowHandle window) {
  return GetParent(ToHwnd(window)) != nullptr;
}

bool Win32WindowSystem::IsVisible(WindowHandle window) {
  return IsWindowVisible(ToHwnd(window)) != FALSE;
}

bool Win32WindowSystem::IsEnabled(WindowHandle window) {
  return IsWindowEnabled(ToHwnd(window)) != FALSE;
}

std::string Win32WindowSystem::Caption(WindowHandle window) {
  const HWND hwnd = ToHwnd(window);
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  // The length may be larger than the text (never smaller); only what is copied counts.
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  if (copied <= 0) return {};
  text.resize(static_cast<std::size_t>(copied));
  // Exact, so that a caption written back with the marker added or removed is otherwise
  // unchanged.
  return win32::NarrowExact(text);
}

bool Win32WindowSystem::SetCaption(WindowHandle window, const std::string& caption) {
  return SetWindowTextW(ToHwnd(window), win32::WidenExact(caption).c_str()) != FALSE;
}

bool Win32WindowSystem::IsTopmost(WindowHandle window) {
  return (GetWindowLongW(ToHwnd(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

std::optional<WindowRect> Win32WindowSystem::Rect(WindowHandle window) {
  RECT rect{};
  if (!GetWindowRect(ToHwnd(window), &rect)) return std::nullopt;
  return WindowRect{rect.left, rect.top, rect.right, rect.bottom};
}

bool Win32WindowSystem::SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) {
  return SetWindowPos(ToHwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, at.left, at.top, 0,
                      0, kTopmostSwitchFlags) != FALSE;
}

std::optional<std::uint32_t> Win32WindowSystem::CloseItemState(WindowHandle window) {
  const HMENU menu = GetSystemMenu(ToHwnd(window), FALSE);
  if (menu == nullptr) return std::nullopt;
  MENUITEMINFOW item{};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_STATE;
  if (!GetMenuItemInfoW(menu, SC_CLOSE, FALSE, &item)) return std::nullopt;
  return static_cast<std::uint32_t>(item.fState);
}

bool Win32WindowSystem::SetCloseItemState(WindowHandle window, std::uint32_t state) {
  const HWND hwnd = ToHwnd(window);
  const HMENU menu = GetSystemMenu(hwnd, FALSE);
  if (menu == nullptr) return false;
  MENUITEMINFOW item{};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_STATE;
  item.fState = state;
  if (!SetMenuItemInfoW(menu, SC_CLOSE, FALSE, &item)) return false;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, kRepaintFrameFlags);
  return true;
}

}  // namespace hoverdeck
