#include "ui/win32/Win32Tray.h"

#include <algorithm>
#include <cwchar>

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
  if (!owner_) return false;
  tip_ = win32::Widen(tip);
  NOTIFYICONDATAW data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  if (!Shell_NotifyIconW(NIM_ADD, &data)) {
    // Already there (a second Add): bring it up to date instead.
    if (!Shell_NotifyIconW(NIM_MODIFY, &data)) return false;
  }
  present_ = true;
  return true;
}

bool Win32Tray::ModifyTip(const std::string& tip) {
  if (!present_) return false;
  tip_ = win32::Widen(tip);
  NOTIFYICONDATAW data = Record(NIF_TIP);
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool Win32Tray::Delete() {
  if (!present_) return false;
  present_ = false;
  NOTIFYICONDATAW data = Record(0);
  return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
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
    if (present_) {
      NOTIFYICONDATAW data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
      Shell_NotifyIconW(NIM_ADD, &data);
    }
    return true;
  }
  return false;
}

}  // namespace hoverdeck
