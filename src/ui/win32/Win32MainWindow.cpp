#include "ui/win32/Win32MainWindow.h"

#include "ui/ControlBindings.h"
#include "ui/FlagScope.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <windowsx.h>

#include "platform/win32/WideText.h"
#include "ui/FormLayout.h"
#include "ui/win32/Win32Tray.h"

namespace hoverdeck {
namespace {

using win32::Narrow;
using win32::Widen;

constexpr wchar_t kWindowClass[] = L"HoverdeckMainWindow";
// Control identifiers start above the dialog keys' IDOK and IDCANCEL, which IsDialogMessage
// sends to the window for Enter and Escape.
constexpr int kFirstControlId = 100;
constexpr UINT kFirstMenuCommand = 1000;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                               WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

void ReportError(const char* what) noexcept {
  OutputDebugStringA("hoverdeck: ");
  OutputDebugStringA(what);
  OutputDebugStringA("\n");
}

int CoreButtons(WPARAM keys) {
  int buttons = 0;
  if (keys & MK_LBUTTON) buttons |= kLeftButton;
  if (keys & MK_RBUTTON) buttons |= kRightButton;
  if (keys & MK_MBUTTON) buttons |= kMiddleButton;
  return buttons;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(),
                                                      static_cast<int>(text.size()))));
  return text;
}

std::wstring ListText(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
  return text;
}

bool ListChecked(HWND list, int index) {
  const LRESULT data = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  return data != LB_ERR && data != 0;
}

// The list entry under a point of the list's client area, if any.
std::optional<int> ListEntryAt(HWND list, LPARAM point) {
  const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, point);
  const int index = LOWORD(hit);
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  if (HIWORD(hit) != 0 || index >= count) return std::nullopt;
  return index;
}

// The menu text of an item: its caption and, after a tab, its shortcut.
std::wstring MenuText(const MenuItem& item) {
  std::string text = item.Caption();
  if (!item.Shortcut().empty()) text += "\t" + item.Shortcut();
  return Widen(text);
}

// The virtual key of a function-key shortcut such as "F1"; nullopt for anything else.
std::optional<WORD> FunctionKey(std::string_view shortcut) {
  if (shortcut.size() < 2 || shortcut.size() > 3 || shortcut[0] != 'F') return std::nullopt;
  int number = 0;
  for (const char digit : shortcut.substr(1)) {
    if (digit < '0' || digit > '9') return std::nullopt;
    number = number * 10 + (digit - '0');
  }
  if (number < 1 || number > 24) return std::nullopt;
  return static_cast<WORD>(VK_F1 + number - 1);
}

// The caption a control shows from the start (the layout's fixed texts), as the control shows it.
std::string FixedCaption(const ControlBinding& binding, ControlType type) {
  if (binding.check_box) return binding.check_box->Caption();
  if (!binding.label) return {};
  return type == ControlType::kLabel ? binding.label->Shown() : binding.label->Caption();
}

}  // namespace

Win32MainWindow::Win32MainWindow(frmTop& form, HINSTANCE instance)
    : form_(form),
      instance_(instance),
      on_end_([this] {
        if (window_) DestroyWindow(window_);
        PostQuitMessage(0);
      }) {
  {
    const win32::WindowDc screen(nullptr);
    if (screen.get()) dpi_ = std::max(GetDeviceCaps(screen.get(), LOGPIXELSY), 1);
  }
  MeasureItems();

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  if (!GetClassInfoExW(instance_, kWindowClass, &window_class)) {
    window_class.lpfnWndProc = &Win32MainWindow::WindowProc;
    window_class.hInstance = instance_;
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    RegisterClassExW(&window_class);
  }

  BuildMenus();
  // The client area is the layout's; the frame around it is whatever the desktop draws.
  RECT frame{0, 0, Px(kClientWidthTwips), Px(kClientHeightTwips)};
  AdjustWindowRectEx(&frame, kWindowStyle, TRUE, kWindowExStyle);
  CreateWindowExW(kWindowExStyle, kWindowClass, L"", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, menu_bar_.get(),
                  instance_, this);
  if (!window_) return;
  FitClientArea();
  icon_large_ = win32::LoadProgramIcon(instance_, GetSystemMetrics(SM_CXICON));
  icon_small_ = win32::LoadProgramIcon(instance_, GetSystemMetrics(SM_CXSMICON));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_large_.get()));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));

  BuildControls();
  // Per-monitor aware: a window that opens on a monitor of another scale takes its scale.
  if (const int own = WindowDpi(window_); own > 0 && own != dpi_) ApplyDpi(own, nullptr);
  last_focus_ = Control("lstFenetresNonTopMost");
  Sync();
}

