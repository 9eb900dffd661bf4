// The main window's hotkey for the active window: holding it, the box that changes it, and the
// switch it makes.
#include "app/ProgramConstants.h"
#include "ui/frmTop.h"
#include "ui/frmTopTexts.h"

namespace hoverdeck {

std::string frmTop::HoldHotkeyAtStart() {
  const Settings& settings = values_.settings;
  std::string notice(texts::kHotkeyPrefix);
  if (!settings.UnreadHotkey.empty()) {
    notice += "\"" + settings.UnreadHotkey + "\"" + std::string(texts::kHotkeyUnread);
  } else if (settings.TopmostHotkey.empty()) {
    return {};
  } else {
    const HotkeyHold hold = ports_.hotkey.Hold(settings.TopmostHotkey);
    // A desktop where no combination can be held is not worth a word at every start, unless
    // the user chose this one.
    if (hold == HotkeyHold::kHeld ||
        (hold == HotkeyHold::kUnavailable && !settings.TopmostHotkeyChosen)) {
      return {};
    }
    notice += HotkeyText(settings.TopmostHotkey);
    notice += hold == HotkeyHold::kTaken ? texts::kHotkeyTaken : texts::kHotkeyUnavailable;
  }
  return notice + std::string(texts::kHotkeyChooseAnother);
}

HotkeyHold frmTop::ApplyHotkey(const Hotkey& hotkey) {
  const HotkeyHold hold = hotkey.empty() ? HotkeyHold::kHeld : ports_.hotkey.Hold(hotkey);
  if (hold != HotkeyHold::kHeld) return hold;
  Settings& settings = values_.settings;
  settings.TopmostHotkey = hotkey;
  settings.TopmostHotkeyChosen = true;
  settings.UnreadHotkey.clear();
  Config().Write(kConfigurationSection, kKeyTopmostHotkey, HotkeyText(hotkey));
  return hold;
}

void frmTop::mnuHotkey_Click() {
  if (hotkeyBox.Loaded()) return;  // modal: never twice at once
  // Let go while the box is open, so that the combination in use can be pressed in it.
  ports_.hotkey.Release();
  bool applied = false;
  hotkeyBox.Form_Load(values_.settings.TopmostHotkey, [this, &applied](const Hotkey& hotkey) {
    const HotkeyHold hold = ApplyHotkey(hotkey);
    applied = hold == HotkeyHold::kHeld;
    return hold;
  });
  ports_.dialogs.ShowHotkey(hotkeyBox);
  if (hotkeyBox.Loaded()) hotkeyBox.cmdCancel_Click();
  // Cancelled: the combination in use is held again, unless it has been taken meanwhile.
  if (!applied && !values_.settings.TopmostHotkey.empty()) {
    ports_.hotkey.Hold(values_.settings.TopmostHotkey);
  }
}

void frmTop::Hotkey_Pressed() {
  WindowSystem& windows = ports_.windows;
  const WindowHandle window = ports_.hotkey.ActiveWindow();
  // The windows the lists show, and no others: not ours, nor the desktop or a panel.
  if (window == kNoWindow || window == window_handle_ || windows.HasParent(window) ||
      !windows.IsVisible(window) || !windows.IsSeen(window)) {
    return;
  }
  HotkeySwitch report{window, windows.Caption(window), !windows.IsTopmost(window), false};
  if (report.caption.empty()) return;
  const auto switched = SwitchTopmost(window, report.topmost);
  if (!switched) return;  // gone since the press
  report.changed = switched->took;
  report.handed_on = switched->handed_on;
  Hotkey_Switched(report);
}

void frmTop::Hotkey_Switched(const HotkeySwitch& report) {
  std::string text = "'" + report.caption;
  if (report.changed) {
    text += report.topmost ? texts::kTopmostOfferTail : texts::kNoLongerTopmost;
  } else if (const WindowAccess access = ports_.windows.Access(report.window);
             report.handed_on && access == WindowAccess::kNotResponding) {
    // The switch waits for the program, as after a double click.
    text += report.topmost ? texts::kTopmostOnceItResponds : texts::kNonTopmostOnceItResponds;
  } else {
    text += report.topmost ? texts::kCouldNotMakeTopmost : texts::kCouldNotMakeNonTopmost;
    text += KnownReason(access).value_or(texts::kClosedOrRefused);
  }
  // A notice that takes no focus: the user is at work in that very window.
  ports_.tray.Notify(std::string(kProgramName), text);
}

}  // namespace hoverdeck
