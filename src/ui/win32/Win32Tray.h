// The program's icon in the notification area, over Shell_NotifyIconW.
#pragma once

#include <optional>
#include <string>

#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include "platform/Tray.h"
#include "ui/frmTop.h"
#include "ui/win32/GdiHandles.h"

namespace hoverdeck {

// The mouse event behind a callback of the icon: its lParam is the mouse message itself, the
// same at every screen scale.
TrayMouseEvent TrayEventFor(LPARAM lparam);

class Win32Tray final : public Tray {
 public:
  static constexpr UINT kCallbackMessage = WM_APP + 1;
  static constexpr UINT kIconId = 1;

  explicit Win32Tray(HINSTANCE instance);
  ~Win32Tray() override;

  // The window that receives the icon's callbacks; needed before Add.
  void SetOwner(HWND owner) { owner_ = owner; }

  bool Add(const std::string& tip) override;
  bool ModifyTip(const std::string& tip) override;
  bool Delete() override;
  // A balloon from the icon (a toast on Windows 10 and later).
  bool Notify(const std::string& title, const std::string& text) override;

  // For the owner's window procedure: true when the message was the icon's. `event` is then the
  // decoded mouse event of a callback; a (re)started taskbar gets the icon, whether or not an
  // earlier add succeeded.
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, std::optional<TrayMouseEvent>& event);

  bool Present() const { return present_; }
  // The program wants its icon but the notification area has none for it (yet).
  bool Missing() const { return wanted_ && !present_; }
  // The record given to the shell, for the adapter's tests.
  NOTIFYICONDATAW Record(UINT flags) const;

 private:
  HWND owner_ = nullptr;
  win32::UniqueIcon icon_;
  std::wstring tip_;
  UINT taskbar_created_ = 0;
  bool present_ = false;
  bool wanted_ = false;

  // NIM_ADD with the current tip; a failed add is tried again by the next tip change.
  bool TryAdd();
};

}  // namespace hoverdeck