int Win32MainWindow::WindowDpi(HWND window) {
  // GetDpiForWindow came with Windows 10 (1607); before it, the screen's scale is the one.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return get_dpi_for_window ? static_cast<int>(get_dpi_for_window(window)) : 0;
}

void Win32MainWindow::MeasureItems() {
  item_height_ = 16;
  {
    const win32::WindowDc screen(nullptr);
    TEXTMETRICW metrics{};
    const win32::SelectScope font(screen.get(), Font(false, false));
    if (GetTextMetricsW(screen.get(), &metrics)) item_height_ = metrics.tmHeight + 2;
  }
  box_size_ = std::min(MulDiv(13, dpi_, 96), std::max(item_height_ - 2, 8));
  item_height_ = std::max(item_height_, box_size_ + 3);
}

void Win32MainWindow::FitClientArea() {
  // The frame and a menu bar that wraps take room the estimate cannot know: measure, correct.
  RECT client{};
  GetClientRect(window_, &client);
  const int grow_x = Px(kClientWidthTwips) - (client.right - client.left);
  const int grow_y = Px(kClientHeightTwips) - (client.bottom - client.top);
  if (grow_x == 0 && grow_y == 0) return;
  RECT outer{};
  GetWindowRect(window_, &outer);
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + grow_x,
               outer.bottom - outer.top + grow_y, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainWindow::ApplyDpi(int dpi, const RECT* suggested) {
  if (dpi <= 0 || !window_) return;
  dpi_ = dpi;
  // The controls let go of the old fonts before these are freed.
  const decltype(fonts_) old_fonts = std::move(fonts_);
  fonts_.clear();
  MeasureItems();
  for (auto& [name, control] : controls_) {
    if (!control.window) continue;
    const ControlLayout& layout = *control.layout;
    SetWindowPos(control.window, nullptr, Px(layout.left), Px(layout.top), Px(layout.width),
                 Px(layout.height), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control.window, WM_SETFONT,
                 reinterpret_cast<WPARAM>(FittingFont(control, WindowText(control.window))), TRUE);
    if (layout.type == ControlType::kCheckListBox) {
      SendMessageW(control.window, LB_SETITEMHEIGHT, 0, item_height_);
    }
  }
  if (suggested) {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  FitClientArea();
  InvalidateRect(window_, nullptr, TRUE);
}

Win32MainWindow::~Win32MainWindow() {
  // Nothing reaches the form any more: it may be half gone.
  gate_.Close();
  if (window_) DestroyWindow(window_);
}

int Win32MainWindow::Px(int twips) const { return TwipsToPixels(twips, dpi_); }

HWND Win32MainWindow::Control(std::string_view name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second.window;
}

UINT Win32MainWindow::MenuCommand(std::string_view item_name) const {
  for (const auto& [command, name] : command_names_) {
    if (name == item_name) return static_cast<UINT>(command);
  }
  return 0;
}

Win32MainWindow::NativeControl* Win32MainWindow::Find(HWND window) {
  if (!window) return nullptr;
  const int index = GetDlgCtrlID(window) - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(by_id_.size())) return nullptr;
  NativeControl* control = by_id_[static_cast<std::size_t>(index)];
  return control && control->window == window ? control : nullptr;
}

HFONT Win32MainWindow::Font(bool bold, bool underline, int average_width) {
  win32::UniqueFont& font = fonts_[{bold, underline, average_width}];
  if (!font) font = win32::MakeInterfaceFont(dpi_, bold, underline, average_width);
  return font.get();
}

HFONT Win32MainWindow::FittingFont(const NativeControl& control, const std::wstring& caption) {
  const ControlLayout& layout = *control.layout;
  HFONT font = Font(layout.bold, layout.underline);
  if (caption.empty()) return font;
  const win32::WindowDc dc(control.window);
  const auto fits = [&](HFONT candidate, int& average_width) {
    const win32::SelectScope selected(dc.get(), candidate);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    average_width = metrics.tmAveCharWidth;
    // The room each kind of control leaves its caption: a group box indents its title, a check
    // box draws beside its box, a button inside its edges.
    SIZE room{Px(layout.width), Px(layout.height)};
    UINT format = DT_CALCRECT | DT_WORDBREAK;
    switch (layout.type) {
      case ControlType::kFrame:
        room.cx -= MulDiv(14, dpi_, 96);
        room.cy = metrics.tmHeight;
        format = DT_CALCRECT | DT_SINGLELINE;
        break;
      case ControlType::kCheckBox:
        room.cx -= MulDiv(13, dpi_, 96) + metrics.tmAveCharWidth;
        break;
      case ControlType::kButton:
        room.cx -= 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
        room.cy -= 2 * (GetSystemMetrics(SM_CYEDGE) + 1);
        format = DT_CALCRECT | DT_SINGLELINE;
        break;
      default:
        format |= DT_NOPREFIX;
        break;
    }
    RECT need{0, 0, room.cx, 0};
    DrawTextW(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &need, format);
    return need.right <= room.cx && need.bottom <= room.cy;
  };
  int natural = 0;
  if (fits(font, natural)) return font;
  // Narrower, down to three quarters of the face's width; the narrowest tried if none fits.
  for (int width = natural - 1; width >= std::max(1, natural * 3 / 4); --width) {
    int ignored = 0;
    font = Font(layout.bold, layout.underline, width);
    if (fits(font, ignored)) break;
  }
  return font;
}

HBRUSH Win32MainWindow::Brush(std::uint32_t rgb) {
  win32::UniqueBrush& brush = brushes_[rgb];
  if (!brush) brush.Reset(CreateSolidBrush(win32::ToColorRef(rgb)));
  return brush.get();
}

void Win32MainWindow::Dispatch(const std::function<void()>& handler, FormEvent event) noexcept {
  if (!gate_.Admits(event)) return;
  {
    const FlagScope busy = gate_.Enter();
    try {
      handler();
    } catch (const std::exception& error) {
      ReportError(error.what());
    } catch (...) {
      ReportError("unknown error");
    }
  }
  try {
    Sync();
    if (form_.EndRequested() && !ended_ && on_end_) {
      ended_ = true;
      on_end_();
    }
  } catch (const std::exception& error) {
    ReportError(error.what());
  } catch (...) {
    ReportError("unknown error");
  }
}

// ---- Building ----

void Win32MainWindow::BuildControls() {
  const auto layouts = FrmTopLayout();
  by_id_.assign(layouts.size(), nullptr);
  for (std::size_t index = 0; index < layouts.size(); ++index) {
    const ControlLayout& layout = layouts[index];
    if (!layout.shown) continue;
    const ControlBinding binding = BindingOf(form_, layout.name);
    HWND parent = layout.container.empty() ? window_ : Control(layout.container);
    if (!parent) parent = window_;

    const wchar_t* class_name = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD ex_style = 0;
    Role role = Role::kNone;
    switch (layout.type) {
      case ControlType::kLabel:
        // SS_NOTIFY makes the label a target of the mouse, as the layout's labels are. The core
        // decides what an "&" means (Label::Shown), so the control shows the text as it is.
        style |= SS_NOTIFY | SS_NOPREFIX | (layout.right_aligned ? SS_RIGHT : SS_LEFT);
        if (layout.name == "Label1" || layout.name == "Label2") role = Role::kBanner;
        break;
      case ControlType::kListBox:
      case ControlType::kCheckListBox:
        // No LBS_SORT: the entries come in the core's order.
        class_name = L"LISTBOX";
        style |= WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        if (layout.type == ControlType::kCheckListBox) style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
        ex_style = WS_EX_CLIENTEDGE;
        role = Role::kList;
        break;
      case ControlType::kFrame:
        // A frame with a caption is a group box; the captionless one a plain container.
        if (binding.label) {
          class_name = L"BUTTON";
          style |= BS_GROUPBOX;
        }
        style |= WS_CLIPCHILDREN;
        ex_style = WS_EX_CONTROLPARENT;
        role = Role::kContainer;
        break;
      case ControlType::kButton:
        class_name = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
      case ControlType::kCheckBox:
        // Not an automatic box: it shows the core's value only.
        class_name = L"BUTTON";
        style |= BS_CHECKBOX | BS_MULTILINE | WS_TABSTOP;
        role = Role::kCheckBox;
        break;
      case ControlType::kPicture:
        continue;
    }
    const std::string name(layout.name);
    NativeControl& control = controls_[name];
    control.owner = this;
    control.layout = &layout;
    control.role = role;
    by_id_[index] = &control;
    control.list = binding.list;
    control.handler = binding.action;

    control.window = CreateWindowExW(
        ex_style, class_name, L"", style, Px(layout.left), Px(layout.top), Px(layout.width),
        Px(layout.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(index))),
        instance_, nullptr);
    if (!control.window) continue;
    // The subclass goes in before any child is made, so a frame forwards its children's notices.
    SetWindowSubclass(control.window, &Win32MainWindow::ControlProc, 1,
                      reinterpret_cast<DWORD_PTR>(&control));
    SendMessageW(control.window, WM_SETFONT,
                 reinterpret_cast<WPARAM>(FittingFont(control, Widen(FixedCaption(binding, layout.type)))),
                 FALSE);
    // Later entries of the layout lie above earlier ones.
    SetWindowPos(control.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (layout.type == ControlType::kCheckListBox) {
      SendMessageW(control.window, LB_SETITEMHEIGHT, 0, item_height_);
    }

    if (binding.label) {
      BindLabel(control, *binding.label);
    } else if (control.list.list) {
      BindList(control.window, *control.list.list, control.list.checkable);
    } else if (binding.check_box) {
      const CheckBox& box = *binding.check_box;
      SetWindowTextW(control.window, Widen(box.Caption()).c_str());
      HWND window = control.window;
      bindings_.push_back({[&box] { return box.revision(); }, [&box, window] {
                             SendMessageW(window, BM_SETCHECK,
                                          box.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
                           }});
    }
  }
}

void Win32MainWindow::BindLabel(NativeControl& control, const Label& label) {
  HWND window = control.window;
  const bool is_static = control.layout->type == ControlType::kLabel;
  bindings_.push_back({[&label] { return label.revision(); }, [&label, window, is_static] {
                         // Buttons and frames show "&&" as "&" themselves.
                         const std::wstring text =
                             Widen(is_static ? label.Shown() : label.Caption());
                         if (WindowText(window) != text) SetWindowTextW(window, text.c_str());
                         EnableWindow(window, label.Enabled() ? TRUE : FALSE);
                       }});
}

void Win32MainWindow::BindList(HWND list, const SortedList& source, bool checkable) {
  bindings_.push_back({[&source] { return source.revision(); }, [list, &source, checkable] {
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
                             SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(i),
                                          item.checked ? 1 : 0);
                           }
                         }
                         if (source.Count() > 0 && top != LB_ERR) {
                           SendMessageW(list, LB_SETTOPINDEX,
                                        static_cast<WPARAM>(std::min<LRESULT>(top, source.Count() - 1)),
                                        0);
                         }
                         SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(source.ListIndex()), 0);
                         SendMessageW(list, WM_SETREDRAW, TRUE, 0);
                         InvalidateRect(list, nullptr, TRUE);
                       }});
}

