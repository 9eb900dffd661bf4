// Turning the Win32 main window's messages, and its controls', into the form's events; the
// keyboard's share of the message loop (accelerators and the layout's tab order).
#include <windowsx.h>

#include <algorithm>
#include <exception>

#include "platform/win32/Win32GlobalHotkey.h"
#include "ui/FlagScope.h"
#include "ui/win32/NativeControls.h"
#include "ui/win32/Win32MainWindow.h"
#include "ui/win32/Win32Tray.h"

namespace hoverdeck {
namespace {

using win32::ListChecked;
using win32::ListEntryAt;
using win32::ReportError;

int CoreButtons(WPARAM keys) {
  int buttons = 0;
  if (keys & MK_LBUTTON) buttons |= kLeftButton;
  if (keys & MK_RBUTTON) buttons |= kRightButton;
  if (keys & MK_MBUTTON) buttons |= kMiddleButton;
  return buttons;
}

}  // namespace

HWND Win32MainWindow::NextTabStop(HWND from, bool backwards) const {
  std::vector<std::pair<int, HWND>> order;
  for (const auto& [name, control] : controls_) {
    if (!control.window || control.layout->tab_index < 0) continue;
    if (!IsWindowVisible(control.window) || !IsWindowEnabled(control.window)) continue;
    order.emplace_back(control.layout->tab_index, control.window);
  }
  if (order.empty()) return nullptr;
  std::sort(order.begin(), order.end());
  const int count = static_cast<int>(order.size());
  int at = -1;
  for (int i = 0; i < count; ++i) {
    const HWND candidate = order[static_cast<std::size_t>(i)].second;
    if (candidate == from || IsChild(candidate, from)) at = i;
  }
  int next = 0;
  if (at < 0) {
    next = backwards ? count - 1 : 0;
  } else {
    next = (at + (backwards ? count - 1 : 1)) % count;
  }
  return order[static_cast<std::size_t>(next)].second;
}

bool Win32MainWindow::PreTranslate(MSG& message) {
  if (!window_ || !message.hwnd) return false;
  if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
  if (accelerators_ && TranslateAcceleratorW(window_, accelerators_.get(), &message)) return true;
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
      (GetKeyState(VK_CONTROL) & 0x8000) == 0 && (GetKeyState(VK_MENU) & 0x8000) == 0) {
    // The layout's focus order crosses the frames, which the dialog manager's own walk cannot.
    if (HWND next = NextTabStop(GetFocus(), (GetKeyState(VK_SHIFT) & 0x8000) != 0)) {
      SetFocus(next);
      return true;
    }
  }
  return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<Win32MainWindow*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->OnMessage(message, wparam, lparam);
}

LRESULT Win32MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  try {
    if (OnTrayMessage(message, wparam, lparam)) return 0;
    if (const auto result = OnPaintingMessage(message, wparam, lparam)) return *result;
    if (const auto result = OnFormMessage(message, wparam, lparam)) return *result;
  } catch (const std::exception& error) {
    ReportError(error.what());
  } catch (...) {
    ReportError("unknown error");
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

bool Win32MainWindow::OnTrayMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!tray_) return false;
  std::optional<TrayMouseEvent> event;
  if (!tray_->OnMessage(message, wparam, lparam, event)) return false;
  if (event) {
    Dispatch([this, event] { form_.PictureTopMost_MouseMove(*event); });
  } else {
    Sync();  // the icon may be back: a window kept on the taskbar for want of it hides
  }
  return true;
}

std::optional<LRESULT> Win32MainWindow::OnPaintingMessage(UINT message, WPARAM wparam,
                                                          LPARAM lparam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      const LRESULT fallback = DefWindowProcW(window_, message, wparam, lparam);
      return OnColour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam),
                      fallback);
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      if (measure->CtlType != ODT_LISTBOX) break;
      measure->itemHeight = static_cast<UINT>(item_height_);
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (draw->CtlType != ODT_LISTBOX) break;
      OnDrawItem(*draw);
      return TRUE;
    }
    case WM_DPICHANGED:
      // Moved to a monitor of another scale: the layout, fonts and frame follow it.
      ApplyDpi(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      break;
  }
  return std::nullopt;
}

