// The main window of the Win32 edition: native controls that draw the core form's state, and
// the user's events sent to the form's handlers. It decides nothing on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include "ui/ControlBindings.h"
#include "ui/FormLayout.h"
#include "ui/HandlerGate.h"
#include "ui/Redraw.h"
#include "ui/frmTop.h"
#include "ui/win32/GdiHandles.h"

namespace hoverdeck {

class Win32Tray;

class Win32MainWindow {
 public:
  static constexpr UINT_PTR kRefreshTimerId = 1;

  // Creates the window (hidden) with every control of the layout and the menu bar.
  Win32MainWindow(frmTop& form, HINSTANCE instance);
  ~Win32MainWindow();
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  HWND Handle() const { return window_; }
  // The dots per inch the layout is scaled for: the monitor's the window is on.
  int Dpi() const { return dpi_; }

  // Runs a handler of the form, then redraws what changed and ends the program when the form
  // asks for it. While a handler waits on a modal box only ticks get through (HandlerGate).
  // No exception leaves.
  void Dispatch(const std::function<void()>& handler, FormEvent event = FormEvent::kUser) noexcept;
  // Redraws every control whose revision changed, the menus, the timer, caption and window state.
  void Sync();

  // What ends the program; by default the window is destroyed and the message loop told to end.
  void SetEndHandler(std::function<void()> on_end) { on_end_ = std::move(on_end); }
  // The tray whose callback messages come to this window.
  void SetTray(Win32Tray* tray) { tray_ = tray; }

  // The message loop's share: the F1 accelerator, the layout's tab order and the dialog keys.
  // True when the message was used up.
  bool PreTranslate(MSG& message);
  // The control that Tab (or Shift+Tab) reaches from `from`, in the layout's order.
  HWND NextTabStop(HWND from, bool backwards) const;

  // The native control of a layout entry by its name; nullptr when there is none.
  HWND Control(std::string_view name) const;
  // The command identifier of a menu item by its name; 0 when there is none.
  UINT MenuCommand(std::string_view item_name) const;
  HMENU MenuBar() const { return menu_bar_.get(); }
  bool TimerRunning() const { return timer_running_; }
  int TimerInterval() const { return timer_interval_; }

 private:
  using Binding = RedrawBinding;
  struct MenuBinding {
    const MenuItem* item;
    UINT command;
    std::uint64_t drawn = std::numeric_limits<std::uint64_t>::max();
  };
  // What the list boxes report, by their role.
  using ListEvents = ListBinding;
  enum class Role { kNone, kContainer, kList, kCheckBox, kBanner };
  struct NativeControl {
    Win32MainWindow* owner = nullptr;
    HWND window = nullptr;
    const ControlLayout* layout = nullptr;
    Role role = Role::kNone;
    ListEvents list;
    void (frmTop::*handler)() = nullptr;  // buttons, check boxes and banners
  };

  // What kind of native control a layout entry becomes.
  struct ControlKind {
    const wchar_t* class_name = L"STATIC";
    DWORD style = 0;
    DWORD ex_style = 0;
    Role role = Role::kNone;
  };
  // Control identifiers start above the dialog keys' IDOK and IDCANCEL, which IsDialogMessage
  // sends to the window for Enter and Escape.
  static constexpr int kFirstControlId = 100;

  // Building (Win32MainWindowBuild.cpp).
  void BuildControls();
  // The native kind of a layout entry; nullopt for the entries drawn by no control of their own.
  static std::optional<ControlKind> KindOf(const ControlLayout& layout, bool captioned);
  NativeControl* CreateControl(std::size_t index, const ControlLayout& layout,
                               const ControlKind& kind, const ControlBinding& binding);
  void BuildMenus();
  // The menu text of an item: its caption and, after a tab, its shortcut.
  static std::wstring MenuText(const MenuItem& item);

