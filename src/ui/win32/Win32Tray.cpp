#include "ui/win32/Win32Tray.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "platform/win32/WideText.h"

namespace hoverdeck {

TrayMouseEvent TrayEventFor(LPARAM lparam) {
  switch (static_cast<UINT>(lparam & 0xFFFF)) {
    case WM_LBUTTONDBLCLK:
      return TrayMouseEvent::kLeftDoubleClick;
    case WM_RBUTTONUP:
    case WM_RBUTTONDOWN:
      return TrayMouseEvent::kRightDown;
    case WM_LBUTTONDOWN:
      return TrayMouseEvent::kLeftDown;
    default:
      return TrayMouseEvent::kOther;
  }
}

Win32Tray::Win32Tray(HINSTANCE instance)
    : icon_(win32::LoadProgramIcon(instance, GetSystemMetrics(SM_CXSMICON))),
      taskbar_created_(RegisterWindowMessageW(L"TaskbarCreated")) {}

Win32Tray::~Win32Tray() {
  if (present_) Delete();
}

NOTIFYICONDATAW Win32Tray::Record(UINT flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon_.get();
  const std::size_t room = sizeof(data.szTip) / sizeof(data.szTip[0]) - 1;
  const std::size_t length = std::min(tip_.size(), room);
  std::wmemcpy(data.szTip, tip_.data(), length);
  data.szTip[length] = L'\0';
  return data;
}

bool Win32Tray::Add(const std::string& tip) {
  tip_ = win32::Widen(tip);
  wanted_ = true;
  return TryAdd();
}

bool Win32Tray::TryAdd() {
  if (!owner_) return false;
  NOTIFYICONDATAW data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  // A failure to add may be an icon that is there already (a second Add): update it instead.
  present_ = Shell_NotifyIconW(NIM_ADD, &data) || Shell_NotifyIconW(NIM_MODIFY, &data);
  return present_;
}

bool Win32Tray::ModifyTip(const std::string& tip) {
  tip_ = win32::Widen(tip);
  // At sign-in the taskbar may not be up yet: every tip change (each scan) tries the add again.
  if (!present_) return wanted_ && TryAdd();
  NOTIFYICONDATAW data = Record(NIF_TIP);
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool Win32Tray::Delete() {
  wanted_ = false;
  if (!present_) return false;
  present_ = false;
  NOTIFYICONDATAW data = Record(0);
  return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

bool Win32Tray::Notify(const std::string& title, const std::string& text) {
  if (!present_) return false;
  NOTIFYICONDATAW data = Record(NIF_INFO);
  const std::wstring wide_title = win32::Widen(title), wide_text = win32::Widen(text);
  // The fields hold 64 and 256 characters with their end; a longer caption is cut.
  wcsncpy(data.szInfoTitle, wide_title.c_str(), std::size(data.szInfoTitle) - 1);
  wcsncpy(data.szInfo, wide_text.c_str(), std::size(data.szInfo) - 1);
  data.dwInfoFlags = NIIF_INFO;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool Win32Tray::OnMessage(UINT message, WPARAM /*wparam*/, LPARAM lparam,
                          std::optional<TrayMouseEvent>& event) {
  event.reset();
  if (message == kCallbackMessage) {
    event = TrayEventFor(lparam);
    if (*event == TrayMouseEvent::kRightDown && owner_) {
      // Without this, the popup menu that follows would not close when clicked away.
      SetForegroundWindow(owner_);
    }
    return true;
  }
  if (taskbar_created_ != 0 && message == taskbar_created_) {
    // A new taskbar knows no icon of ours.
    if (wanted_) TryAdd();
    return true;
  }
  return false;
}

}  // namespace hoverdeck