std::optional<LRESULT> Win32MainWindow::OnFormMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      // From a menu item or its accelerator, or from a control.
      if (lparam == 0) {
        OnMenuCommand(LOWORD(wparam));
      } else {
        OnCommand(HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      }
      return 0;
    case WM_HOTKEY:
      if (wparam == Win32GlobalHotkey::kHotkeyId) Dispatch([this] { form_.Hotkey_Pressed(); });
      return 0;
    case WM_TIMER:
      if (wparam == kRefreshTimerId) Dispatch([this] { form_.Timer1_Timer(); }, FormEvent::kTick);
      return 0;
    case WM_MOUSEMOVE: {
      const int buttons = CoreButtons(wparam);
      Dispatch([this, buttons] { form_.Form_MouseMove(buttons); });
      return 0;
    }
    case WM_ACTIVATE:
      OnActivate(wparam);
      return 0;
    case WM_SIZE:
      OnSize(wparam);
      return 0;
    case WM_CLOSE:
      // While a modal box of the form is open, the form cannot be asked.
      if (!gate_.Busy()) Dispatch([this] { form_.Form_QueryUnload(); });
      return 0;
    case WM_QUERYENDSESSION: {
      // A sign-out or shutdown is never refused behind the user's back: with no box open the
      // quit question decides; with one open, the session end ends the program
      // (WM_ENDSESSION), every setting being saved already.
      if (gate_.Busy()) return TRUE;
      bool cancel = true;
      Dispatch([this, &cancel] { cancel = form_.Form_QueryUnload(); });
      return cancel ? FALSE : TRUE;
    }
    case WM_ENDSESSION:
      if (wparam && !ended_) {
        // Also from within a box's loop: the form only lets its icon go and ends.
        form_.Form_EndSession();
        ended_ = true;
        if (on_end_) on_end_();
      }
      return 0;
    case WM_DESTROY:
      if (timer_running_) KillTimer(window_, kRefreshTimerId);
      timer_running_ = false;
      // The menu bar stays this object's to free.
      SetMenu(window_, nullptr);
      return 0;
    default:
      return std::nullopt;
  }
}

void Win32MainWindow::OnMenuCommand(WORD command) {
  const auto found = command_names_.find(command);
  if (found == command_names_.end()) return;
  const std::string name = found->second;
  Dispatch([this, name] { form_.MenuClick(name); });
}

void Win32MainWindow::OnActivate(WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) last_focus_ = focus;
    if (!syncing_ && IsWindowVisible(window_)) {
      Dispatch([this] { form_.Form_LostFocus(); });
    }
  } else if (last_focus_ && IsWindow(last_focus_)) {
    SetFocus(last_focus_);
  }
}

void Win32MainWindow::OnSize(WPARAM wparam) {
  if (syncing_) return;
  const bool core_minimized = form_.State() == WindowState::kMinimized;
  if (wparam == SIZE_MINIMIZED && !core_minimized) {
    Dispatch([this] { form_.Form_Resize(WindowState::kMinimized); });
  } else if (wparam == SIZE_RESTORED && core_minimized) {
    // Restored from the taskbar while the form thought it hidden in the tray.
    if (form_.Visible()) {
      Dispatch([this] { form_.Form_Resize(WindowState::kNormal); });
    } else {
      Dispatch([this] { form_.mnuSet_Click(); });
    }
  }
}

void Win32MainWindow::OnCommand(WORD code, HWND from) {
  NativeControl* control = Find(from);
  if (!control) return;
  if (control->role == Role::kList) {
    OnListCommand(code, from, control->list);
  } else if (control->layout->type == ControlType::kButton && code == BN_CLICKED &&
             control->handler) {
    const auto handler = control->handler;
    Dispatch([this, handler] { (form_.*handler)(); });
  }
}

void Win32MainWindow::OnListCommand(WORD code, HWND list, const ListEvents& events) {
  const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  if (code == LBN_SELCHANGE) {
    // The keyboard moved the selection; the mouse's own clicks are reported where they land.
    if (syncing_ || list_mouse_ || selected < 0) return;
    if (events.checkable) {
      const bool checked = ListChecked(list, selected);
      Dispatch(
          [this, events, selected, checked] { (form_.*events.check_click)(selected, checked); });
    } else {
      Dispatch([this, events, selected] { (form_.*events.click)(selected); });
    }
  } else if (code == LBN_DBLCLK) {
    if (events.checkable) {
      if (selected >= 0) {
        Dispatch([this, events, selected] { (form_.*events.check_double_click)(selected); });
      }
    } else {
      Dispatch([this, events] { (form_.*events.double_click)(); });
    }
  }
}

LRESULT CALLBACK Win32MainWindow::ControlProc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam, UINT_PTR /*id*/, DWORD_PTR data) {
  auto* control = reinterpret_cast<NativeControl*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &Win32MainWindow::ControlProc, 1);
    return DefSubclassProc(window, message, wparam, lparam);
  }
  if (!control || !control->owner || control->window != window) {
    return DefSubclassProc(window, message, wparam, lparam);
  }
  return control->owner->OnControlMessage(*control, message, wparam, lparam);
}