  // Mirroring the form's state (Win32MainWindowSync.cpp).
  void BindControl(NativeControl& control, const ControlBinding& binding);
  void BindLabel(NativeControl& control, const Label& label);
  void BindList(HWND list, const SortedList& source, bool checkable);
  void BindCheckBox(HWND window, const CheckBox& box);
  void SyncMenus();
  void SyncTimer();
  void SyncWindow();
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  LRESULT OnColour(UINT message, HDC dc, HWND control, LRESULT fallback);

  // Messages (Win32MainWindowMessages.cpp); the optional results are empty for a message left to
  // the default procedure.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR id, DWORD_PTR data);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  bool OnTrayMessage(UINT message, WPARAM wparam, LPARAM lparam);
  std::optional<LRESULT> OnPaintingMessage(UINT message, WPARAM wparam, LPARAM lparam);
  std::optional<LRESULT> OnFormMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnMenuCommand(WORD command);
  void OnCommand(WORD code, HWND from);
  void OnListCommand(WORD code, HWND list, const ListEvents& events);
  void OnActivate(WPARAM wparam);
  void OnSize(WPARAM wparam);
  LRESULT OnControlMessage(NativeControl& control, UINT message, WPARAM wparam,
                           LPARAM lparam) noexcept;
  std::optional<LRESULT> OnFrameMessage(NativeControl& control, UINT message, WPARAM wparam,
                                        LPARAM lparam);
  LRESULT OnCheckListMessage(NativeControl& control, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnListMessage(NativeControl& control, UINT message, WPARAM wparam, LPARAM lparam);
  // Lets the list box handle a mouse message itself, marked so its selection notice is no click.
  LRESULT PassMouseToList(HWND list, UINT message, WPARAM wparam, LPARAM lparam);

  // The list items' height and the check boxes' size for the current scale.
  void MeasureItems();
  // Sizes the window so that its client area is the layout's.
  void FitClientArea();
  // Lays the window out again for another scale; `suggested` is the system's new window place.
  void ApplyDpi(int dpi, const RECT* suggested);
  // The window's own scale where the system tells it per monitor; 0 where it does not.
  static int WindowDpi(HWND window);
  NativeControl* Find(HWND window);
  // The layout's font; `average_width` narrows it (0: the face's own width).
  HFONT Font(bool bold, bool underline, int average_width = 0);
  // The layout's font for the control, narrowed as far as its caption needs to fit.
  HFONT FittingFont(const NativeControl& control, const std::wstring& caption);
  HBRUSH Brush(std::uint32_t rgb);
  // Pixels of a length in twips at the window's dots per inch.
  int Px(int twips) const;

  frmTop& form_;
  HINSTANCE instance_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  int item_height_ = 16;
  int box_size_ = 13;
  std::map<std::string, NativeControl, std::less<>> controls_;
  std::vector<NativeControl*> by_id_;
  std::vector<Binding> bindings_;
  std::vector<MenuBinding> menu_items_;
  std::map<int, std::string> command_names_;
  win32::UniqueMenu menu_bar_;
  win32::UniqueAccelerators accelerators_;
  std::map<std::tuple<bool, bool, int>, win32::UniqueFont> fonts_;
  std::map<std::uint32_t, win32::UniqueBrush> brushes_;
  win32::UniqueIcon icon_large_, icon_small_;
  Win32Tray* tray_ = nullptr;
  HWND last_focus_ = nullptr;
  bool timer_running_ = false;
  int timer_interval_ = 0;
  std::uint64_t timer_revision_ = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t timer_starts_ = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t form_revision_ = std::numeric_limits<std::uint64_t>::max();
  bool icon_missing_drawn_ = false;
  HandlerGate gate_;
  bool syncing_ = false;
  bool ended_ = false;
  // Set while a list box handles a mouse button itself, so its selection notice is not a
  // second click.
  bool list_mouse_ = false;
  std::function<void()> on_end_;
};

}  // namespace hoverdeck
