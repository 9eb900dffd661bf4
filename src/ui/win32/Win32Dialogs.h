// Message boxes, the input box, popup menus and the about box of the Win32 edition.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/frmAbout.h"
#include "ui/win32/GdiHandles.h"

namespace hoverdeck {

// Control identifiers of the input box, the hotkey box (with the input box's prompt) and the
// about box.
inline constexpr int kInputPromptId = 100;
inline constexpr int kInputEditId = 101;
inline constexpr int kHotkeyFieldId = 102;
inline constexpr int kHotkeyStatusId = 103;
inline constexpr int kHotkeyClearId = 104;
inline constexpr int kAboutIconId = 100;
inline constexpr int kAboutFirstLabelId = 101;
inline constexpr int kAboutLinkId = 200;
inline constexpr COLORREF kLinkColour = RGB(255, 0, 255);

// MessageBoxW's style for an icon and a set of buttons.
UINT MessageBoxStyle(MessageIcon icon, MessageButtons buttons);

// A core menu as a native popup menu; the command of item i is i + 1.
struct NativePopup {
  win32::UniqueMenu menu;
  std::vector<std::string> names;
  // The name of the item of a command TrackPopupMenu returned; nullopt for 0 or a stranger.
  std::optional<std::string> NameOf(UINT command) const;
};
NativePopup BuildPopupMenu(const Menu& menu);

class Win32Dialogs final : public Dialogs {
 public:
  explicit Win32Dialogs(HINSTANCE instance) : instance_(instance) {}

  // The window the boxes belong to (and the popups report to); nullptr for none.
  void SetOwner(HWND owner) { owner_ = owner; }

  MessageAnswer MessageBox(const std::string& text, std::string_view title, MessageIcon icon,
                           MessageButtons buttons) override;
  std::string InputBox(const std::string& prompt, std::string_view title,
                       const std::string& default_text) override;
  std::optional<std::string> PopupMenu(const Menu& menu) override;
  void ShowAbout(frmAbout& about) override;
  void ShowHotkey(frmHotkey& box) override;

 private:
  HINSTANCE instance_;
  HWND owner_ = nullptr;
};

}  // namespace hoverdeck
