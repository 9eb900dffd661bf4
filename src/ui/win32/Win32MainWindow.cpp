// The Win32 main window's life: its creation, its scale, fonts and brushes, the lookups of its
// controls, and running the form's handlers. Building, mirroring and messages have files of their
// own (Win32MainWindowBuild.cpp, Win32MainWindowSync.cpp, Win32MainWindowMessages.cpp).
#include "ui/win32/Win32MainWindow.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "ui/FlagScope.h"
#include "ui/FormLayout.h"
#include "ui/win32/CaptionRoom.h"
#include "ui/win32/NativeControls.h"

namespace hoverdeck {
namespace {

using win32::ReportError;
using win32::WindowText;

constexpr wchar_t kWindowClass[] = L"HoverdeckMainWindow";
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

}  // namespace

Win32MainWindow::Win32MainWindow(frmTop& form, HINSTANCE instance)
    : form_(form), instance_(instance), on_end_([this] {
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
    FitCaption(control, WindowText(control.window), TRUE);
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

Win32MainWindow::CaptionNeed Win32MainWindow::MeasureCaption(const NativeControl& control, HDC dc,
                                                             HFONT font,
                                                             const std::wstring& caption) const {
  const ControlLayout& layout = *control.layout;
  const win32::SelectScope selected(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const win32::CaptionRoom room =
      win32::RoomForCaption(layout.type, {Px(layout.width), Px(layout.height)}, dpi_, metrics);
  RECT need{0, 0, room.size.cx, 0};
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &need,
            DT_CALCRECT | room.format);
  const int line = std::max(static_cast<int>(metrics.tmHeight), 1);
  // A control a little short of a line of this face still holds that line once it grows.
  const int lines = (room.format & DT_SINGLELINE)
                        ? 1
                        : std::max(1, static_cast<int>((room.size.cy + line / 2) / line));
  return {need.right <= room.size.cx, std::max(static_cast<int>(need.bottom), line),
          static_cast<int>(room.size.cy), std::max(static_cast<int>(room.size.cy), lines * line),
          metrics.tmAveCharWidth};
}

Win32MainWindow::FittedFont Win32MainWindow::FittingFont(const NativeControl& control,
                                                         const std::wstring& caption) {
  const ControlLayout& layout = *control.layout;
  const int height = Px(layout.height);
  HFONT font = Font(layout.bold, layout.underline);
  if (caption.empty()) return {font, height};
  const win32::WindowDc dc(control.window);
  CaptionNeed need = MeasureCaption(control, dc.get(), font, caption);
  const auto fits = [](const CaptionNeed& n) { return n.fits_width && n.height <= n.held_height; };
  // Narrower, down to three quarters of the face's width; the narrowest tried if none fits.
  const int natural = need.average_width;
  for (int width = natural - 1; !fits(need) && width >= std::max(1, natural * 3 / 4); --width) {
    font = Font(layout.bold, layout.underline, width);
    need = MeasureCaption(control, dc.get(), font, caption);
  }
  // The caption of a frame stands above the frame's content: the frame keeps its height.
  if (layout.type == ControlType::kFrame) return {font, height};
  return {font, height + std::max(0, need.height - need.room_height)};
}

void Win32MainWindow::FitCaption(const NativeControl& control, const std::wstring& caption,
                                 BOOL redraw) {
  const FittedFont fitted = FittingFont(control, caption);
  const ControlLayout& layout = *control.layout;
  SetWindowPos(control.window, nullptr, Px(layout.left), Px(layout.top), Px(layout.width),
               fitted.height, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(fitted.font), redraw);
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
      if (event == FormEvent::kUser) form_.AfterUserEvent();
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

}  // namespace hoverdeck
