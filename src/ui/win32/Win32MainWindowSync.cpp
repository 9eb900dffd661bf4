// Mirroring the form's state onto the Win32 main window: each control's redraw, the menus, the
// refresh timer, the caption and window state, and the painting of the owner-drawn lists.
#include <algorithm>

#include "platform/win32/WideText.h"
#include "ui/FlagScope.h"
#include "ui/FormLayout.h"
#include "ui/win32/NativeControls.h"
#include "ui/win32/Win32MainWindow.h"
#include "ui/win32/Win32Tray.h"

namespace hoverdeck {
namespace {

using win32::ListChecked;
using win32::ListText;
using win32::Widen;
using win32::WindowText;

}  // namespace

void Win32MainWindow::BindControl(NativeControl& control, const ControlBinding& binding) {
  if (binding.label) {
    BindLabel(control, *binding.label);
  } else if (control.list.list) {
    BindList(control.window, *control.list.list, control.list.checkable);
  } else if (binding.check_box) {
    BindCheckBox(control.window, *binding.check_box);
  }
}

void Win32MainWindow::BindLabel(NativeControl& control, const Label& label) {
  HWND window = control.window;
  const bool is_static = control.layout->type == ControlType::kLabel;
  bindings_.push_back({[&label] { return label.revision(); },
                       [&label, window, is_static] {
                         // Buttons and frames show "&&" as "&" themselves.
                         const std::wstring text =
                             Widen(is_static ? label.Shown() : label.Caption());
                         if (WindowText(window) != text) SetWindowTextW(window, text.c_str());
                         EnableWindow(window, label.Enabled() ? TRUE : FALSE);
                       }});
}

void Win32MainWindow::BindList(HWND list, const SortedList& source, bool checkable) {
  bindings_.push_back(
      {[&source] { return source.revision(); },
       [list, &source, checkable] {
         // In place, so the scroll position survives the refreshes.
         SendMessageW(list, WM_SETREDRAW, FALSE, 0);
         const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
         int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
         while (count > source.Count()) {
           SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(--count), 0);
         }
         for (int i = 0; i < source.Count(); ++i) {
           const ListItem& item = source.Item(i);
           const std::wstring text = Widen(item.text);
           if (i >= count || ListText(list, i) != text) {
             if (i < count) SendMessageW(list, LB_DELETESTRING, i, 0);
             SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(i),
                          reinterpret_cast<LPARAM>(text.c_str()));
           }
           if (checkable) {
             SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(i), item.checked ? 1 : 0);
           }
         }
         if (source.Count() > 0 && top != LB_ERR) {
           SendMessageW(list, LB_SETTOPINDEX,
                        static_cast<WPARAM>(std::min<LRESULT>(top, source.Count() - 1)), 0);
         }
         SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(source.ListIndex()), 0);
         SendMessageW(list, WM_SETREDRAW, TRUE, 0);
         InvalidateRect(list, nullptr, TRUE);
       }});
}

void Win32MainWindow::BindCheckBox(HWND window, const CheckBox& box) {
  SetWindowTextW(window, Widen(box.Caption()).c_str());
  bindings_.push_back({[&box] { return box.revision(); },
                       [&box, window] {
                         SendMessageW(window, BM_SETCHECK,
                                      box.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
                       }});
}

void Win32MainWindow::Sync() {
  if (!window_) return;
  FlagScope syncing(syncing_);
  RedrawChanged(bindings_);
  SyncMenus();
  SyncTimer();
  SyncWindow();
}

void Win32MainWindow::SyncMenus() {
  for (MenuBinding& bound : menu_items_) {
    if (bound.item->revision() == bound.drawn) continue;
    bound.drawn = bound.item->revision();
    std::wstring text = MenuText(*bound.item);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING | MIIM_STATE;
    info.fState = bound.item->Checked() ? MFS_CHECKED : MFS_UNCHECKED;
    info.dwTypeData = text.data();
    SetMenuItemInfoW(menu_bar_.get(), bound.command, FALSE, &info);
  }
}

void Win32MainWindow::SyncTimer() {
  const Timer& timer = form_.Timer1;
  if (timer.revision() == timer_revision_ && timer.starts() == timer_starts_) return;
  const bool restart = timer.starts() != timer_starts_;
  timer_revision_ = timer.revision();
  timer_starts_ = timer.starts();
  const int interval = std::max(timer.Interval(), 0);
  if (!timer.Enabled() || interval <= 0) {
    if (timer_running_) KillTimer(window_, kRefreshTimerId);
    timer_running_ = false;
  } else if (restart || !timer_running_ || interval != timer_interval_) {
    // Setting the timer again starts its period afresh.
    timer_running_ = SetTimer(window_, kRefreshTimerId, static_cast<UINT>(interval), nullptr) != 0;
  }
  timer_interval_ = interval;
}

void Win32MainWindow::SyncWindow() {
  const bool icon_missing = tray_ && tray_->Missing();
  if (form_.revision() == form_revision_ && icon_missing == icon_missing_drawn_) return;
  form_revision_ = form_.revision();
  icon_missing_drawn_ = icon_missing;
  const std::wstring caption = Widen(form_.Caption());
  if (WindowText(window_) != caption) SetWindowTextW(window_, caption.c_str());
  if (!form_.Visible()) {
    // Hidden in the tray while the tray has no icon for it (the taskbar not up yet): the window
    // waits minimised on the taskbar instead, never out of reach.
    if (icon_missing && form_.State() == WindowState::kMinimized) {
      if (!IsIconic(window_) || !IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWMINNOACTIVE);
    } else if (IsWindowVisible(window_)) {
      ShowWindow(window_, SW_HIDE);
    }
  } else if (form_.State() == WindowState::kMinimized) {
    if (!IsIconic(window_)) ShowWindow(window_, SW_SHOWMINIMIZED);
  } else if (IsIconic(window_) || !IsWindowVisible(window_)) {
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    if (!IsChild(window_, GetFocus()) && last_focus_) SetFocus(last_focus_);
  }
}

LRESULT Win32MainWindow::OnColour(UINT message, HDC dc, HWND window, LRESULT fallback) {
  const NativeControl* control = Find(window);
  if (!control) return fallback;
  const ControlLayout& layout = *control->layout;
  LRESULT brush = fallback;
  if (message != WM_CTLCOLORLISTBOX) {
    // Labels, boxes and buttons stand on the window's face, inside the frames too.
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    brush = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  if (layout.background) {
    SetBkColor(dc, win32::ToColorRef(*layout.background));
    brush = reinterpret_cast<LRESULT>(Brush(*layout.background));
  }
  switch (layout.text_colour) {
    case TextColour::kDefault:
      break;
    case TextColour::kCaptionText:
      SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
      break;
    case TextColour::kPaleRed:
      SetTextColor(dc, win32::ToColorRef(kPaleRed));
      break;
  }
  return brush;
}

void Win32MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  if (item.itemID == static_cast<UINT>(-1)) {
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int index = static_cast<int>(item.itemID);
  RECT box{rect.left + 2, rect.top + (rect.bottom - rect.top - box_size_) / 2, 0, 0};
  box.right = box.left + box_size_;
  box.bottom = box.top + box_size_;
  DrawFrameControl(dc, &box, DFC_BUTTON,
                   DFCS_BUTTONCHECK | (ListChecked(item.hwndItem, index) ? DFCS_CHECKED : 0));
  RECT text_rect = rect;
  text_rect.left = box.right + 4;
  const std::wstring text = ListText(item.hwndItem, index);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_rect,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
}

}  // namespace hoverdeck