LRESULT Win32MainWindow::OnControlMessage(NativeControl& control, UINT message, WPARAM wparam,
                                          LPARAM lparam) noexcept {
  HWND window = control.window;
  try {
    switch (control.role) {
      case Role::kContainer:
        if (const auto result = OnFrameMessage(control, message, wparam, lparam)) return *result;
        break;
      case Role::kBanner:
        if (message == WM_MOUSEMOVE && control.handler) {
          const auto handler = control.handler;
          Dispatch([this, handler] { (form_.*handler)(); });
          return 0;
        }
        break;
      case Role::kCheckBox:
        if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) && control.handler) {
          // The press goes to the core, which flips the value the box then shows.
          const auto handler = control.handler;
          Dispatch([this, handler] { (form_.*handler)(); });
        }
        break;
      case Role::kList:
        return control.list.checkable ? OnCheckListMessage(control, message, wparam, lparam)
                                      : OnListMessage(control, message, wparam, lparam);
      case Role::kNone:
        break;
    }
  } catch (const std::exception& error) {
    ReportError(error.what());
  } catch (...) {
    ReportError("unknown error");
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

std::optional<LRESULT> Win32MainWindow::OnFrameMessage(NativeControl& control, UINT message,
                                                       WPARAM wparam, LPARAM lparam) {
  switch (message) {
    // A frame passes its children's notices on to the window, which handles them all.
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      if (window_) return SendMessageW(window_, message, wparam, lparam);
      break;
    case WM_ERASEBKGND: {
      // Nothing else paints a frame's inside: the window clips its children.
      RECT inside{};
      GetClientRect(control.window, &inside);
      FillRect(reinterpret_cast<HDC>(wparam), &inside, GetSysColorBrush(COLOR_BTNFACE));
      return TRUE;
    }
    case WM_NCHITTEST:
      // A group box is normally transparent to the mouse; the frame's free area is a
      // place of its own.
      return HTCLIENT;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (control.handler) {
        const auto handler = control.handler;
        Dispatch([this, handler] { (form_.*handler)(); });
      }
      return 0;
    default:
      break;
  }
  return std::nullopt;
}

LRESULT Win32MainWindow::PassMouseToList(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
  FlagScope mouse(list_mouse_);
  return DefSubclassProc(list, message, wparam, lparam);
}

LRESULT Win32MainWindow::OnCheckListMessage(NativeControl& control, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  HWND list = control.window;
  const ListEvents events = control.list;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const std::optional<int> entry = ListEntryAt(list, lparam);
      const bool on_box = entry && GET_X_LPARAM(lparam) < 2 + box_size_ + 2;
      if (message == WM_LBUTTONDBLCLK && !on_box) break;
      LRESULT result = 0;
      if (message == WM_LBUTTONDOWN) {
        result = PassMouseToList(list, message, wparam, lparam);
      } else {
        // The second press of a quick double click on the box is one more toggle.
        SetFocus(list);
      }
      if (entry) {
        const int index = *entry;
        const bool checked = ListChecked(list, index) != on_box;
        Dispatch([this, events, index, checked] { (form_.*events.check_click)(index, checked); });
      }
      return result;
    }
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
      return PassMouseToList(list, message, wparam, lparam);
    case WM_KEYDOWN:
      if (wparam != VK_SPACE) break;
      if (const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
          selected >= 0) {
        const bool checked = !ListChecked(list, selected);
        Dispatch(
            [this, events, selected, checked] { (form_.*events.check_click)(selected, checked); });
      }
      return 0;
    case WM_CHAR:
      if (wparam == L' ') return 0;
      break;
    default:
      break;
  }
  return DefSubclassProc(list, message, wparam, lparam);
}

LRESULT Win32MainWindow::OnListMessage(NativeControl& control, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  HWND list = control.window;
  const ListEvents events = control.list;
  switch (message) {
    case WM_LBUTTONDOWN: {
      const LRESULT result = PassMouseToList(list, message, wparam, lparam);
      if (const std::optional<int> entry = ListEntryAt(list, lparam)) {
        const int index = *entry;
        Dispatch([this, events, index] { (form_.*events.click)(index); });
      }
      return result;
    }
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      return PassMouseToList(list, message, wparam, lparam);
    case WM_MOUSEMOVE: {
      const LRESULT result = PassMouseToList(list, message, wparam, lparam);
      const std::optional<int> entry = ListEntryAt(list, lparam);
      const int buttons = CoreButtons(wparam);
      Dispatch([this, events, buttons, entry] { (form_.*events.mouse_move)(buttons, entry); });
      return result;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      // The right button never changes the selection: the popup acts on the selected window.
      Dispatch([this, events] { (form_.*events.mouse_down)(kRightButton); });
      return 0;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
      return 0;
    case WM_KILLFOCUS: {
      const LRESULT result = DefSubclassProc(list, message, wparam, lparam);
      // Another window or a menu taking the keyboard is no loss of focus within the window.
      HWND next = reinterpret_cast<HWND>(wparam);
      if (next && window_ && IsChild(window_, next)) {
        Dispatch([this, events] { (form_.*events.lost_focus)(); });
      }
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(list, message, wparam, lparam);
}

}  // namespace hoverdeck
