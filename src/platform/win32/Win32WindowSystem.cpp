#include "platform/win32/Win32WindowSystem.h"

#include <chrono>
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

// A window of another thread takes a position change when it next runs its messages; the call
// itself does not wait for that.
constexpr UINT kHandOn = SWP_ASYNCWINDOWPOS;

// Messages sent to other programs' windows: given up after a short time, at once for a window
// the system already counts as hung, and nothing sent to us is handled while we wait.
constexpr UINT kSendFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
constexpr UINT kSendTimeoutMs = 150;
// How long a user's change is asked after: its answer comes within a second.
constexpr auto kConfirmTimeout = std::chrono::milliseconds(500);
constexpr DWORD kConfirmPollMs = 10;

// The composition attribute that tells a window is kept out of sight although shown.
constexpr DWORD kDwmCloaked = 14;  // DWMWA_CLOAKED
// Longest caption read; a longer one is not cut (a marker written back would lose its end).
constexpr int kLongestCaption = 1 << 20;

}  // namespace

Win32WindowSystem::Win32WindowSystem() {
  // Loaded from the system folder when it is there; without it (or without composition) no
  // window counts as cloaked.
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const std::wstring path = std::wstring(folder, length) + L"\\dwmapi.dll";
  if (const HMODULE dwm = LoadLibraryW(path.c_str())) {
    cloak_query_ = reinterpret_cast<CloakQuery>(
        reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetWindowAttribute")));
  }
}

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

bool Win32WindowSystem::IsSeen(WindowHandle window) {
  const HWND hwnd = ToHwnd(window);
  if (hwnd == GetShellWindow()) return false;
  const std::wstring class_name = win32::ClassName(hwnd);
  if (class_name == L"Shell_TrayWnd" || class_name == L"Shell_SecondaryTrayWnd") return false;
  DWORD cloaked = 0;
  return cloak_query_ == nullptr ||
         cloak_query_(hwnd, kDwmCloaked, &cloaked, sizeof(cloaked)) != S_OK || cloaked == 0;
}

std::string Win32WindowSystem::Caption(WindowHandle window) {
  const HWND hwnd = ToHwnd(window);
  // The system's copy of the caption: reading it sends the window nothing, so a hung program
  // cannot hold us. A text that fills the buffer may go on: asked again with more room.
  for (int size = 256; size <= kLongestCaption; size *= 4) {
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int copied = InternalGetWindowText(hwnd, text.data(), size);
    if (copied <= 0) return {};
    if (copied < size - 1) {
      text.resize(static_cast<std::size_t>(copied));
      // Exact, so that a caption written back with the marker added or removed is otherwise
      // unchanged.
      return win32::NarrowExact(text);
    }
  }
  return {};
}

bool Win32WindowSystem::SetCaption(WindowHandle window, const std::string& caption) {
  const std::wstring text = win32::WidenExact(caption);
  DWORD_PTR set = FALSE;
  return SendMessageTimeoutW(ToHwnd(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             kSendFlags, kSendTimeoutMs, &set) != 0 &&
         set != FALSE;
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
                      0, kTopmostSwitchFlags | kHandOn) != FALSE;
}

bool Win32WindowSystem::ConfirmTopmost(WindowHandle window, bool topmost) {
  const HWND hwnd = ToHwnd(window);
  const auto deadline = std::chrono::steady_clock::now() + kConfirmTimeout;
  for (;;) {
    if (!IsWindow(hwnd)) return false;
    if (IsTopmost(window) == topmost) return true;
    // A hung program will not take it in time.
    if (IsHungAppWindow(hwnd) || std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(kConfirmPollMs);
  }
}

WindowAccess Win32WindowSystem::Access(WindowHandle window) {
  const HWND hwnd = ToHwnd(window);
  DWORD process = 0;
  if (GetWindowThreadProcessId(hwnd, &process) == 0) return WindowAccess::kOpen;  // gone
  if (rights_.Higher(process)) return WindowAccess::kHigherRights;
  if (IsHungAppWindow(hwnd)) return WindowAccess::kNotResponding;
  DWORD_PTR ignored = 0;
  if (SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, kSendFlags, kSendTimeoutMs, &ignored) != 0 ||
      !IsWindow(hwnd)) {
    return WindowAccess::kOpen;
  }
  // The system keeps messages of a program with higher rights from reaching it.
  return GetLastError() == ERROR_ACCESS_DENIED ? WindowAccess::kHigherRights
                                               : WindowAccess::kNotResponding;
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
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, kRepaintFrameFlags | kHandOn);
  return true;
}

}  // namespace hoverdeck