void Win32MainWindow::BuildMenus() {
  menu_bar_.Reset(CreateMenu());
  std::vector<ACCEL> accelerators;
  UINT next_command = kFirstMenuCommand;
  for (const Menu* menu : {&form_.mnuFichier, &form_.mnuConfiguration, &form_.mnuHelp}) {
    if (!menu->InMenuBar()) continue;
    win32::UniqueMenu popup(CreatePopupMenu());
    for (const MenuItem* item : menu->Items()) {
      if (item->IsSeparator()) {
        AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const UINT command = next_command++;
      AppendMenuW(popup.get(), MF_STRING, command, MenuText(*item).c_str());
      command_names_[static_cast<int>(command)] = item->Name();
      menu_items_.push_back({item, command});
      if (const auto key = FunctionKey(item->Shortcut())) {
        accelerators.push_back({FVIRTKEY, *key, static_cast<WORD>(command)});
      }
    }
    // The bar owns the menu from here on.
    AppendMenuW(menu_bar_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Release()),
                Widen(menu->Caption()).c_str());
  }
  if (!accelerators.empty()) {
    accelerators_.Reset(
        CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size())));
  }
}

// ---- Drawing ----

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

// ---- Keyboard ----

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

// ---- Messages ----

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
    if (tray_) {
      std::optional<TrayMouseEvent> event;
      if (tray_->OnMessage(message, wparam, lparam, event)) {
        if (event) {
          Dispatch([this, event] { form_.PictureTopMost_MouseMove(*event); });
        } else {
          Sync();  // the icon may be back: a window kept on the taskbar for want of it hides
        }
        return 0;
      }
    }
    switch (message) {
      case WM_COMMAND:
        if (lparam == 0) {
          // A menu item or its accelerator.
          const auto found = command_names_.find(LOWORD(wparam));
          if (found != command_names_.end()) {
            const std::string name = found->second;
            Dispatch([this, name] { form_.MenuClick(name); });
          }
        } else {
          OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
        }
        return 0;
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
      case WM_TIMER:
        if (wparam == kRefreshTimerId) Dispatch([this] { form_.Timer1_Timer(); }, FormEvent::kTick);
        return 0;
      case WM_MOUSEMOVE: {
        const int buttons = CoreButtons(wparam);
        Dispatch([this, buttons] { form_.Form_MouseMove(buttons); });
        return 0;
      }
      case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus && IsChild(window_, focus)) last_focus_ = focus;
          if (!syncing_ && IsWindowVisible(window_)) {
            Dispatch([this] { form_.Form_LostFocus(); });
          }
        } else if (last_focus_ && IsWindow(last_focus_)) {
          SetFocus(last_focus_);
        }
        return 0;
      case WM_SIZE:
        if (!syncing_) {
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
        return 0;
      case WM_CLOSE: {
        // While a modal box of the form is open, the form cannot be asked.
        if (gate_.Busy()) return 0;
        Dispatch([this] { form_.Form_QueryUnload(); });
        return 0;
      }
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
        break;
    }
  } catch (const std::exception& error) {
    ReportError(error.what());
  } catch (...) {
    ReportError("unknown error");
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void Win32MainWindow::OnCommand(WORD /*id*/, WORD code, HWND from) {
  NativeControl* control = Find(from);
  if (!control) return;
  if (control->role == Role::kList) {
    const ListEvents& events = control->list;
    const int selected = static_cast<int>(SendMessageW(from, LB_GETCURSEL, 0, 0));
    if (code == LBN_SELCHANGE) {
      // The keyboard moved the selection; the mouse's own clicks are reported where they land.
      if (syncing_ || list_mouse_ || selected < 0) return;
      if (events.checkable) {
        const bool checked = ListChecked(from, selected);
        Dispatch([this, events, selected, checked] {
          (form_.*events.check_click)(selected, checked);
        });
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
    return;
  }
  if (control->layout->type == ControlType::kButton && code == BN_CLICKED && control->handler) {
    const auto handler = control->handler;
    Dispatch([this, handler] { (form_.*handler)(); });
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
            GetClientRect(window, &inside);
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
        return OnListMessage(control, message, wparam, lparam);
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

LRESULT Win32MainWindow::OnListMessage(NativeControl& control, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  HWND list = control.window;
  const ListEvents events = control.list;
  const auto pass = [&] {
    FlagScope mouse(list_mouse_);
    return DefSubclassProc(list, message, wparam, lparam);
  };

  if (events.checkable) {
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        const std::optional<int> entry = ListEntryAt(list, lparam);
        const bool on_box = entry && GET_X_LPARAM(lparam) < 2 + box_size_ + 2;
        if (message == WM_LBUTTONDBLCLK && !on_box) return DefSubclassProc(list, message, wparam, lparam);
        LRESULT result = 0;
        if (message == WM_LBUTTONDOWN) {
          result = pass();
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
        return pass();
      case WM_KEYDOWN:
        if (wparam == VK_SPACE) {
          const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
          if (selected >= 0) {
            const bool checked = !ListChecked(list, selected);
            Dispatch([this, events, selected, checked] {
              (form_.*events.check_click)(selected, checked);
            });
          }
          return 0;
        }
        break;
      case WM_CHAR:
        if (wparam == L' ') return 0;
        break;
      default:
        break;
    }
    return DefSubclassProc(list, message, wparam, lparam);
  }

  switch (message) {
    case WM_LBUTTONDOWN: {
      const LRESULT result = pass();
      if (const std::optional<int> entry = ListEntryAt(list, lparam)) {
        const int index = *entry;
        Dispatch([this, events, index] { (form_.*events.click)(index); });
      }
      return result;
    }
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      return pass();
    case WM_MOUSEMOVE: {
      const LRESULT result = pass();
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
